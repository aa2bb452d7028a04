# proftpd kinds: FTP with explicit and implicit TLS and checksum commands, and mod_sftp.
# Both log in virtual users from a file of their own, so no system account is needed beyond the owner.

proftpd_users()
{
    local uid gid hash
    uid=$(id -u "$ZT_USER")
    gid=$(id -g "$ZT_USER")
    hash=$(openssl passwd -6 "$ZT_PASSWORD")
    echo "$ZT_USER:$hash:$uid:$gid::$STATE/root:/bin/sh" >"$STATE/ftpd.passwd"
    echo "$ZT_USER:x:$gid:$ZT_USER" >"$STATE/ftpd.group"
    chmod 0600 "$STATE/ftpd.passwd"
}

# Settings both kinds share; DelayEngine and reverse look-ups off, or every log-in waits.
proftpd_common_config()
{
    cat <<CONF
ModulePath /usr/lib/proftpd
LoadModule mod_tls.c
LoadModule mod_digest.c
LoadModule mod_sftp.c
ServerType standalone
ServerName "Zentrava test"
DefaultAddress 127.0.0.1
SocketBindTight on
UseIPv6 off
Port $PORT
User nobody
Group nogroup
PidFile $STATE/proftpd.pid
ScoreboardFile $STATE/proftpd.scoreboard
DelayEngine off
DelayTable $STATE/proftpd.delay
SystemLog $STATE/proftpd.log
WtmpLog off
UseReverseDNS off
MaxInstances 100
<Global>
  AuthOrder mod_auth_file.c
  AuthUserFile $STATE/ftpd.passwd
  AuthGroupFile $STATE/ftpd.group
  RequireValidShell off
  UseFtpUsers off
  DefaultRoot ~
  Umask 022
  AllowOverwrite on
  AllowStoreRestart on
  AllowRetrieveRestart on
  TransferLog none
</Global>
CONF
}

proftpd_ftp_config()
{
    proftpd_common_config
    cat <<CONF
<Global>
  PassivePorts $PASV_FIRST $PASV_LAST
  DigestEngine on
  DigestAlgorithms all
  TLSEngine on
  TLSLog $STATE/tls.log
  TLSProtocol TLSv1.2 TLSv1.3
  TLSRSACertificateFile $STATE/cert.pem
  TLSRSACertificateKeyFile $STATE/key.pem
  TLSRequired off
  TLSVerifyClient off
  TLSRenegotiate none
</Global>
<VirtualHost 127.0.0.1>
  Port $TLS_PORT
  TLSOptions UseImplicitSSL
</VirtualHost>
CONF
}

proftpd_sftp_config()
{
    proftpd_common_config
    cat <<CONF
SFTPEngine on
SFTPLog $STATE/sftp.log
SFTPHostKey $STATE/ssh_host_ed25519_key
SFTPAuthMethods publickey password
SFTPAuthorizedUserKeys file:$STATE/authorized/%u
SFTPCompression delayed
CONF
}

start_proftpd()
{
    zt_require_test_user
    read -r PORT TLS_PORT <<<"$(zt_python ports 2)"
    read -r PASV_FIRST PASV_LAST <<<"$(zt_python range 20)"
    zt_make_user_root
    zt_make_certificate
    proftpd_users
    proftpd_ftp_config >"$STATE/proftpd.conf"
    zt_launch /usr/sbin/proftpd --nodaemon --config "$STATE/proftpd.conf"
    zt_await "$PORT" 220
    zt_await "$TLS_PORT" ""
    zt_out PORT "$PORT"
    zt_out TLS_PORT "$TLS_PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT "$STATE/root"
    zt_out WORKDIR /
    zt_out CERT "$STATE/cert.pem"
}

# mod_sftp matches keys in OpenSSH's one-line format only half the time (it finds the key, then fails the
# signed request), so they go in RFC 4716 form.
proftpd_authorize_keys()
{
    mkdir -p "$STATE/authorized"
    {
        ssh-keygen -e -f "$STATE/id_ed25519.pub"
        ssh-keygen -e -f "$STATE/id_rsa.pub"
    } >"$STATE/authorized/$ZT_USER"
}

start_proftpd_sftp()
{
    zt_require_test_user
    read -r PORT <<<"$(zt_python ports 1)"
    zt_make_user_root
    zt_make_host_key
    zt_make_client_keys
    proftpd_authorize_keys
    proftpd_users
    proftpd_sftp_config >"$STATE/proftpd.conf"
    zt_launch /usr/sbin/proftpd --nodaemon --config "$STATE/proftpd.conf"
    zt_await "$PORT" SSH-2.0
    zt_out PORT "$PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT "$STATE/root"
    zt_out WORKDIR /
    zt_out_ssh_keys
}
