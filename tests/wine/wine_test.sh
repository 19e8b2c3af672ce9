#!/usr/bin/env bash
# Checks of the cross-built Windows exe: its PE headers, and runs under Wine in prefixes of
# the build tree, bare or against a scenario's machine emulated by the test driver.
# Usage: wine_test.sh prefix|pe|argument|bare|console|values|hardening|pause|console_input|
#                    console_interrupt|run_lock|capture|event_log|scenario NAME|inspect NAME
# Environment (set by CTest): FWU_WINDOWS_EXE, FWU_WINDOWS_TOOLS, FWU_WINE_WORK, FWU_OBJDUMP,
# FWU_FWSIM (empty when fwsim is not built), FWU_WINE_EXPECTED, FWU_WINE_EMPTY_SCENARIO,
# FWU_WINE_RELAY, FWU_WINE_SCENARIOS, FWU_SIM_SCENARIOS.
set -euo pipefail

command=${1:?usage: wine_test.sh prefix|pe|argument|bare|console|values|hardening|pause|console_input|console_interrupt|run_lock|capture|event_log|scenario NAME|inspect NAME}
work=${FWU_WINE_WORK:?}
base=$work/prefix-base
exe=${FWU_WINDOWS_EXE:?}
tools=${FWU_WINDOWS_TOOLS:?}

# shellcheck source=wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

# What Wine 8 shows of ReportEventW: the event ID and type on its fixme:advapi line, the text's
# beginning on the eventlog channel.
event_debug=-all,fixme+advapi,+eventlog
event_source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\VELKORA NVMe Firmware Update'

