#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

// File helpers shared by the tests that move files through real servers.
namespace TestFiles
{
constexpr qint64 kMiB = 1024 * 1024;

inline QByteArray Sha256(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing " + path.toUtf8() + ">";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Bytes from the generator, written a block at a time.
inline bool MakeFile(const QString& path, qint64 size, QRandomGenerator& random)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block(int(qMin(size, kMiB)), Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size())
    {
        random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        if (file.write(block.constData(), qMin<qint64>(left, block.size())) < 0)
            return false;
    }
    return true;
}

// Random bytes, a fixed seed per size, so a file of a given size is the same every run.
inline bool MakeFile(const QString& path, qint64 size)
{
    QRandomGenerator random{quint32(size)};
    return MakeFile(path, size, random);
}

// A file of zeros that takes no room on disk.
inline bool MakeSparse(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size);
}

} // namespace TestFiles
