#!/usr/bin/env bash
# Checks of what ships around the exes: the signed copies, made with a throwaway certificate
# authority and code-signing certificate of the test tree (never beside the release), and the
# deployment wrapper, each run under Wine.
# Usage: release_test.sh signed|deploy SCENARIO
# Environment (set by CTest): as for wine_test.sh, and FWU_SOURCE_DIR.
set -euo pipefail

command=${1:?usage: release_test.sh signed|deploy SCENARIO}
work=${FWU_WINE_WORK:?}
base=$work/prefix-base
exe=${FWU_WINDOWS_EXE:?}
tools=${FWU_WINDOWS_TOOLS:?}
tree=${FWU_SOURCE_DIR:?}

# shellcheck source=wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"

case $command in
signed)
    inspector=$(dirname "$exe")/VELKORAFWInspectTRVX208K.exe
    need_file "$exe"
    need_file "$inspector"
    pki=$work/$command.pki
    rm -rf "$pki"
    mkdir -p "$pki"
    {
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test CA" \
            -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
            -keyout "$pki/ca.key" -out "$pki/ca.pem" &&
            openssl req -newkey rsa:2048 -nodes -subj "/CN=Throwaway test code signing" \
                -keyout "$pki/signer.key" -out "$pki/signer.csr" &&
            printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$pki/signer.ext" &&
            openssl x509 -req -days 2 -in "$pki/signer.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
                -CAcreateserial -extfile "$pki/signer.ext" -out "$pki/signer.pem" &&
            printf 'throwaway pass phrase\n' >"$pki/password" &&
            openssl pkcs12 -export -inkey "$pki/signer.key" -in "$pki/signer.pem" \
                -certfile "$pki/ca.pem" -passout "file:$pki/password" -out "$pki/signer.p12"
    } >"$pki/log" 2>&1 || fail "the throwaway certificates: $(tail -n 5 "$pki/log")"
    unsigned=$(sha256sum "$exe" "$inspector")
    signed=$work/$command.signed
    rm -rf "$signed"
    sign=(bash "$tree/scripts/sign-release.sh" --pkcs12 "$pki/signer.p12" --password-file
        "$pki/password" --build "$(dirname "$(dirname "$exe")")" --out "$signed")

    code=0
    "${sign[@]}" >"$work/$command.out" 2>"$work/$command.err" || code=$?
    [ "$code" = 2 ] && grep -q '^sign-release.sh: no timestamp server' "$work/$command.err" ||
        fail "signing without a timestamp server was not refused: exit code $code, $(cat "$work/$command.err")"
    [ -z "$(ls -A "$signed" 2>/dev/null)" ] || fail "the refused signing left files: $(ls -A "$signed")"

    code=0
    "${sign[@]}" --no-timestamp --out "$(dirname "$exe")" >"$work/$command.out" 2>"$work/$command.err" || code=$?
    [ "$code" = 2 ] && grep -q '^sign-release.sh: --out .* holds .* of the build itself' "$work/$command.err" ||
        fail "an --out folder that holds the unsigned exes was not refused: exit code $code, $(cat "$work/$command.err")"
    [ "$(sha256sum "$exe" "$inspector")" = "$unsigned" ] || fail "the refused signing changed the unsigned exes"

    "${sign[@]}" --no-timestamp >"$work/$command.out" 2>"$work/$command.err" ||
        fail "the signing failed: $(cat "$work/$command.err")"
    for name in VELKORAFWUpdateTRVX208K.exe VELKORAFWInspectTRVX208K.exe; do
        osslsigncode verify -CAfile "$pki/ca.pem" -in "$signed/$name" >"$work/$command.verify" 2>&1 ||
            fail "$name: the signature does not verify: $(tail -n 5 "$work/$command.verify")"
    done
    [ "$(sha256sum "$exe" "$inspector")" = "$unsigned" ] || fail "signing changed the unsigned exes"

    # The signed updater runs under Wine as the unsigned one does.
    use_prefix
    run_tool
    normalise "$work/$command.out" >"$work/$command.unsigned"
    exe=$signed/VELKORAFWUpdateTRVX208K.exe
    run_tool
    [ "$exit_code" = 1 ] || fail "the signed exe on a bare prefix: exit code $exit_code, expected 1"
    normalise "$work/$command.out" | diff -u "$work/$command.unsigned" - ||
        fail "the signed exe prints otherwise than the unsigned one"
    echo "both exes signed and verified against the throwaway authority; unsigned exes unchanged; the signed exe runs"
    ;;

deploy)
    # The wrapper run by cmd, as Configuration Manager runs a program, from a package folder
    # that holds it and the exe, against the scenario's emulated machine; an ERRORLEVEL variable
    # in the environment must not hide the tool's code. The tool's output passes unchanged, and
    # the code is the tool's (fwsim's) mapped: 1602 to 3010, 4000 to 0, any other as it is.
    scenario=${2:?usage: release_test.sh deploy SCENARIO}
    json=${FWU_WINE_SCENARIOS:?}/$scenario.json
    wrapper=$tree/deploy/update-firmware.cmd
    need_file "$exe"
    need_file "$tools/fwu_exit_code.exe"
    [ -z "$(grep -v $'\r$' "$wrapper")" ] || fail "a line of the wrapper does not end in CRLF"
    command=deploy-$scenario
    package=$work/$command.package
    rm -rf "$package"
    mkdir -p "$package"
    cp "$wrapper" "$exe" "$package/"
    run_fwsim "$json"
    case $fwsim_code in
    1602) expected=3010 ;;
    4000) expected=0 ;;
    *) expected=$fwsim_code ;;
    esac
    use_prefix
    start_emulation "$json"
    ERRORLEVEL=4000 run_wine "$tools/fwu_exit_code.exe" 'C:\windows\system32\cmd.exe' /c \
        "$(winepath -w "$package/update-firmware.cmd" 2>/dev/null)" ||
        fail "the exit code helper failed: $(cat "$work/$command.err")"
    read_exit_code
    stop_emulation
    [ "$exit_code" = "$expected" ] || fail "the wrapper ended with $exit_code; the tool's $fwsim_code should give $expected"
    exit_code=$fwsim_code
    check_same_run "the wrapper on $scenario"
    echo "the wrapper passes the tool's output and gives $expected for its $fwsim_code"
    ;;

*)
    fail "unknown command $command"
    ;;
esac
