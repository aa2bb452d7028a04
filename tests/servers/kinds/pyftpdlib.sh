# pyftpdlib: plain FTP with MLSD, MLST and MFMT, for a user that may write everything.

start_pyftpdlib()
{
    read -r PORT <<<"$(zt_python ports 1)"
    read -r PASV_FIRST PASV_LAST <<<"$(zt_python range 20)"
    mkdir -p "$STATE/root"
    zt_launch "$ZT_PYTHON" -m pyftpdlib --interface=127.0.0.1 --port="$PORT" --write \
        --directory="$STATE/root" --username="$ZT_USER" --password="$ZT_PASSWORD" \
        --range="$PASV_FIRST-$PASV_LAST"
    zt_await "$PORT" 220
    zt_out PORT "$PORT"
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
    zt_out ROOT "$STATE/root"
    zt_out WORKDIR /
}
