#!/usr/bin/env python3
"""Captures seed inputs from real servers into fuzz/corpus.

usage: capture_seeds.py NAME=ENVFILE... for FTP servers started by tests/servers/start.sh (their
KEY=VALUE output), e.g. proftpd=/tmp/st/proftpd.env; a NAME ending in -tls logs in over explicit TLS.
OpenSSH's sftp-server is run directly.
The server's own bytes are kept as they came: whole control conversations, PASV and EPSV replies,
LIST and MLSD bodies, and SFTP answers.
"""
import os
import pathlib
import re
import select
import socket
import ssl
import struct
import subprocess
import sys

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def save(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def fill_root(root):
    root = pathlib.Path(root)
    (root / "seed folder" / "inner").mkdir(parents=True, exist_ok=True)
    (root / "seed folder" / "a file.txt").write_bytes(b"x" * 1234)
    (root / "seed folder" / "\u4e2d\u6587.bin").write_bytes(b"\0" * 10)
    link = root / "seed folder" / "link"
    if not link.is_symlink():
        link.symlink_to("a file.txt")


class Ftp:
    def __init__(self, host, port, tls):
        self.sock = socket.create_connection((host, int(port)), timeout=10)
        self.transcript = b""
        self.buffer = b""
        self.tls = None
        self.reply()
        if tls:
            # The harness's certificates are self-signed; only their bytes matter here.
            self.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
            self.tls.check_hostname = False
            self.tls.verify_mode = ssl.CERT_NONE
            self.command("AUTH TLS")
            self.sock = self.tls.wrap_socket(self.sock)
            self.command("PBSZ 0")
            self.command("PROT P")

    def reply(self):
        lines = []
        while True:
            while b"\n" not in self.buffer:
                chunk = self.sock.recv(65536)
                if not chunk:
                    raise EOFError("server closed the connection")
                self.buffer += chunk
            line, self.buffer = self.buffer.split(b"\n", 1)
            self.transcript += line + b"\n"
            lines.append(line)
            first = lines[0]
            if len(line) >= 4 and line[:3] == first[:3] and line[3:4] == b" ":
                return lines

    def command(self, text, preliminary=False):
        self.sock.sendall(text.encode() + b"\r\n")
        reply = self.reply()
        while not preliminary and reply[-1][:1] == b"1":
            reply = self.reply()
        return reply

    def data(self, text):
        reply = self.command("PASV")
        numbers = [int(n) for n in re.search(rb"(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)", reply[-1]).groups()]
        data = socket.create_connection((".".join(map(str, numbers[:4])), numbers[4] * 256 + numbers[5]), timeout=10)
        first = self.command(text, preliminary=True)
        if self.tls and first[-1][:1] == b"1":
            data = self.tls.wrap_socket(data, session=self.sock.session)
        body = b""
        if first[-1][:1] == b"1":
            while chunk := data.recv(65536):
                body += chunk
        # proftpd sends its final reply only once this side has closed too.
        data.close()
        if first[-1][:1] == b"1":
            self.reply()
        return reply[-1], body


def capture_ftp(name, env):
    values = dict(line.split("=", 1) for line in pathlib.Path(env).read_text().split())
    fill_root(values["ROOT"])
    ftp = Ftp(values["HOST"], values["PORT"], name.endswith("-tls"))
    for command in ["FEAT", "USER " + values["USER"], "PASS " + values["PASSWORD"], "SYST", "FEAT", "PWD",
                    "TYPE I", "CWD /seed folder", "PWD", "OPTS UTF8 ON", "STAT ."]:
        ftp.command(command)
    pasv, listing = ftp.data("LIST -a")
    save("ftp_passive", name + "-pasv", pasv)
    save("ftp_listing", name + "-list", listing)
    _, mlsd = ftp.data("MLSD")
    if mlsd:
        save("ftp_listing", name + "-mlsd", mlsd)
    save("ftp_passive", name + "-epsv", ftp.command("EPSV")[-1])
    for command in ["SIZE a file.txt", "MDTM a file.txt", "MLST a file.txt", "MKD new \"quoted\" folder",
                    "RMD new \"quoted\" folder", "SIZE missing", "XCRC a file.txt", "XMD5 a file.txt",
                    "HASH a file.txt", "QUIT"]:
        ftp.command(command)
    save("ftp_reply", name + "-session", ftp.transcript)


def sftp_packet(kind, request_id, *fields):
    """bytes go as an SFTP string, int as uint32, a one-item tuple as uint64."""
    body = bytes([kind]) + struct.pack(">I", request_id)
    for field in fields:
        if isinstance(field, bytes):
            body += struct.pack(">I", len(field)) + field
        elif isinstance(field, tuple):
            body += struct.pack(">Q", field[0])
        else:
            body += struct.pack(">I", field)
    return struct.pack(">I", len(body)) + body


def capture_sftp(root):
    fill_root(root)
    server = "/usr/lib/openssh/sftp-server"
    folder = os.path.join(root, "seed folder").encode()
    requests = [
        struct.pack(">IBI", 5, 1, 3),
        sftp_packet(16, 1, b"."),
        sftp_packet(11, 2, folder),
        sftp_packet(12, 3, b"\0\0\0\0"),
        sftp_packet(17, 4, folder + b"/a file.txt"),
        sftp_packet(7, 5, folder + b"/link"),
        sftp_packet(19, 6, folder + b"/link"),
        sftp_packet(17, 7, folder + b"/missing"),
        sftp_packet(200, 8, b"limits@openssh.com"),
        sftp_packet(3, 9, folder + b"/a file.txt", 1, 0),
        sftp_packet(5, 10, b"\0\0\0\1", (0,), 100),
    ]
    # sftp-server drops unsent answers at the end of its input, so it is read before that.
    process = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    process.stdin.write(b"".join(requests))
    process.stdin.flush()
    answers = b""
    while select.select([process.stdout], [], [], 1)[0]:
        chunk = os.read(process.stdout.fileno(), 65536)
        if not chunk:
            break
        answers += chunk
    process.stdin.close()
    process.wait(timeout=10)
    save("sftp_packets", "openssh-session", answers)


def main():
    for argument in sys.argv[1:]:
        name, env = argument.split("=", 1)
        capture_ftp(name, env)
    root = CORPUS.parent / "capture-root"
    try:
        capture_sftp(str(root))
    finally:
        subprocess.run(["rm", "-rf", str(root)], check=True)


if __name__ == "__main__":
    main()