# The run's event under Wine ($work/$command.err, the run made with WINEDEBUG=$event_debug) is
# fwsim's for the same run: the same ID and type, and the text as far as Wine shows it.
check_event() {
    local what=$1 id type code line fields wtype wid shown expected
    read -r id type < <(sed -n 's/^event log: //p' "$work/$command.fwsim.err")
    [ -n "${id:-}" ] || fail "$what: fwsim reported no event"
    case $type in
    information) code=0x0004 ;;
    warning) code=0x0002 ;;
    *) code=0x0001 ;;
    esac
    line=$(grep -a 'fixme:advapi:ReportEventW' "$work/$command.err" | tail -n 1)
    [ -n "$line" ] || fail "$what: no event written: $(head -c 600 "$work/$command.err")"
    fields=${line#*(}
    IFS=, read -r _ wtype _ wid _ <<<"$fields"
    [ "$wtype" = "$code" ] && [ "$((wid))" = "$id" ] ||
        fail "$what: event $((wid)) of type $wtype under Wine, $id $type ($code) under fwsim"
    shown=$(grep -a ':eventlog:ReportEventW L"' "$work/$command.err" | tail -n 1)
    shown=${shown#*L\"}
    shown=${shown%\"*}
    expected=$(head -c -$((${#prompt} + 1)) "$work/$command.fwsim" |
        sed 's/\\/\\\\/g; s/"/\\"/g' | awk '{printf "%s\\r\\n", $0}')
    # Wine cuts a long text after about 300 characters; a short one is shown whole.
    { [ "${#shown}" -ge 200 ] || [ "$shown" = "$expected" ]; } && [ "${expected:0:${#shown}}" = "$shown" ] ||
        fail "$what: the event's text under Wine is '$shown', fwsim's begins '${expected:0:300}'"
    echo "$what: event $id ($type), its text as fwsim's: $shown"
}

case $command in
event_log)
    # The run's event in the Application log and its source's key: on a machine without the
    # maker's drives (202, no eligible drive) and on one whose drive is updated (100).
    need_file "$exe"
    use_prefix
    run_fwsim "${FWU_WINE_EMPTY_SCENARIO:?}"
    WINEDEBUG=$event_debug run_tool
    check_event "a run without the maker's drives"
    wine reg query "$event_source_key" </dev/null >"$work/$command.key" 2>/dev/null ||
        fail "no event source key $event_source_key"
    tr -d '\r' <"$work/$command.key" | grep -Eq '^ +EventMessageFile +REG_EXPAND_SZ +%SystemRoot%\\System32\\EventCreate\.exe$' ||
        fail "EventMessageFile is not EventCreate.exe: $(cat "$work/$command.key")"
    tr -d '\r' <"$work/$command.key" | grep -Eq '^ +TypesSupported +REG_DWORD +0x7$' ||
        fail "TypesSupported is not 7: $(cat "$work/$command.key")"
    json=${FWU_WINE_SCENARIOS:?}/inbox_update.json
    run_fwsim "$json"
    start_emulation "$json"
    WINEDEBUG=$event_debug run_tool
    stop_emulation
    check_same_run "an update"
    check_event "an update"
    echo "event source registered with EventCreate.exe's messages and TypesSupported 7"
    ;;

scenario)
    scenario=${2:?usage: wine_test.sh scenario NAME}
    json=${FWU_WINE_SCENARIOS:?}/$scenario.json
    [ -f "$json" ] || fail "no scenario $json"
    need_file "$exe"
    command=scenario-$scenario
    args=()
    if [ -f "${json%.json}.args" ]; then
        mapfile -t args <"${json%.json}.args"
    fi
    run_fwsim "$json"
    use_prefix
    start_emulation "$json"
    run_tool "${args[@]}"
    stop_emulation
    check_same_run "scenario $scenario"
    diff -u "$work/$command.drives.expected" "$work/$command.drives.actual" || fail "the drives end in another state than under fwsim"
    grep -q '^open handles: 0$' "$work/$command.relay" || fail "handles left open: $(grep '^open handles' "$work/$command.relay")"
    echo "scenario $scenario: same transcript, exit code $exit_code and drive state as fwsim"
    cat "$work/$command.drives.actual"
    ;;

inspect)
    # The inspector exe against the scenario's emulated machine: the same report as fwinspect
    # gives, no download, activation or RST firmware request reaching the drives, and its
    # capture, replayed by fwsim, runs the update as the scenario itself does.
    scenario=${2:?usage: wine_test.sh inspect NAME}
    json=${FWU_WINE_SCENARIOS:?}/$scenario.json
    inspector=$(dirname "$exe")/VELKORAFWInspectTRVX208K.exe
    need_file "$inspector"
    [ -n "${FWU_FWINSPECT:-}" ] && [ -x "$FWU_FWINSPECT" ] || fail "fwinspect is not built"
    command=inspect-$scenario
    "$FWU_FWINSPECT" "$json" >"$work/$command.fwinspect" || fail "fwinspect failed"
    run_fwsim "$json"
    use_prefix
    start_emulation "$json"
    capture=$work/$command.capture.json
    rm -f "$capture"
    WINEDEBUG=$event_debug wine "$inspector" --capture "$(winepath -w "$capture" 2>/dev/null)" </dev/null \
        >"$work/$command.out" 2>"$work/$command.err" || fail "the inspector failed: $(cat "$work/$command.err")"
    stop_emulation
    ! grep -aq 'ReportEventW\|RegisterEventSourceW' "$work/$command.err" || fail "the inspector wrote an event"
    ! wine reg query "$event_source_key" </dev/null >/dev/null 2>&1 || fail "the inspector registered an event source"
    tr -d '\r' <"$work/$command.out" | grep -a -v '^The machine was captured to ' >"$work/$command.actual"
    diff -u "$work/$command.fwinspect" "$work/$command.actual" || fail "the inspector's report under Wine differs from fwinspect's"
    # No piece received and no image committed; a scenario's own pending activation stays.
    if grep '^drive ' "$work/$command.drives.actual" | grep -qv 'bytes received 0 in 0 download requests$'; then
        fail "a drive received firmware while the inspector ran: $(cat "$work/$command.drives.actual")"
    fi
    [ -s "$capture" ] || fail "no capture written"
    "$FWU_FWSIM" "$capture" </dev/null >"$work/$command.replay" 2>"$work/$command.replay.err" || fail "fwsim refused the capture: $(cat "$work/$command.replay.err")"
    diff -u <(normalise "$work/$command.fwsim") <(normalise "$work/$command.replay") || fail "the capture replayed by fwsim runs otherwise than the scenario"
    [ "$(sed -n 's/^exit code: //p' "$work/$command.replay.err")" = "$fwsim_code" ] || fail "the capture's exit code differs"
    echo "inspect $scenario: the report is fwinspect's, nothing was downloaded, the capture replays the run"
    ;;

capture)
    # The inspector's capture on a bare prefix: a file or a link under its name is left as it
    # was, a link in a parent folder is refused and the file it led to deleted, a missing folder
    # leaves nothing, and a name outside every ANSI code page is made and printed as given.
    # Wine passes the command line and file names as UTF-8 only under a UTF-8 locale.
    inspector=$(dirname "$exe")/VELKORAFWInspectTRVX208K.exe
    need_file "$inspector"
    [ -n "${FWU_FWSIM:-}" ] && [ -x "$FWU_FWSIM" ] || fail "fwsim is not built"
    export LC_ALL=C.UTF-8
    use_prefix
    dir=$work/$command.files
    rm -rf "$dir"
    mkdir -p "$dir/real"
    ln -s "$dir/real" "$dir/linked"
    printf 'kept' >"$dir/existing.json"
    ln -s "$dir/target.json" "$dir/link.json"
    # The inspector asked to capture to PATH: sets windows_path, code and line (its last line).
    capture_to() {
        windows_path=$(winepath -w "$1" 2>/dev/null)
        code=0
        wine "$inspector" --capture "$windows_path" </dev/null >"$work/$command.out" 2>"$work/$command.err" || code=$?
        line=$(tail -n 1 "$work/$command.out" | tr -d '\r')
    }
    for name in existing.json link.json; do
        capture_to "$dir/$name"
        [ "$code" = 1 ] && [ "$line" = "[ERROR] The capture file already exists: $windows_path" ] ||
            fail "$name: exit code $code, last line '$line'"
        [ "$(wc -l <"$work/$command.out")" = 1 ] || fail "$name: more than the error line: $(cat "$work/$command.out")"
    done
    [ "$(cat "$dir/existing.json")" = kept ] || fail "the existing file was changed"
    [ ! -e "$dir/target.json" ] || fail "the link under the capture's name was followed"
    capture_to "$dir/linked/machine.json"
    [ "$code" = 1 ] && [ "$line" = "[ERROR] A link in the capture file's path leads elsewhere: $windows_path" ] ||
        fail "through a linked folder: exit code $code, last line '$line'"
    [ -z "$(ls -A "$dir/real")" ] || fail "the file made through the linked folder was left behind"
    capture_to "$dir/none/machine.json"
    [ "$code" = 1 ] && [ "$line" = "[ERROR] The capture file could not be created (0x3): $windows_path" ] ||
        fail "a missing folder: exit code $code, last line '$line'"
    name=$(printf 'machine-\u00e9-\u2713-\u0436.json')
    capture_to "$dir/$name"
    [ "$code" = 0 ] && [ "$line" = "The machine was captured to $windows_path; rehearse the update with: fwsim $windows_path" ] ||
        fail "a non-ASCII name: exit code $code, last line '$line'"
    "$FWU_FWSIM" "$dir/$name" </dev/null >/dev/null 2>"$work/$command.replay.err" ||
        fail "fwsim refused the capture: $(cat "$work/$command.replay.err")"
    echo "existing file, link and linked folder refused and left alone; missing folder refused; $name made"
    ;;

pause)
    # The pause with redirected input, on a machine whose run ends with 4000 (more than Wine's
    # 8-bit status shows): NUL, a pipe that closes empty, a pipe holding two bytes. Each run ends
    # as fwsim's, the prompt last, the whole exit code kept; from the pipe it takes one byte.
    json=${FWU_WINE_SCENARIOS:?}/inbox_current.json
    need_file "$exe"
    need_file "$tools/fwu_exit_code.exe"
    run_fwsim "$json"
    [ "$fwsim_code" = 4000 ] || fail "inbox_current ends with $fwsim_code under fwsim, expected 4000"
    use_prefix
    start_emulation "$json"
    helper=$tools/fwu_exit_code.exe
    wine "$helper" --nul-input "$exe" </dev/null >"$work/$command.out" 2>"$work/$command.err" || true
    read_exit_code
    check_same_run "input from NUL"
    : | wine "$helper" "$exe" >"$work/$command.out" 2>"$work/$command.err" || true
    read_exit_code
    check_same_run "input from a pipe that closes"
    printf 'xy' | {
        wine "$helper" "$exe" >"$work/$command.out" 2>"$work/$command.err" || true
        cat >"$work/$command.rest"
    }
    read_exit_code
    check_same_run "input from a pipe holding two bytes"
    [ "$(cat "$work/$command.rest")" = y ] || fail "the pause took other than one byte of the pipe: '$(cat "$work/$command.rest")' was left of 'xy'"
    stop_emulation
    echo "the pause ends on NUL, a closed pipe and one byte of a pipe; exit code $exit_code kept"
    ;;

