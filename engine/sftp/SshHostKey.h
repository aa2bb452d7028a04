#pragma once

#include <QByteArray>
#include <optional>

// A server's public host key as the owner sees it before deciding whether to trust the server.
struct SshHostKey
{
    QByteArray type; // "ssh-ed25519", "rsa-sha2-512" keys still say "ssh-rsa"
    QByteArray blob; // the key in SSH wire form, as the server sent it

    // "SHA256:" and the unpadded base64 of the blob's SHA-256, as OpenSSH prints it.
    QByteArray Fingerprint() const;
    bool operator==(const SshHostKey& other) const { return blob == other.blob; }

    // The type comes from the blob itself; nullopt when the blob does not start with one.
    static std::optional<SshHostKey> FromBlob(const QByteArray& blob);
};
