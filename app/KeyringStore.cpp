#include "app/KeyringStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace
{

const QString kService = QStringLiteral("Zentrava Pro");
const QString kProbeKey = QStringLiteral("probe");
// A locked keyring may ask the user to unlock it; the wait is bounded all the same.
constexpr int kTimeoutMs = 60000;

// The job deletes itself once finished: after a time-out it may still answer, and must find itself alive.
CKeyringResult Run(QKeychain::Job* job)
{
    CKeyringResult result{
        CKeyringResult::Error, {}, QCoreApplication::translate("KeyringStore", "金鑰圈沒有回應")};
    bool finished = false;
    QEventLoop loop;
    // The loop as context: an answer after the time-out reaches nothing of this call.
    QObject::connect(job, &QKeychain::Job::finished, &loop,
                     [&]
                     {
                         finished = true;
                         if (job->error() == QKeychain::NoError)
                             result = {CKeyringResult::Done, {}, {}};
                         else if (job->error() == QKeychain::EntryNotFound)
                             result = {CKeyringResult::Missing, {}, {}};
                         else
                             result.error = job->errorString();
                         if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job))
                             result.value = read->textData();
                         loop.quit();
                     });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    // A job without a keyring to ask may finish inside start().
    if (!finished)
        loop.exec();
    return result;
}

} // namespace

CKeyringResult CKeyringStore::Read(const QString& key) const
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(key);
    return Run(job);
}

CKeyringResult CKeyringStore::Write(const QString& key, const QString& value) const
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(key);
    job->setTextData(value);
    return Run(job);
}

CKeyringResult CKeyringStore::Remove(const QString& key) const
{
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setKey(key);
    CKeyringResult result = Run(job);
    if (result.status == CKeyringResult::Missing)
        result.status = CKeyringResult::Done;
    return result;
}

// Without a session bus the keyring library would try to start one. Reading an entry that is never
// written asks the keyring for nothing it could refuse.
bool CKeyringStore::Available()
{
    return QDBusConnection::sessionBus().isConnected() && !CKeyringStore().Read(kProbeKey).Failed();
}
