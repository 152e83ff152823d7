#!/usr/bin/env bash
# The Windows stage: cross-builds zarnetcalc.dll and the programs of tests/win32 with MinGW-w64
# (and, meanwhile, the 32-bit DLL and the installer package), then, in a fresh 64-bit Wine prefix
# on a private Xvfb display, registers the DLL with regsvr32, runs every check of tests/win32
# (output compared with its .expected file), unregisters, checks the ways the component is
# installed, and ends what it started. Called by scripts/test.sh after the Linux suite; runs
# alone as well.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing "${zc_windows_packages[@]}"

build=${WIN_BUILD_DIR:-build-win}
build_x86=${WIN32_BUILD_DIR:-build-win32}
started=$SECONDS
# Built with README's commands (Release unless told otherwise), signed as a release is, but with a
# throw-away self-signed certificate made here once for the build tree.
signer=$PWD/$build/test-signer
if [ ! -s "$signer/cert.pem" ]; then
    mkdir -p "$signer"
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=ZarnetCalc test signer" \
        -addext extendedKeyUsage=codeSigning -keyout "$signer/key.pem" -out "$signer/cert.pem" \
        >/dev/null 2>&1
fi
signing=(-DZARNETCALC_SIGN_CERT="$signer/cert.pem" -DZARNETCALC_SIGN_KEY="$signer/key.pem")
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DZARNETCALC_X86_BUILD_DIR="$PWD/$build_x86" "${signing[@]}" >/dev/null
cmake --build "$build" --parallel 2

tests=$PWD/tests/win32
bin=$PWD/$build/tests/win32
work=$(mktemp -d "${TMPDIR:-/tmp}/zarnetcalc-wine.XXXXXX")
x86_pid=""
# The library is registered from a folder whose name is not plain ASCII.
dll="$work/Zärnet é/zarnetcalc.dll"

source scripts/wine-prefix.sh
cleanup() {
    if [ -n "$x86_pid" ]; then
        kill -- "-$x86_pid" 2>/dev/null || true
        wait "$x86_pid" 2>/dev/null || true
    fi
    wine_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "wine-test.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
mkdir -p "$(dirname "$dll")"
cp "$build/component/win32/zarnetcalc.dll" "$dll"

# The 32-bit DLL (library only, in Release) and then the installer package, built at low
# priority while Wine starts and the first checks run: they are needed only at the end.
set -m
(
    cmake -S . -B "$build_x86" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
        -DBUILD_TESTING=OFF "${signing[@]}" &&
        nice -n 19 cmake --build "$build_x86" --target ZarnetCalc --parallel 2 &&
        nice -n 19 cmake --build "$build" --target msi
) >"$work/x86-build.log" 2>&1 &
x86_pid=$!
set +m

wine_start "$work"

failures=0
pass() { echo "PASS $1"; }
fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}

# check NAME EXPECTED-FILE COMMAND...: runs the command (a program bounded in time, or a
# function of this script), compares what it printed, line ends normalised, with the file.
check() {
    local name=$1 expected=$2
    shift 2
    local status=0
    if declare -F "$1" >/dev/null; then
        "$@" >"$work/$name.raw" 2>"$work/$name.err" || status=$?
    else
        timeout 60 "$@" >"$work/$name.raw" 2>"$work/$name.err" || status=$?
    fi
    tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
    if [ "$status" -ne 0 ]; then
        fail "$name: exit status $status"
        cat "$work/$name.out" "$work/$name.err"
    elif ! diff -u "$expected" "$work/$name.out"; then
        fail "$name: output differs from $(basename "$expected") (above)"
    else
        pass "$name"
    fi
}

# The classes stores of machine and user, as files NAME.machine and NAME.user.
snapshot() {
    timeout 60 wine reg export 'HKLM\Software\Classes' "$(winpath "$1.machine")" /y >/dev/null
    timeout 60 wine reg export 'HKCU\Software\Classes' "$(winpath "$1.user")" /y >/dev/null
}
# A store's text without Windows Installer's own bookkeeping (Software\Classes\Installer), which
# stays once a package is removed.
store_text() {
    iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r' |
        awk '/^\[/ { skip = index($0, "\\Software\\Classes\\Installer") > 0 } !skip'
}
# same_stores WHAT NAME: both stores of snapshot NAME hold what those of "before" held.
same_stores() {
    local store differ=0
    for store in machine user; do
        if ! diff <(store_text "$work/before.$store") <(store_text "$work/$2.$store") \
            >"$work/$2.$store.diff"; then
            differ=1
        fi
    done
    if [ "$differ" -eq 0 ]; then
        pass "$1 left the classes stores as they were"
        return
    fi
    fail "$1 changed the classes stores:"
    head -40 "$work/$2.machine.diff" "$work/$2.user.diff"
}

