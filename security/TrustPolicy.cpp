#include "security/TrustPolicy.h"

#include "app/DataFolder.h"
#include "engine/RemoteConnection.h"
#include "security/TrustedCertificates.h"

#include <QCoreApplication>
#include <QMutex>

namespace
{
// Workers of one run may record at the same time; each reads the file again under this lock first.
QMutex g_recording;

QString KnownHostsFile()
{
    return CDataFolder::FilePath(QStringLiteral("known_hosts"));
}

} // namespace

CTrustPolicy::CTrustPolicy(QByteArray host, quint16 port) : m_host(std::move(host)), m_port(port) {}

CTrustPolicy CTrustPolicy::For(const CConnectionTarget& target)
{
    return {target.host.toUtf8(), target.EffectivePort()};
}

void CTrustPolicy::Guard(CRemoteConnection& connection, CertificateQuestion askCertificate,
                         HostKeyQuestion askHostKey, Note note)
{
    const CTrustPolicy policy = For(connection.Target());
    connection.SetCertificateHook(
        [policy, askCertificate, note](const ServerCertificate& certificate)
        {
            const TrustOutcome outcome = policy.Certificate(certificate, askCertificate);
            if (!outcome.problem.isEmpty() && note)
                note(outcome.problem);
            return outcome.accepted;
        });
    connection.SetHostKeyHook(
        [policy, askHostKey, note](const SshHostKey& key)
        {
            const TrustOutcome outcome = policy.HostKey(key, askHostKey);
            const QString refusal = policy.HostKeyRefusal(outcome, key);
            if (note && !outcome.problem.isEmpty())
                note(outcome.problem);
            if (note && !refusal.isEmpty())
                note(refusal);
            return outcome.accepted;
        });
}

QString CTrustPolicy::HostKeyRefusal(const TrustOutcome& outcome, const SshHostKey& key) const
{
    const HostKeyCheck& check = outcome.hostKey;
    if (check.match == HostKeyMatch::Changed)
        return QCoreApplication::translate(
                   "TrustPolicy",
                   "%1 的公開金鑰已變更，拒絕連線。\n記錄中的金鑰：%2 %3\n伺服器提供的金鑰：%4 %5\n"
                   "連線可能遭到攔截，有人正假冒這部伺服器。若伺服器的金鑰確實已經更換，"
                   "請在信任的主機金鑰清單中更換它，再重新連線。")
            .arg(HostAndPort(), QString::fromUtf8(check.knownType), QString::fromUtf8(check.knownFingerprint),
                 QString::fromUtf8(key.type), QString::fromUtf8(key.Fingerprint()));
    if (check.match == HostKeyMatch::Revoked)
        return QCoreApplication::translate("TrustPolicy", "%1 的公開金鑰 %2 已被撤銷，拒絕連線")
            .arg(HostAndPort(), QString::fromUtf8(key.Fingerprint()));
    return {};
}

QString CTrustPolicy::HostAndPort() const
{
    const QString host = QString::fromUtf8(m_host);
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(m_port);
}

QString CTrustPolicy::ServerName() const
{
    return QString::fromUtf8(CKnownHosts::HostName(m_host, m_port));
}

TrustOutcome CTrustPolicy::Certificate(const ServerCertificate& certificate,
                                       const CertificateQuestion& ask) const
{
    TrustOutcome outcome;
    CTrustedCertificates store;
    store.Load();
    outcome.accepted = certificate.trusted || store.Accepts(certificate.pem, m_host, m_port);
    if (outcome.accepted)
        return outcome;
    const TrustAnswer answer = ask ? ask(certificate) : TrustAnswer::Refuse;
    outcome.accepted = answer != TrustAnswer::Refuse;
    if (answer == TrustAnswer::Always)
        outcome.problem = RecordCertificate(certificate.pem);
    return outcome;
}

TrustOutcome CTrustPolicy::HostKey(const SshHostKey& key, const HostKeyQuestion& ask) const
{
    TrustOutcome outcome;
    CKnownHosts store(KnownHostsFile());
    if (const FtpResult loaded = store.Load(); !loaded.Ok())
    {
        outcome.problem = loaded.message;
        return outcome;
    }
    outcome.hostKey = store.Check(m_host, m_port, key);
    outcome.accepted = outcome.hostKey.match == HostKeyMatch::Known;
    if (outcome.hostKey.match != HostKeyMatch::New)
        return outcome;
    const TrustAnswer answer = ask ? ask(key) : TrustAnswer::Refuse;
    outcome.accepted = answer != TrustAnswer::Refuse;
    if (answer == TrustAnswer::Always)
        outcome.problem = RecordHostKey(key);
    return outcome;
}

QString CTrustPolicy::RecordCertificate(const QByteArray& pem) const
{
    const QMutexLocker lock(&g_recording);
    CTrustedCertificates store;
    store.Load();
    if (store.Accepts(pem, m_host, m_port))
        return {};
    if (store.Add(pem, m_host, m_port))
        return {};
    return QCoreApplication::translate("TrustPolicy", "無法將 %1 的憑證記錄在 \"%2\"")
        .arg(ServerName(), store.FilePath());
}

QString CTrustPolicy::RecordHostKey(const SshHostKey& key) const
{
    const QMutexLocker lock(&g_recording);
    CKnownHosts store(KnownHostsFile());
    FtpResult result = store.Load();
    if (result.Ok() && store.Check(m_host, m_port, key).match == HostKeyMatch::Known)
        return {};
    if (result.Ok())
        result = CDataFolder::Ensure() ? store.Add(m_host, m_port, key)
                                       : FtpResult::Failure(FtpStatus::Local, store.FilePath());
    return result.Ok() ? QString() : result.message;
}