run_lock)
    # Another run holds the run lock (a helper holding the Global\ mutex): the exe refuses as
    # fwsim does for the scenario's knob and sends nothing to the drive. Once the helper is
    # killed (the mutex, kept open by a second helper, is abandoned) the run updates the drive
    # as fwsim's without the knob; once a holder has released it and ended, a run goes through
    # again.
    json=${FWU_SIM_SCENARIOS:?}/run_lock_held.json
    need_file "$exe"
    need_file "$tools/fwu_run_lock_holder.exe"
    unlocked=$work/$command.unlocked.json
    grep -v '"runLockHeld"' "$json" >"$unlocked"
    use_prefix
    start_emulation "$json"
    holder_pid=
    keeper_pid=
    trap 'exec 8>&- 9>&- 2>/dev/null; for pid in $holder_pid $keeper_pid; do kill -KILL "$pid" 2>/dev/null; done; stop_relay; wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    # A helper that runs until its standard input, a FIFO this script keeps open on the given
    # descriptor, ends; it has started once its output holds the word. Sets helper_pid.
    start_helper() {
        local name=$1 descriptor=$2 word=$3
        shift 3
        local fifo=$work/$command.$name.stdin
        rm -f "$fifo" "$work/$command.$name"
        mkfifo "$fifo"
        eval "exec $descriptor<>\"\$fifo\""
        # Only this script writes to the FIFO: the helper does not inherit the writing ends.
        wine "$tools/fwu_run_lock_holder.exe" "$@" <"$fifo" >"$work/$command.$name" 2>&1 8>&- 9>&- &
        helper_pid=$!
        for _ in $(seq 100); do
            grep -q "^$word" "$work/$command.$name" 2>/dev/null && return 0
            sleep 0.1
        done
        fail "the $name helper did not start: $(cat "$work/$command.$name")"
    }
    start_holder() {
        start_helper holder 8 HELD
        holder_pid=$helper_pid
    }
    drives_now() {
        relay_request "$port" 5 | grep '^drive ' >"$work/$command.drives.actual" || true
    }

    # Another user's event, then mutex, under the lock's name: the run refuses as fwsim's does
    # for the same knob and sends nothing.
    for squatter in event mutex; do
        option=--event
        [ "$squatter" = mutex ] && option=--foreign-mutex
        start_helper squatter 8 OPEN "$option"
        run_fwsim "${FWU_SIM_SCENARIOS:?}/run_lock_squatted_$squatter.json"
        run_tool
        check_same_run "a run while the lock's name is another user's $squatter"
        drives_now
        diff -u "$work/$command.drives.expected" "$work/$command.drives.actual" || fail "the run beside the squatting $squatter reached the drive"
        exec 8>&-
        wait "$helper_pid" || fail "the squatter failed: $(cat "$work/$command.squatter")"
    done

    # The keeper's handle keeps the mutex alive when the holder is killed.
    start_helper keeper 9 OPEN --open-only
    keeper_pid=$helper_pid
    start_holder
    run_fwsim "$json"
    WINEDEBUG=$event_debug run_tool
    check_same_run "a run while another holds the lock"
    check_event "a run while another holds the lock"
    drives_now
    diff -u "$work/$command.drives.expected" "$work/$command.drives.actual" || fail "the refused run reached the drive"
    # The deployment wrapper, run by cmd from a package folder, passes the refusal's 1618 (the
    # code Configuration Manager retries) unchanged.
    package=$work/$command.package
    rm -rf "$package"
    mkdir -p "$package"
    cp "$(dirname "$0")/../../deploy/update-firmware.cmd" "$exe" "$package/"
    run_wine "$tools/fwu_exit_code.exe" 'C:\windows\system32\cmd.exe' /c \
        "$(winepath -w "$package/update-firmware.cmd" 2>/dev/null)" ||
        fail "the exit code helper failed: $(cat "$work/$command.err")"
    read_exit_code
    [ "$exit_code" = 1618 ] || fail "the wrapper beside a held lock ended with $exit_code, not 1618"

    kill -KILL "$holder_pid"
    wait "$holder_pid" 2>/dev/null || true
    holder_pid=
    exec 8>&-
    run_fwsim "$unlocked"
    run_tool
    check_same_run "a run after the holder was killed"
    drives_now
    diff -u "$work/$command.drives.expected" "$work/$command.drives.actual" || fail "the run after the holder was killed left the drive unlike fwsim's"

    exec 9>&-
    wait "$keeper_pid" || true
    keeper_pid=
    start_holder
    exec 8>&-
    wait "$holder_pid" || fail "the holder failed: $(cat "$work/$command.holder")"
    holder_pid=
    grep -q '^RELEASED' "$work/$command.holder" || fail "the holder did not release the lock: $(cat "$work/$command.holder")"
    # Until a reset the drive still runs the firmware it had (the image the run before sent waits
    # in its slot), so this run finds it at the older revision and updates it again.
    run_tool
    [ "$exit_code" = 1602 ] || fail "a run after the holder ended: exit code $exit_code, expected 1602"
    grep -q 'Another firmware update' "$work/$command.out" && fail "a run after the holder ended was refused"
    check_pause_last "$work/$command.out"
    stop_emulation
    grep -q '^open handles: 0$' "$work/$command.relay" || fail "handles left open: $(grep '^open handles' "$work/$command.relay")"
    echo "refused beside a squatting event and mutex and while the lock was held; runs after a killed and after an ended holder went through"
    ;;