clsid='{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}'
registered_in() {
    if timeout 60 wine reg query "$1\\Software\\Classes\\CLSID\\$clsid" >/dev/null 2>&1; then
        echo "  $1: registered"
    else
        echo "  $1: not registered"
    fi
}
# run_regsvr32 LABEL ARGUMENT...: prints the label and regsvr32's exit status.
run_regsvr32() {
    local label=$1 status=0
    shift
    timeout 60 wine regsvr32 /s "$@" >/dev/null 2>&1 || status=$?
    echo "$label: exit $status"
}
# Closes a classes store for writing: the keys registration writes below turn read-only.
close_store() {
    local key
    for key in 'Software\Classes' 'Software\Classes\CLSID' 'Software\Classes\TypeLib' \
        'Software\Classes\Interface'; do
        timeout 60 wine "$bin/zc-protect-key.exe" "$1" "$key" 'D:P(A;;KR;;;WD)'
    done
}
# Registration falls back to the user's classes when the machine's are closed, and fails
# cleanly when both are.
fallback() {
    close_store HKLM
    run_regsvr32 "regsvr32 zarnetcalc.dll" "$(winpath "$dll")"
    registered_in HKLM
    registered_in HKCU
    run_regsvr32 "regsvr32 /u zarnetcalc.dll" /u "$(winpath "$dll")"
    registered_in HKCU
    close_store HKCU
    run_regsvr32 "regsvr32 zarnetcalc.dll, both stores closed" "$(winpath "$dll")"
    registered_in HKLM
    registered_in HKCU
}

source scripts/wine-install.sh

echo "== registering"
check "the DLL's file" "$tests/dll-x64.expected" dll_facts "$dll"
timeout 60 wine regsvr32 /s "$(winpath "$bin/zctestform.dll")"
# Another program's values named like the component's keys, and in the machine's store another
# version of the type library, which unregistering must keep (in the user's store the type
# library's key must go with its only version). The user's store, which a fresh prefix lacks,
# gets the containers the machine's has: registration creates them when they are missing and,
# like every registration, leaves them on removal.
libid='{55905F67-BCDA-4365-BBE2-4A477DADDF06}'
timeout 60 wine reg add 'HKLM\Software\Classes' /v ZarnetCalc.clsZarnetCalc /d other /f >/dev/null
timeout 60 wine reg add 'HKLM\Software\Classes\CLSID' /v "$clsid" /d other /f >/dev/null
timeout 60 wine reg add 'HKLM\Software\Classes\TypeLib\'"$libid"'\2.0' /ve /d other /f >/dev/null
# The 32-bit view's containers get a value each too: a fresh prefix has them empty, where a real
# machine's hold other programs' classes, and the installer removes a key it leaves empty.
for key in CLSID Interface; do
    timeout 60 wine reg add 'HKLM\Software\Classes\'"$key" /v "$clsid" /d other /f /reg:32 >/dev/null
done
for key in CLSID Interface TypeLib; do
    timeout 60 wine reg add 'HKCU\Software\Classes\'"$key" /f >/dev/null
done
# Not registered yet: creation fails. (This first script run also lets the script host register
# its own type library before the snapshot.)
check not-registered "$tests/unregistered.expected" \
    wine cscript //nologo "$(winpath "$tests/unregistered.vbs")"
snapshot "$work/before"
timeout 60 wine regsvr32 /s "$(winpath "$dll")"

echo "== checks"
check vbscript "$tests/calc.vbs.expected" wine cscript //nologo "$(winpath "$tests/calc.vbs")"
check jscript "$tests/calc.js.expected" wine cscript //nologo "$(winpath "$tests/calc.js")"
check client "$tests/client.expected" wine "$bin/zc-client.exe"
check "client built against 1.3.0" "$tests/client-1.3.0.expected" \
    wine "$bin/zc-client-1.3.0.exe" --as-released
