#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, but only those missing.
# Sourced by the other scripts; runs apt-get as root or through sudo.
set -euo pipefail

zc_packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev   # Qt 6 Core, Gui, Widgets, Test
    qt6-base-private-dev                        # tests/forms turns accessibility on as a screen reader does
    python3-pyatspi at-spi2-core dbus-bin dbus-daemon  # ... and reads it through AT-SPI
    libbenchmark-dev                            # bench/
    clang libclang-rt-14-dev                    # fuzz/ and the sanitizer build
    xvfb xauth fonts-dejavu-core                # screenshots and benchmarks on a real X server
    valgrind                                    # memory figures in bench/
)

# The Windows stage only (scripts/wine-test.sh): the MinGW-w64 cross compilers for 64-bit and
# 32-bit Windows, widl with the system interface definitions, Wine with its script engines, the
# installer package's tools, about 1.7 GB. (Never wine32: these machines cannot run 32-bit
# programs, and it breaks the 64-bit wine command.)
zc_windows_packages=(
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix mingw-w64-tools
    g++-mingw-w64-i686 g++-mingw-w64-i686-posix
    wine wine64 wine64-tools libwine-dev
    wixl msitools                               # the installer packages, built and read
    osslsigncode openssl                        # signed with a throw-away certificate
    xvfb xdotool
    python3 python3-pefile                      # the screenshot's pixels, the 32-bit DLL's file
)

# The Debian packages' build and checks only (scripts/debian.sh).
zc_debian_packages=(debhelper dpkg-dev fakeroot lintian man-db)

zc_install_missing() {
    local missing=()
    for p in "${zc_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