console_input)
    # The tool in a console: Wine gives a console program one on a pseudo-terminal. `script`
    # keeps reading its standard input, a FIFO that never ends: at its end, script would type
    # a key into the console.
    need_file "$exe"
    need_file "$tools/fwu_console_session.exe"
    use_prefix
    fifo=$work/$command.stdin
    rm -f "$fifo"
    mkfifo "$fifo"
    exec 7<>"$fifo"
    report=$work/$command.report
    rm -f "$report"
    session="wine '$tools/fwu_console_session.exe' '$exe' '$report'"
    script -qec "$session" /dev/null <"$fifo" >"$work/$command.tty" 2>&1 || true
    exec 7>&-
    rm -f "$fifo"
    [ -f "$report" ] || fail "the console session wrote no report: $(tail -c 400 "$work/$command.tty")"
    cat >"$work/$command.expected" <<'EXPECTED'
QuickEdit before: on
QuickEdit at the prompt: off
keys waiting at the prompt: 0
exit code after the key: 1
keys left after the key: 1
mode after the key: as before
exit code after Ctrl+C: 1
mode after Ctrl+C: as before
QuickEdit at the prompt, input from a pipe: off
exit code, input from a pipe: 1
mode after, input from a pipe: as before
EXPECTED
    grep -v '^modes:' "$report" | diff -u "$work/$command.expected" - || fail "the console input differs ($(grep '^modes:' "$report"))"
    cat "$report"
    ;;

