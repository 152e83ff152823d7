#!/usr/bin/env bash
# The Debian packages: built from a copy of the tree with dpkg-buildpackage (debhelper's CMake
# build of the project's own install rules, Debian's compiler flags; any compiler warning fails),
# checked by lintian (nothing to report, informational and pedantic tags included), then
# installed on this machine, a host built against libzarnetcalc-dev with find_package and with
# pkg-config and run, the sample host and its manual page tried, and the packages purged again.
# Called by scripts/test.sh; prints one line per check.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing "${zc_debian_packages[@]}"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
packages=(libzarnetcalc1 libzarnetcalc-dev zarnetcalc-demo)
work=$(mktemp -d "${TMPDIR:-/tmp}/zarnetcalc-debian.XXXXXX")
cleanup() {
    $sudo dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the sources without build folders, as a source package holds them.
mkdir "$work/zarnetcalc-1.3.0"
tar --exclude='./build*' --exclude='./.git' -cf - . | tar -xf - -C "$work/zarnetcalc-1.3.0"
(cd "$work/zarnetcalc-1.3.0" && dpkg-buildpackage -b -uc -us -j"$(nproc)" >"$work/build.log" 2>&1) ||
    { tail -40 "$work/build.log"; exit 1; }
for p in "${packages[@]}"; do
    ls "$work/${p}_1.3.0_"*.deb >/dev/null
done
if grep -E "warning:" "$work/build.log"; then
    echo "the package build warned (above)"
    exit 1
fi
echo "built: ${packages[*]}, without a compiler warning"

lintian -I --pedantic --tag-display-limit 0 "$work"/zarnetcalc_1.3.0_*.changes 2>&1 |
    grep -v "running with root privileges" >"$work/lintian.log" || true
if [ -s "$work/lintian.log" ]; then
    cat "$work/lintian.log"
    echo "lintian -I --pedantic: tags (above)"
    exit 1
fi
echo "lintian -I --pedantic: nothing to report"

$sudo dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true
debs=()
for p in "${packages[@]}"; do
    debs+=("$work/${p}_1.3.0_$(dpkg --print-architecture).deb")
done
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${debs[@]}" >/dev/null
lib=$(dpkg -L libzarnetcalc1 | grep -E '^/usr/lib/[^/]+-linux-gnu/libzarnetcalc\.so\.1$')
echo "installed: $lib"
[ "$(pkg-config --variable=prefix zarnetcalc)" = /usr ] && ! pkg-config --cflags zarnetcalc | grep -q fPIC
echo "pkg-config: plain /usr paths, no -fPIC"

cmake -S tests/runtime/host -B "$work/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$work/host" -j2 >/dev/null
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_DIRS="$work/machine" XDG_CONFIG_HOME="$work/user"
"$work/host/host_linked" | grep -q "Result=0 Cancelled=0 ErrorOccurred=0"
"$work/host/host_by_name" | grep -q "Result=9"
echo "hosts built with find_package and pkg-config: ran"
/usr/bin/zarnetcalc-demo --keys "1 + 2 =" | grep -q "Result=3 Cancelled=False ErrorOccurred=False"
man -w zarnetcalc-demo >/dev/null
echo "zarnetcalc-demo and its manual page: there"

$sudo dpkg --purge "${packages[@]}" >/dev/null
for p in "${packages[@]}"; do
    ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed
done
[ ! -e "$lib" ] && [ ! -e /usr/bin/zarnetcalc-demo ] && [ ! -e /usr/include/zarnetcalc ]
echo "purged: nothing left"
