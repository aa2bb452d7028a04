# proftpd-clientcert: FTP with explicit TLS required, and a client certificate required too, verified
# against the certificates in the file that $ZENTRAVA_CLIENT_CA names (the test makes them).

proftpd_clientcert_config()
{
    proftpd_common_config
    cat <<CONF
<Global>
  PassivePorts $PASV_FIRST $PASV_LAST
  TLSEngine on
  TLSLog $STATE/tls.log
  TLSProtocol TLSv1.2 TLSv1.3
  TLSRSACertificateFile $STATE/cert.pem
  TLSRSACertificateKeyFile $STATE/key.pem
  TLSCACertificateFile $STATE/client-ca.pem
  TLSRequired on
  TLSVerifyClient on
  TLSVerifyDepth 1
  TLSRenegotiate none
</Global>
CONF
}

start_proftpd_clientcert()
{
    zt_require_test_user
    [[ -s ${ZENTRAVA_CLIENT_CA:-} ]] || zt_die "proftpd-clientcert needs ZENTRAVA_CLIENT_CA: a file of trusted client certificates"
    cp "$ZENTRAVA_CLIENT_CA" "$STATE/client-ca.pem"
    read -r PORT <<<"$(zt_python ports 1)"
    read -r PASV_FIRST PASV_LAST <<<"$(zt_python range 20)"
    zt_make_user_root
    zt_make_certificate
    proftpd_users
    proftpd_clientcert_config >"$STATE/proftpd.conf"
    zt_launch /usr/sbin/proftpd --nodaemon --config "$STATE/proftpd.conf"
    zt_await "$PORT" 220
    zt_out PORT "$PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT "$STATE/root"
    zt_out WORKDIR /
    zt_out CERT "$STATE/cert.pem"
}