console_interrupt)
    # Ctrl+C and Ctrl+Break pressed in the tool's console while it sends the pieces: the run goes
    # on, and its transcript, exit code and drive state are fwsim's for the same machine.
    json=${FWU_WINE_SCENARIOS:?}/inbox_update.json
    need_file "$exe"
    need_file "$tools/fwu_console_session.exe"
    run_fwsim "$json"
    use_prefix
    start_emulation "$json"
    fifo=$work/$command.stdin
    rm -f "$fifo"
    mkfifo "$fifo"
    exec 7<>"$fifo"
    report=$work/$command.report
    rm -f "$report" "$work/$command.out"
    session="wine '$tools/fwu_console_session.exe' --interrupt '$exe' '$report' '$work/$command.out'"
    script -qec "$session" /dev/null <"$fifo" >"$work/$command.tty" 2>&1 || true
    exec 7>&-
    rm -f "$fifo"
    [ -f "$report" ] || fail "the console session wrote no report: $(tail -c 400 "$work/$command.tty")"
    exit_code=$(sed -n 's/^exit code: //p' "$report" | tr -d '\r')
    [ -n "$exit_code" ] || fail "the console session: $(cat "$report")"
    stop_emulation
    check_same_run "Ctrl+C and Ctrl+Break during the download"
    diff -u "$work/$command.drives.expected" "$work/$command.drives.actual" || fail "the interrupted run left the drive unlike fwsim's"
    echo "Ctrl+C and Ctrl+Break during the download: the run went on; exit code $exit_code"
    ;;

