# Proxies: microsocks (or dante) for SOCKS5 and tinyproxy for HTTP CONNECT to any port, each with a
# variant that demands the test user's name and password.

start_socks5()
{
    read -r PORT <<<"$(zt_python ports 1)"
    socks_launch "$@"
    zt_await "$PORT" ""
    zt_out PORT "$PORT"
}

start_socks5_auth()
{
    start_socks5 auth
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
}

socks_launch()
{
    local auth=()
    if [[ -x /usr/bin/microsocks ]]; then
        [[ ${1:-} == auth ]] && auth=(-u "$ZT_USER" -P "$ZT_PASSWORD")
        zt_launch /usr/bin/microsocks -i 127.0.0.1 -p "$PORT" "${auth[@]}"
    else
        [[ ${1:-} == auth ]] && zt_require_test_user
        dante_config "${1:-}" >"$STATE/danted.conf"
        zt_launch /usr/sbin/danted -f "$STATE/danted.conf" -p "$STATE/danted.pid"
    fi
}

dante_config()
{
    local method=none
    [[ $1 == auth ]] && method=username
    cat <<CONF
logoutput: $LOG
internal: 127.0.0.1 port = $PORT
external: 127.0.0.1
socksmethod: $method
user.privileged: root
user.unprivileged: nobody
client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }
socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 }
CONF
}

tinyproxy_config()
{
    cat <<CONF
User nobody
Group nogroup
Port $PORT
Listen 127.0.0.1
Timeout 600
MaxClients 100
LogLevel Info
DisableViaHeader Yes
Allow 127.0.0.1
CONF
    # Without a ConnectPort line CONNECT may reach any port.
    if [[ ${1:-} == auth ]]; then
        echo "BasicAuth $ZT_USER $ZT_PASSWORD"
    fi
}

start_httpproxy()
{
    read -r PORT <<<"$(zt_python ports 1)"
    tinyproxy_config "$@" >"$STATE/tinyproxy.conf"
    zt_launch /usr/bin/tinyproxy -d -c "$STATE/tinyproxy.conf"
    zt_await "$PORT" ""
    zt_out PORT "$PORT"
}

start_httpproxy_auth()
{
    start_httpproxy auth
    zt_out USER "$ZT_USER"
    zt_out PASSWORD "$ZT_PASSWORD"
}
