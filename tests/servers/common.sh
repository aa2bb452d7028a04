# Shared by the test-server scripts: fixed test credentials and small helpers.

readonly ZT_USER=zentrava
readonly ZT_PASSWORD=zentrava-test-pw
readonly ZT_KEY_PASSPHRASE=zentrava-key-pp
readonly ZT_CACHE=/var/cache/zentrava-test
readonly ZT_VSFTPD=$ZT_CACHE/vsftpd/usr/sbin/vsftpd
# Debian's interpreter: the one first on PATH may lack Debian's python3-* packages.
readonly ZT_PYTHON=/usr/bin/python3
ZT_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readonly ZT_HERE

zt_die()
{
    echo "$*" >&2
    exit 1
}

# The calling script sets STATE (the instance's folder) and LOG (the server's log file).

zt_python()
{
    "$ZT_PYTHON" "$ZT_HERE/netprobe.py" "$@"
}

# Starts the server in a session of its own, so stop.sh can end it with everything it forked.
# Its standard input is the log too: vsftpd writes its start-up errors there.
zt_launch()
{
    setsid "$@" 0<>"$LOG" 1>&0 2>&0 &
    SERVER_PID=$!
    echo "$SERVER_PID" >"$STATE/server.pid"
    zt_start_time "$SERVER_PID" >"$STATE/server.start"
}

# The kernel's start time tells a reused PID from the process we started.
zt_start_time()
{
    local stat fields
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 0
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    echo "${fields[19]}"
}

zt_alive()
{
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z && ${stat:0:1} != X ]]
}

# A path for stop.sh to remove (files a server needs outside STATE).
zt_remove_on_stop()
{
    echo "$1" >>"$STATE/cleanup"
}

# ZT_CERT_NAME and ZT_CERT_NAMES, when set, replace the common name and the subject alternative names.
zt_make_certificate()
{
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=${ZT_CERT_NAME:-localhost}" \
        -addext "subjectAltName=${ZT_CERT_NAMES:-IP:127.0.0.1,DNS:localhost}" \
        -keyout "$STATE/key.pem" -out "$STATE/cert.pem" 2>/dev/null
    chmod 0600 "$STATE/key.pem"
}

# Client keys for public-key log-in: plain ed25519 and RSA in OpenSSH's format, and copies protected by a
# pass phrase (the RSA one in the traditional PEM format).
zt_make_client_keys()
{
    rm -f "$STATE"/id_*
    ssh-keygen -q -t ed25519 -N '' -C zentrava-test -f "$STATE/id_ed25519"
    ssh-keygen -q -t rsa -b 3072 -N '' -C zentrava-test -f "$STATE/id_rsa"
    cp "$STATE/id_ed25519" "$STATE/id_ed25519_passphrase"
    ssh-keygen -q -p -a 4 -N "$ZT_KEY_PASSPHRASE" -f "$STATE/id_ed25519_passphrase" >/dev/null
    cp "$STATE/id_rsa" "$STATE/id_rsa_pem_passphrase"
    ssh-keygen -q -p -m PEM -N "$ZT_KEY_PASSPHRASE" -f "$STATE/id_rsa_pem_passphrase" >/dev/null
    cat "$STATE/id_ed25519.pub" "$STATE/id_rsa.pub" >"$STATE/authorized_keys"
}

zt_make_host_key()
{
    rm -f "$STATE"/ssh_host_ed25519_key*
    ssh-keygen -q -t ed25519 -N '' -C zentrava-test-host -f "$STATE/ssh_host_ed25519_key"
}

# A folder the test user owns, for its files.
zt_make_user_root()
{
    mkdir -p "$STATE/root"
    chown "$ZT_USER:$ZT_USER" "$STATE/root"
    chmod 0755 "$STATE/root"
    runuser -u "$ZT_USER" -- test -w "$STATE/root" ||
        zt_die "user $ZT_USER cannot write $STATE/root (is every parent folder searchable?)"
}

zt_require_test_user()
{
    id "$ZT_USER" >/dev/null 2>&1 || zt_die "test user $ZT_USER is missing: run tests/servers/install.sh as root"
}

zt_out_ssh_keys()
{
    zt_out HOST_KEY "$STATE/ssh_host_ed25519_key.pub"
    zt_out KEY_ED25519 "$STATE/id_ed25519"
    zt_out KEY_RSA "$STATE/id_rsa"
    zt_out KEY_ED25519_PASSPHRASE "$STATE/id_ed25519_passphrase"
    zt_out KEY_RSA_PEM_PASSPHRASE "$STATE/id_rsa_pem_passphrase"
    zt_out KEY_PASSPHRASE "$ZT_KEY_PASSPHRASE"
}
