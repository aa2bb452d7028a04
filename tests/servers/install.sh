#!/usr/bin/env bash
# Installs the servers and proxies that the real-server tests start, when they are missing.
# Run as root; quiet and idempotent. No server is left running as a system service.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"

packages=(proftpd-basic python3 python3-pyftpdlib python3-openssl openssh-server openssh-client openssl
    tinyproxy passwd
    # vsftpd is unpacked beside proftpd (the two conflict), so its libraries come on their own.
    libcap2 libpam0g libpam-modules libssl3 libwrap0)
readonly policy=/usr/sbin/policy-rc.d
readonly saved_policy=/usr/sbin/policy-rc.d.zentrava-saved
apt_options=(-qq -o DPkg::Lock::Timeout=300)
updated=no

is_installed()
{
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Runs a command silently; shows what it said only when it fails.
quietly()
{
    local output
    if ! output=$("$@" 2>&1); then
        echo "$output" >&2
        return 1
    fi
}

update_once()
{
    if [[ $updated == no ]]; then
        quietly apt-get "${apt_options[@]}" update
        updated=yes
    fi
}

# Package scripts would start each server as a system service; the tests start their own copies.
deny_service_starts()
{
    if [[ -e $policy ]]; then
        mv "$policy" "$saved_policy"
    fi
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod 0755 "$policy"
    trap restore_service_policy EXIT
}

restore_service_policy()
{
    rm -f "$policy"
    if [[ -e $saved_policy ]]; then
        mv "$saved_policy" "$policy"
    fi
}

socks_package()
{
    if is_installed microsocks || is_installed dante-server; then
        return
    fi
    update_once
    if apt-cache show microsocks >/dev/null 2>&1; then
        echo microsocks
    else
        echo dante-server
    fi
}

install_packages()
{
    local missing=() p socks
    for p in "${packages[@]}"; do
        is_installed "$p" || missing+=("$p")
    done
    socks=$(socks_package)
    [[ -n $socks ]] && missing+=("$socks")
    if ((${#missing[@]} == 0)); then
        return
    fi
    update_once
    deny_service_starts
    DEBIAN_FRONTEND=noninteractive quietly apt-get "${apt_options[@]}" install -y --no-install-recommends \
        "${missing[@]}"
}

unpack_vsftpd()
{
    if [[ -x $ZT_VSFTPD ]]; then
        return
    fi
    update_once
    mkdir -p "$ZT_CACHE"
    rm -rf "$ZT_CACHE/vsftpd" "$ZT_CACHE"/vsftpd_*.deb
    (cd "$ZT_CACHE" && quietly apt-get "${apt_options[@]}" -o APT::Sandbox::User=root download vsftpd)
    dpkg-deb -x "$ZT_CACHE"/vsftpd_*.deb "$ZT_CACHE/vsftpd"
}

install_vsftpd_pam()
{
    if [[ ! -e /etc/pam.d/vsftpd ]]; then
        cp "$ZT_CACHE/vsftpd/etc/pam.d/vsftpd" /etc/pam.d/vsftpd
    fi
}

# vsftpd logs in system users and sshd runs their shell, so the test user is a real account.
create_test_user()
{
    if ! id "$ZT_USER" >/dev/null 2>&1; then
        useradd --create-home --shell /bin/bash "$ZT_USER"
        echo "$ZT_USER:$ZT_PASSWORD" | chpasswd
    fi
}

[[ $(id -u) -eq 0 ]] || zt_die "install.sh must run as root"
install_packages
unpack_vsftpd
install_vsftpd_pam
create_test_user
