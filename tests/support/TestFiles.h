#pragma once

#include "servers/TestServer.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QString>
#include <QTest>
#include <map>
#include <memory>

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

// The harness's servers, each started on first use and stopped with the pool.
class CServerPool
{
public:
    // nullptr when the server did not start; Error() then says why.
    CTestServer* Get(const QString& kind)
    {
        auto found = m_servers.find(kind);
        if (found != m_servers.end())
            return found->second.get();
        auto server = std::make_unique<CTestServer>(kind);
        QString error;
        if (!server->Start(&error))
        {
            m_errors.insert(kind, error);
            return nullptr;
        }
        return m_servers.emplace(kind, std::move(server)).first->second.get();
    }
    // As Get(), and the running test fails with the reason when the server did not start.
    CTestServer* Require(const QString& kind)
    {
        CTestServer* server = Get(kind);
        if (!server)
            QTest::qFail(qPrintable(Error(kind)), __FILE__, __LINE__);
        return server;
    }
    QString Error(const QString& kind) const { return m_errors.value(kind); }
    void Clear() { m_servers.clear(); }

private:
    std::map<QString, std::unique_ptr<CTestServer>> m_servers;
    QHash<QString, QString> m_errors;
};
} // namespace TestFiles
