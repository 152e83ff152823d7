#!/usr/bin/env bash
# The Windows stage: cross-builds zarnetcalc.dll and the programs of tests/win32 with MinGW-w64,
# then, in a fresh 64-bit Wine prefix on a private Xvfb display, registers the DLL with regsvr32,
# runs every check of tests/win32 (output compared with its .expected file), unregisters, and
# ends what it started. Called by scripts/test.sh after the Linux suite; runs alone as well.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing "${zc_windows_packages[@]}"

build=${WIN_BUILD_DIR:-build-win}
started=$SECONDS
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --parallel 2

tests=$PWD/tests/win32
bin=$PWD/$build/tests/win32
dll=$PWD/$build/component/win32/zarnetcalc.dll
work=$(mktemp -d "${TMPDIR:-/tmp}/zarnetcalc-wine.XXXXXX")
xvfb_pid=""

cleanup() {
    if [ -d "$work/prefix" ]; then
        # Ends this prefix's wineserver and every Wine process it serves, then waits for it.
        WINEPREFIX=$work/prefix timeout 20 wineserver -k 2>/dev/null || true
        WINEPREFIX=$work/prefix timeout 20 wineserver -w 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "wine-test.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR

# A display of our own for every Wine process (one wineserver needs one DISPLAY throughout);
# Xvfb picks a free number and writes it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(cat "$work/display")"

export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "== a fresh Wine prefix (display $DISPLAY)"
timeout 180 wine wineboot -i >/dev/null 2>&1

# A Linux path as Wine sees it through drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failures=0
# check NAME EXPECTED-FILE COMMAND...: runs the command (bounded), compares what it printed,
# line ends normalised, with the expected file.
check() {
    local name=$1 expected=$2
    shift 2
    local status=0
    timeout 60 "$@" >"$work/$name.raw" 2>"$work/$name.err" || status=$?
    tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
    if [ "$status" -ne 0 ]; then
        echo "FAIL $name: exit status $status"
        cat "$work/$name.out" "$work/$name.err"
        failures=$((failures + 1))
    elif ! diff -u "$expected" "$work/$name.out"; then
        echo "FAIL $name: output differs from $(basename "$expected") (above)"
        failures=$((failures + 1))
    else
        echo "PASS $name"
    fi
}

# The classes stores of machine and user, as text files NAME.machine and NAME.user. A fresh
# prefix has no user store yet: it is made first, so that both can be compared.
timeout 60 wine reg add 'HKCU\Software\Classes' /f >/dev/null
snapshot() {
    timeout 60 wine reg export 'HKLM\Software\Classes' "$(winpath "$1.machine")" /y >/dev/null
    timeout 60 wine reg export 'HKCU\Software\Classes' "$(winpath "$1.user")" /y >/dev/null
}

echo "== registering"
timeout 60 wine regsvr32 /s "$(winpath "$bin/zctestform.dll")"
# Another program's values named like the component's keys, which unregistering must keep.
clsid='{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}'
timeout 60 wine reg add 'HKLM\Software\Classes' /v ZarnetCalc.clsZarnetCalc /d other /f >/dev/null
timeout 60 wine reg add 'HKLM\Software\Classes\CLSID' /v "$clsid" /d other /f >/dev/null
# Not registered yet: creation fails. (The script host also registers its own type library on
# first use, before the snapshot.)
check not-registered "$tests/unregistered.expected" \
    wine cscript //nologo "$(winpath "$tests/unregistered.vbs")"
snapshot "$work/before"
timeout 60 wine regsvr32 /s "$(winpath "$dll")"

echo "== checks"
check vbscript "$tests/calc.vbs.expected" wine cscript //nologo "$(winpath "$tests/calc.vbs")"
check jscript "$tests/calc.js.expected" wine cscript //nologo "$(winpath "$tests/calc.js")"
check client "$tests/client.expected" wine "$bin/zc-client.exe"

echo "== unregistering"
timeout 60 wine regsvr32 /u /s "$(winpath "$dll")"
check unregistered "$tests/unregistered.expected" \
    wine cscript //nologo "$(winpath "$tests/unregistered.vbs")"
snapshot "$work/after"
if cmp -s "$work/before.machine" "$work/after.machine" && cmp -s "$work/before.user" "$work/after.user"
then
    echo "PASS registry: register then unregister left the classes stores as they were"
else
    echo "FAIL registry: the classes stores changed:"
    for store in machine user; do
        diff <(iconv -f UTF-16 -t UTF-8 "$work/before.$store") \
            <(iconv -f UTF-16 -t UTF-8 "$work/after.$store") | head -40 || true
    done
    failures=$((failures + 1))
fi

echo "== Windows stage: $failures failed, $((SECONDS - started)) s"
if [ "$failures" -ne 0 ]; then
    exit 1
fi