prefix)
    mkdir -p "$work"
    rm -rf "$base"
    export WINEPREFIX=$base WINEDEBUG=-all
    unset DISPLAY WAYLAND_DISPLAY
    wineboot -i </dev/null >"$work/prefix.log" 2>&1 || fail "wineboot failed: $(tail -n 5 "$work/prefix.log")"
    wineserver -w
    [ -f "$base/system.reg" ] || fail "wineboot made no prefix at $base"
    echo "Wine prefix ready at $base"
    ;;

pe)
    need_file "$exe"
    objdump=${FWU_OBJDUMP:?}
    headers=$("$objdump" -p "$exe")
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
    [ "$dlls" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL SETUPAPI.DLL " ] || fail "imports are '$dlls', expected ADVAPI32, KERNEL32, msvcrt and SETUPAPI only"
    for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
        sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers" | grep -w "$flag" >/dev/null ||
            fail "DllCharacteristics lacks $flag"
    done
    # Every imported function, one a line: nothing that starts a process or a command
    # interpreter; the calls that keep DLL loads in System32, take the run lock, check its
    # security, keep the system awake, read the battery and write the run's event.
    functions=$(sed -n '/^The Import Tables/,/^The Export Tables\|^PE File Base Relocations/p' <<<"$headers" |
        sed -n 's/^\t[0-9a-f]\{1,\}\t *[0-9]\{1,\}  *\([A-Za-z_][A-Za-z0-9_]*\)$/\1/p')
    [ -n "$functions" ] || fail "no imported function found in the import table"
    starters=$(grep -E '^(_?w?system|_w?popen|_w?spawn[a-z]*|_w?exec[a-z]*|CreateProcess[A-Za-z]*|WinExec|ShellExecute[A-Za-z]*)$' <<<"$functions" || true)
    [ -z "$starters" ] || fail "the exe imports a way of starting a process: $(tr '\n' ' ' <<<"$starters")"
    for function in SetDefaultDllDirectories CreateMutexW GetSecurityInfo SetThreadExecutionState \
        GetSystemPowerStatus RegisterEventSourceW ReportEventW RegCreateKeyExW; do
        grep -qx "$function" <<<"$functions" || fail "$function is not imported"
    done
    grep -q 'Subsystem.*(Windows CUI)' <<<"$headers" || fail "not a console program"
    # RT_MANIFEST (24) with the name 1 in the resource directory.
    awk '/Entry: ID: 0x000018,/ {m = 1; next} m && /Entry: ID: 0x000001,/ {found = 1} m && /Leaf:/ {exit} END {exit !found}' <<<"$headers" ||
        fail "no RT_MANIFEST resource with id 1"
    rsrc=$work/pe-rsrc.bin
    mkdir -p "$work"
    "${objdump%objdump}objcopy" -O binary --only-section=.rsrc "$exe" "$rsrc"
    grep -aq 'requestedExecutionLevel level="asInvoker"' "$rsrc" || fail "the manifest does not request asInvoker"
    # The version resource (VS_VERSIONINFO, UTF-16): with the zero bytes left out, each key
    # runs into its value.
    tr -d '\000' <"$rsrc" | grep -a 'FileVersion1\.0\.1' >/dev/null ||
        fail "no FileVersion 1.0.1 in the version resource"
    echo "PE headers as expected: imports $dlls ($(wc -l <<<"$functions") functions)"
    ;;

argument)
    need_file "$exe"
    use_prefix
    for argument in x "" "/?" "--help me"; do
        run_tool "$argument"
        [ "$exit_code" = 1 ] || fail "argument '$argument': exit code $exit_code, expected 1"
        first=$(head -n 1 "$work/$command.out")
        [ "$first" = $'[ERROR] Invalid Parameter\r' ] || fail "argument '$argument': first line '$first'"
        check_pause_last "$work/$command.out"
        [ "$(wc -l <"$work/$command.out")" = 2 ] || fail "argument '$argument': more output than one line and the prompt: $(cat "$work/$command.out")"
    done
    echo "argument rejected with exit code 1"
    ;;