source scripts/wine-dialogs.sh
dialog_checks

echo "== unregistering"
timeout 60 wine regsvr32 /u /s "$(winpath "$dll")"
check unregistered "$tests/unregistered.expected" \
    wine cscript //nologo "$(winpath "$tests/unregistered.vbs")"
check "registration-free" "$tests/registration-free.expected" registration_free
snapshot "$work/after"
same_stores "register then unregister, and use without registration," after

echo "== GetKeyValue on the real registry"
# The About box's two lookups, written with reg add, the second's key readable only; beside them
# values of other kinds and lengths, and a key whose values no one may read.
keyvalue() {
    local msinfo='SOFTWARE\Microsoft\Shared Tools\MSINFO'
    local location='SOFTWARE\Microsoft\Shared Tools Location'
    local test='SOFTWARE\ZarnetCalcTest'
    local long
    long=$(printf 'x%.0s' $(seq 2000))
    reg_add() { timeout 60 wine reg add "HKLM\\$1" /v "$2" /t "$3" /d "$4" /f >/dev/null; }
    reg_add "$msinfo" PATH REG_SZ 'C:\Program Files\Common Files\Microsoft Shared\MSInfo\msinfo32.exe'
    reg_add "$location" MSINFO REG_SZ 'C:\Program Files\Common Files\Microsoft Shared\MSInfo'
    reg_add "$test" Number REG_DWORD 1234
    reg_add "$test" Empty REG_SZ ''
    reg_add "$test" Long REG_SZ "$long"
    reg_add "$test" Binary REG_BINARY 414243
    reg_add "$test" Expand REG_EXPAND_SZ '%SystemRoot%\system32'
    reg_add "$test\\Secret" Value REG_SZ 'not for reading'
    timeout 60 wine "$bin/zc-protect-key.exe" HKLM "$location" 'D:P(A;;KR;;;WD)'
    timeout 60 wine "$bin/zc-protect-key.exe" HKLM "$test\\Secret" 'D:P(D;;0x1;;;WD)(A;;KA;;;WD)'
    timeout 60 wine "$bin/zc-keyvalue.exe" \
        "$msinfo" PATH "$location" MSINFO "$msinfo" Missing "$test\\Nowhere" Value \
        "$test" Number "$test" Empty "$test" Long "$test" Binary "$test" Expand \
        "$test\\Secret" Value
}
check keyvalue "$tests/keyvalue.expected" keyvalue

echo "== the 64-bit and 32-bit DLLs side by side"
check "side by side" "$tests/side-by-side.expected" side_by_side
snapshot "$work/side-by-side"
same_stores "registering and unregistering side by side" side-by-side

echo "== the 32-bit DLL and the installer package"
x86_status=0
wait "$x86_pid" || x86_status=$?
x86_pid=""
if [ "$x86_status" -ne 0 ]; then
    fail "building the 32-bit DLL and the installer package: exit status $x86_status"
    tail -30 "$work/x86-build.log"
else
    check "the 32-bit DLL's file (built, not run)" "$tests/dll-x86.expected" \
        dll_facts "$build_x86/component/win32/zarnetcalc.dll"
    check "installer package" "$tests/msi.expected" msi_round_trip
    snapshot "$work/msi"
    same_stores "installing and uninstalling the package" msi
    check "per-user installer package" "$tests/msi-peruser.expected" msi_round_trip_per_user
    snapshot "$work/msi-peruser"
    same_stores "installing and uninstalling the per-user package" msi-peruser
    check "what the installer packages pack" "$tests/packed.expected" packed_dlls
    check "signatures" "$tests/signatures.expected" signatures
fi

# Last: the stores stay closed for writing to the end of the stage.
echo "== registering with the machine's classes closed"
check fallback "$tests/fallback.expected" fallback
snapshot "$work/closed"
same_stores "registering into the user's classes and unregistering" closed

echo "== Windows stage: $failures failed, $((SECONDS - started)) s"
if [ "$failures" -ne 0 ]; then
    exit 1
fi
