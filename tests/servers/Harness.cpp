#include "servers/Harness.h"

#include <QCoreApplication>
#include <QHash>
#include <QTest>
#include <map>
#include <memory>

namespace
{
struct Pool
{
    std::map<QString, std::unique_ptr<CTestServer>> servers;
    QHash<QString, QString> errors;
};

Pool& ThePool()
{
    static Pool pool;
    static const bool stopWithApplication = []
    {
        // Stopping needs the application's process machinery, so it runs before that goes away.
        qAddPostRoutine([] { ThePool().servers.clear(); });
        return true;
    }();
    Q_UNUSED(stopWithApplication);
    return pool;
}
} // namespace

namespace Harness
{
CTestServer* Server(const QString& kind)
{
    Pool& pool = ThePool();
    auto found = pool.servers.find(kind);
    if (found != pool.servers.end())
        return found->second.get();
    auto server = std::make_unique<CTestServer>(kind);
    QString error;
    if (!server->Start(&error))
    {
        pool.errors.insert(kind, error);
        return nullptr;
    }
    return pool.servers.emplace(kind, std::move(server)).first->second.get();
}

CTestServer* Require(const QString& kind)
{
    CTestServer* server = Server(kind);
    if (!server)
        QTest::qFail(qPrintable(Error(kind)), __FILE__, __LINE__);
    return server;
}

QString Error(const QString& kind)
{
    return ThePool().errors.value(kind);
}
} // namespace Harness