bare)
    need_file "$exe"
    use_prefix
    run_tool
    [ "$exit_code" = 1 ] || fail "exit code $exit_code, expected 1"
    out=$work/$command.out
    check_pause_last "$out"
    # Every line ends in CRLF, as text mode writes it.
    if grep -qv $'\r$' "$out"; then
        fail "a line does not end in CRLF"
    fi
    separator=$(printf '=%.0s' $(seq 96))
    mapfile -t lines < <(tr -d '\r' <"$out")
    [ "${lines[0]}" = "$separator" ] || fail "line 1 is not 96 '=': '${lines[0]}'"
    [ "${#lines[1]}" = 39 ] || fail "line 2 is not the 39-character title: '${lines[1]}'"
    [ "${lines[3]}" = "$separator" ] || fail "line 4 is not 96 '='"
    grep '^\[No Disk\]' <(tr -d '\r' <"$out") >/dev/null || fail "no [No Disk] report"
    expected=$work/bare.expected
    if [ -n "${FWU_FWSIM:-}" ] && [ -x "$FWU_FWSIM" ]; then
        "$FWU_FWSIM" "${FWU_WINE_EMPTY_SCENARIO:?}" </dev/null >"$work/bare.fwsim" 2>"$work/bare.fwsim.err" || true
        normalise "$work/bare.fwsim" >"$expected"
        source="fwsim"
    else
        normalise "${FWU_WINE_EXPECTED:?}/bare_empty_machine.txt" >"$expected"
        source="the checked-in transcript"
    fi
    normalise "$out" >"$work/bare.actual"
    diff -u "$expected" "$work/bare.actual" || fail "the transcript under Wine differs from $source"
    echo "bare run matches $source; exit code 1"
    ;;

console)
    need_file "$tools/fwu_console_probe.exe"
    use_prefix
    run_wine "$tools/fwu_console_probe.exe" || fail "the console probe failed"
    printf '%s\r\n' 'check ✓ after' 'e-acute é and 0x%X' '[PASS] narrow' 'clef 𝄞 lone � end' \
        $'byte \xE9 raw' 'last line' >"$work/console.expected"
    cmp "$work/console.expected" "$work/$command.out" || {
        od -c "$work/$command.out" >&2
        fail "the console wrote other bytes than expected"
    }
    echo "every channel written whole, in order, non-ASCII included"
    ;;

hardening)
    # The stack protector and _FORTIFY_SOURCE as the build gives them to every Windows program:
    # each overrun ends the process with STATUS_STACK_BUFFER_OVERRUN, a copy that fits does not.
    need_file "$tools/fwu_overrun_probe.exe"
    use_prefix
    exe=$tools/fwu_overrun_probe.exe
    for mode in canary fortify; do
        run_tool "$mode"
        [ "$exit_code" = 3221226505 ] || fail "overrun '$mode': exit code $exit_code, expected 0xC0000409: $(cat "$work/$command.out")"
    done
    run_tool none
    [ "$exit_code" = 0 ] && grep -q '^NOT STOPPED' "$work/$command.out" || fail "a copy that fits was stopped: exit code $exit_code"
    echo "stack overrun and unchecked copy stopped with 0xC0000409"
    ;;

values)
    need_file "$tools/fwu_values_probe.exe"
    use_prefix
    run_wine "$tools/fwu_values_probe.exe" || { cat "$work/$command.out"; fail "the values probe found mismatches"; }
    grep -q '^ALL OK' "$work/$command.out" || fail "the values probe did not finish"
    cat "$work/$command.out"
    ;;

*)
    fail "unknown command $command"
    ;;
esac
