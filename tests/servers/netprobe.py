"""Loopback helpers for the test-server scripts.

ports N                 print N distinct free TCP ports on 127.0.0.1
range N                 print "FIRST LAST" of N consecutive free ports outside the ephemeral range
wait PORT PID PREFIX S  wait up to S seconds until 127.0.0.1:PORT accepts and, when PREFIX is not
                        empty, greets with a line starting with PREFIX; fail early when PID dies
"""
import random
import socket
import sys
import time

HOST = "127.0.0.1"


def free_ports(count):
    sockets = []
    try:
        for _ in range(count):
            s = socket.socket()
            s.bind((HOST, 0))
            sockets.append(s)
        return [s.getsockname()[1] for s in sockets]
    finally:
        for s in sockets:
            s.close()


def is_free(port):
    with socket.socket() as s:
        try:
            s.bind((HOST, port))
            return True
        except OSError:
            return False


def free_range(count):
    # Below the kernel's ephemeral range, so ports picked by bind(0) elsewhere never land in it.
    for _ in range(200):
        first = random.randrange(20000, 32000 - count)
        if all(is_free(p) for p in range(first, first + count)):
            return first, first + count - 1
    raise SystemExit("no free passive port range found")


def process_alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
        return state not in ("Z", "X")
    except OSError:
        return False


def greets(port, prefix):
    with socket.create_connection((HOST, port), timeout=1) as s:
        if not prefix:
            return True
        data = b""
        while b"\n" not in data and len(data) < 4096:
            chunk = s.recv(4096)
            if not chunk:
                break
            data += chunk
        return data.startswith(prefix.encode())


def wait(port, pid, prefix, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not process_alive(pid):
            raise SystemExit(f"server process {pid} exited during start-up")
        try:
            if greets(port, prefix):
                return
        except OSError:
            pass
        time.sleep(0.05)
    raise SystemExit(f"server did not answer on {HOST}:{port} within {seconds} s")


def main(argv):
    if argv[:1] == ["ports"] and len(argv) == 2:
        print(" ".join(map(str, free_ports(int(argv[1])))))
    elif argv[:1] == ["range"] and len(argv) == 2:
        print("%d %d" % free_range(int(argv[1])))
    elif argv[:1] == ["wait"] and len(argv) == 5:
        wait(int(argv[1]), int(argv[2]), argv[3], float(argv[4]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
