#include "engine/sftp/SshHostKey.h"

#include "engine/sftp/SftpReader.h"

#include <QCryptographicHash>

QByteArray SshHostKey::Fingerprint() const
{
    const QByteArray digest = QCryptographicHash::hash(blob, QCryptographicHash::Sha256);
    return "SHA256:" + digest.toBase64(QByteArray::OmitTrailingEquals);
}

std::optional<SshHostKey> SshHostKey::FromBlob(const QByteArray& blob)
{
    CSftpReader reader(blob);
    QByteArray type;
    if (!reader.String(&type) || type.isEmpty() || reader.AtEnd())
        return std::nullopt;
    for (char c : type)
    {
        if (c <= ' ' || c > '~')
            return std::nullopt;
    }
    return SshHostKey{type, blob};
}
