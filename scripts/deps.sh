#!/usr/bin/env bash
# Installs the Debian packages a build (and, with --test, the test run) needs, when they are missing.
set -euo pipefail

build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev qt6-translations-l10n
    qt6-tools-dev qt6-l10n-tools fonts-noto-cjk libssl-dev libssh-dev libssh2-1-dev libzip-dev libgcab-dev zlib1g-dev
    libxcb1-dev qtkeychain-qt6-dev)
test_packages=(xvfb openssl zip unzip cabextract time curl gnome-keyring)
# The translation check runs lupdate from a Python script.
test_packages+=(python3)
# Man pages and the Debian package (CPack finds the programs for dpkg-shlibdeps with file).
build_packages+=(help2man dpkg-dev file)
# The after-queue tests run a private D-Bus daemon.
test_packages+=(dbus-daemon)
# The package test installs the package into a fresh Debian root and validates its desktop files.
test_packages+=(debootstrap desktop-file-utils appstream)
# Only the benchmarks under bench/ use lftp; no test needs it.
test_packages+=(lftp)

wanted=("${build_packages[@]}")
if [[ "${1:-}" == "--test" ]]; then
    wanted+=("${test_packages[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if (( ${#missing[@]} )); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "Missing packages: ${missing[*]}; run this as root or install them with apt-get." >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The real servers the tests start on loopback.
if [[ "${1:-}" == "--test" ]]; then
    bash "$(dirname "$0")/../tests/servers/install.sh"
fi
