# What the Wine checks share: private prefixes, the whole exit code, the emulated machine served
# by the relay, fwsim's run of the same scenario, and the comparison of the two.
# Sourced by wine_test.sh and release_test.sh, which set command, work, base, exe and tools.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need_file() {
    [ -f "$1" ] || fail "$1 is missing: build the Windows exe first (cmake --preset mingw && cmake --build --preset mingw)"
}

# A private copy of the base prefix for this test, its wineserver ended and the copy removed
# when the test ends.
use_prefix() {
    [ -f "$base/system.reg" ] || fail "no Wine prefix at $base (the wine_prefix test makes it)"
    export WINEPREFIX=$work/prefix-$command
    export WINEDEBUG=-all
    unset DISPLAY WAYLAND_DISPLAY
    rm -rf "$WINEPREFIX"
    cp -a "$base" "$WINEPREFIX"
    trap 'stop_relay; wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
}

relay_pid=
stop_relay() {
    if [ -n "$relay_pid" ]; then
        kill "$relay_pid" 2>/dev/null || true
        wait "$relay_pid" 2>/dev/null || true
        relay_pid=
    fi
}

# One request to the relay (operation number); its answer's payload goes to standard output.
relay_request() {
    local port=$1 operation=$2
    exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
    printf "FWUR\\x$(printf %02x "$operation")\\x00\\x00\\x00\\x00\\x00\\x00\\x00" >&3
    tail -c +9 <&3
    exec 3<&-
}

# Runs a Windows program under Wine; its standard output goes to $work/$command.out, its
# standard error to $work/$command.err.
run_wine() {
    wine "$@" </dev/null >"$work/$command.out" 2>"$work/$command.err"
}

# The whole 32-bit exit code of the tool, through the CreateProcess helper.
run_tool() {
    need_file "$tools/fwu_exit_code.exe"
    run_wine "$tools/fwu_exit_code.exe" "$exe" "$@" || fail "the exit code helper failed: $(cat "$work/$command.err")"
    read_exit_code
}

# The code the helper reported, from $work/$command.err.
read_exit_code() {
    local line
    line=$(grep -a '^EXIT CODE ' "$work/$command.err" | tail -n 1 | tr -d '\r')
    [ -n "$line" ] || fail "no exit code reported: $(cat "$work/$command.err")"
    exit_code=${line#EXIT CODE }
}

# Line ends to LF, time stamps masked.
normalise() {
    tr -d '\r' <"$1" |
        sed -E 's/[0-9]{2}-[0-9]{2}-[0-9]{4}\([0-9]{2}:[0-9]{2}:[0-9]{2}\)/DD-MM-YYYY(HH:MM:SS)/g'
}

prompt='Press any key to continue . . . '

# The transcript ends with the pause prompt, once, and the line end the pause writes after
# the key.
check_pause_last() {
    local count
    count=$(grep -c 'Press any key to continue' "$1" || true)
    [ "$count" = 1 ] || fail "the pause prompt appears $count times"
    [ "$(tail -c $((${#prompt} + 2)) "$1" | tr '\r\n' 'RN')" = "${prompt}RN" ] ||
        fail "the last output is not the pause prompt and CRLF: '$(tail -n 1 "$1" | od -c | head -n 3)'"
}

# The simulator's run of a scenario: $work/$command.fwsim (transcript), fwsim_code, and
# $work/$command.drives.expected.
run_fwsim() {
    local json=$1
    [ -n "${FWU_FWSIM:-}" ] && [ -x "$FWU_FWSIM" ] || fail "fwsim is not built"
    "$FWU_FWSIM" "$json" </dev/null >"$work/$command.fwsim" 2>"$work/$command.fwsim.err" || fail "fwsim failed: $(cat "$work/$command.fwsim.err")"
    fwsim_code=$(sed -n 's/^exit code: //p' "$work/$command.fwsim.err")
    grep '^drive ' "$work/$command.fwsim.err" >"$work/$command.drives.expected" || true
}

# The scenario's machine emulated under Wine: the relay serves it, the test driver is installed.
# Needs use_prefix first; sets port.
start_emulation() {
    local json=$1
    need_file "$tools/fwu_emu_setup.exe"
    need_file "$tools/fwuemu.sys"
    [ -x "${FWU_WINE_RELAY:-}" ] || fail "the relay (fwu_wine_relay) is not built"
    rm -f "$work/$command.port"
    "$FWU_WINE_RELAY" "$json" "$work/$command.port" >"$work/$command.relay" 2>"$work/$command.relay.log" &
    relay_pid=$!
    for _ in $(seq 50); do
        [ -s "$work/$command.port" ] && break
        sleep 0.1
    done
    [ -s "$work/$command.port" ] || fail "the relay did not start: $(cat "$work/$command.relay.log")"
    port=$(head -n 1 "$work/$command.port")
    wine "$tools/fwu_emu_setup.exe" "$tools/fwuemu.sys" "$port" </dev/null >"$work/$command.setup" 2>&1 ||
        fail "the emulation setup failed: $(tail -n 5 "$work/$command.setup")"
}

# Ends the emulation once the tool's handles are closed; the relay's final summary (drive lines,
# open handles) is in $work/$command.relay and the drive lines in $work/$command.drives.actual.
stop_emulation() {
    # Handles close when Wine delivers the closes to the driver; give it a moment.
    for _ in $(seq 30); do
        relay_request "$port" 5 >"$work/$command.summary" || true
        grep -q '^open handles: 0$' "$work/$command.summary" && break
        sleep 0.1
    done
    relay_request "$port" 6 >/dev/null || true
    wait "$relay_pid" || true
    relay_pid=
    grep '^drive ' "$work/$command.relay" >"$work/$command.drives.actual" || true
}

# The run under Wine has fwsim's transcript (time stamps aside) and exit code, the prompt last.
check_same_run() {
    normalise "$work/$command.fwsim" >"$work/$command.expected"
    normalise "$work/$command.out" >"$work/$command.actual"
    diff -u "$work/$command.expected" "$work/$command.actual" || fail "$1: the transcript under Wine differs from fwsim's"
    check_pause_last "$work/$command.out"
    [ "$exit_code" = "$fwsim_code" ] || fail "$1: exit code $exit_code under Wine, $fwsim_code under fwsim"
}
