# vsftpd: a system user over explicit TLS that is forced on log-in and data, with TLS session reuse
# required on data connections (its default).

vsftpd_config()
{
    cat <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$PORT
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
chmod_enable=YES
chroot_local_user=YES
allow_writeable_chroot=YES
local_root=$STATE/root
secure_chroot_dir=$STATE/empty
pam_service_name=vsftpd
userlist_enable=NO
tcp_wrappers=NO
seccomp_sandbox=NO
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$PASV_FIRST
pasv_max_port=$PASV_LAST
xferlog_enable=YES
vsftpd_log_file=$STATE/vsftpd.log
ssl_enable=YES
rsa_cert_file=$STATE/cert.pem
rsa_private_key_file=$STATE/key.pem
ssl_ciphers=HIGH:!aNULL
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
CONF
}

start_vsftpd()
{
    zt_require_test_user
    [[ -x $ZT_VSFTPD ]] || zt_die "$ZT_VSFTPD is missing: run tests/servers/install.sh as root"
    read -r PORT <<<"$(zt_python ports 1)"
    read -r PASV_FIRST PASV_LAST <<<"$(zt_python range 20)"
    zt_make_user_root
    install -d -m 0755 "$STATE/empty"
    zt_make_certificate
    vsftpd_config >"$STATE/vsftpd.conf"
    zt_launch "$ZT_VSFTPD" "$STATE/vsftpd.conf"
    zt_await "$PORT" 220
    zt_out PORT "$PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT "$STATE/root"
    zt_out WORKDIR /
    zt_out CERT "$STATE/cert.pem"
}
