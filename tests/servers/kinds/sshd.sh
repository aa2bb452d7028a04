# OpenSSH sshd: SFTP through internal-sftp, and exec channels (md5sum, sha1sum) through the test user's
# real shell. The user is not chrooted, so remote paths are the disk's own paths. Every start makes a new
# host key; ZT_SSHD_PORT, when set, is the port to listen on (a restart on a port that clients already
# know, to change the host key under them).

sshd_config()
{
    cat <<CONF
Port $PORT
ListenAddress 127.0.0.1
HostKey $STATE/ssh_host_ed25519_key
PidFile $STATE/sshd.pid
AllowUsers $ZT_USER
PermitRootLogin no
PasswordAuthentication yes
PubkeyAuthentication yes
KbdInteractiveAuthentication no
UsePAM no
StrictModes yes
AuthorizedKeysFile $AUTHORIZED_KEYS
UseDNS no
PrintMotd no
MaxStartups 100
MaxSessions 20
LogLevel VERBOSE
Subsystem sftp internal-sftp -d $STATE/root
CONF
}

# StrictModes refuses key files below a world-writable folder such as /tmp, so the keys go to the
# user's own ~/.ssh, in a file of this instance.
sshd_authorize_keys()
{
    local home
    home=$(getent passwd "$ZT_USER" | cut -d: -f6)
    install -d -m 0700 -o "$ZT_USER" -g "$ZT_USER" "$home/.ssh"
    AUTHORIZED_KEYS=$home/.ssh/authorized_keys.zentrava-test-$PORT
    install -m 0600 -o "$ZT_USER" -g "$ZT_USER" "$STATE/authorized_keys" "$AUTHORIZED_KEYS"
    zt_remove_on_stop "$AUTHORIZED_KEYS"
}

start_sshd()
{
    zt_require_test_user
    if [[ -n ${ZT_SSHD_PORT:-} ]]; then
        [[ $ZT_SSHD_PORT =~ ^[0-9]+$ ]] || zt_die "ZT_SSHD_PORT is not a port number: $ZT_SSHD_PORT"
        PORT=$ZT_SSHD_PORT
    else
        read -r PORT <<<"$(zt_python ports 1)"
    fi
    zt_make_user_root
    zt_make_host_key
    zt_make_client_keys
    sshd_authorize_keys
    sshd_config >"$STATE/sshd_config"
    install -d -m 0755 /run/sshd
    zt_launch /usr/sbin/sshd -D -f "$STATE/sshd_config" -E "$LOG"
    zt_await "$PORT" SSH-2.0
    zt_out PORT "$PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT /
    zt_out WORKDIR "$STATE/root"
    zt_out AUTHORIZED_KEYS "$AUTHORIZED_KEYS"
    zt_out_ssh_keys
}
