#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

enum class ChecksumKind
{
    Crc32 = 0,
    Md5 = 1,
    Sha1 = 2
};

// Lower-case hex of a local file's checksum, read in large blocks (memory flat whatever the size).
// Empty result and *error set when the file cannot be read or cancel becomes true.
QByteArray LocalChecksum(const QString& path, ChecksumKind kind, const std::atomic<bool>* cancel,
                         QString* error);

// Turns a server's checksum reply text into the same lower-case hex form (strips spaces, upper case,
// prefixes).
QByteArray NormaliseChecksum(const QByteArray& text);
