#include "cli/MirrorConnection.h"

#include "app/Profile.h"
#include "engine/VisibleText.h"
#include "security/TrustPolicy.h"
#include "sites/FtpSite.h"
#include "transfer/WorkerPaths.h"

#include <QTextStream>

namespace
{
void ReportSkipped(const QString& name, const QString& folder)
{
    QTextStream(stderr) << "zentrava-cli: skipped the unsafe remote name '" << VisibleText(name) << "' in "
                        << VisibleText(folder) << Qt::endl;
}
} // namespace

CMirrorConnection::CMirrorConnection(const CTransferJob& job, const CliTrustOptions& trust)
{
    m_ftp.SetBlocking(true);
    // A setting the component cannot follow is the workers' to report; this connection only looks.
    QString problem;
    m_ftp.SetTarget(JobTarget(
        job, GetProfileInt(QStringLiteral("Settings"), QStringLiteral("ConnectionTimeout")) * 1000, &problem));
    const auto outcome = [this](int code, const QString& text)
    {
        m_code = code;
        m_text = text;
    };
    QObject::connect(&m_ftp, &CFtpComponent::Connected, &m_ftp, outcome);
    QObject::connect(&m_ftp, &CFtpComponent::Done, &m_ftp, outcome);
    const TrustAnswer certificateAnswer = trust.CertificateAnswer();
    QObject::connect(
        &m_ftp, &CFtpComponent::HostCertificate, &m_ftp,
        [this, certificateAnswer](const ServerCertificate& certificate, int, const QString&, bool& accept)
        {
            accept =
                CTrustPolicy::For(m_ftp.Target())
                    .Certificate(certificate, [=](const ServerCertificate&) { return certificateAnswer; })
                    .accepted;
        });
    const TrustAnswer hostKeyAnswer = trust.HostKeyAnswer();
    QObject::connect(&m_ftp, &CFtpComponent::HostKey, &m_ftp,
                     [this, hostKeyAnswer](const QString&, const QString&, bool& accept)
                     {
                         accept = CTrustPolicy::For(m_ftp.Target())
                                      .HostKey(m_ftp.ServerHostKey(),
                                               [=](const SshHostKey&) { return hostKeyAnswer; })
                                      .accepted;
                     });
}

CMirrorConnection::~CMirrorConnection()
{
    if (m_ftp.State() == FtpStateConnected)
        m_ftp.Disconnect();
}

QString CMirrorConnection::Open()
{
    m_ftp.Connect();
    if (m_code == 0 && m_ftp.State() != FtpStateConnected)
        return QStringLiteral("cannot connect to %1").arg(m_ftp.Host());
    return Outcome();
}

QString CMirrorConnection::List(const QString& path, std::vector<ListItem>* items)
{
    m_ftp.List(path);
    const QString problem = Outcome();
    if (!problem.isEmpty())
        return problem;
    items->clear();
    // A hostile listing's "..", or a name with a separator, would lead the jobs outside the folder; one
    // with control characters would become a local file name.
    for (const ListItem& item : m_ftp.Items())
    {
        const QString name = QString::fromUtf8(item.name);
        if (IsSafeRemoteName(name))
            items->push_back(item);
        else
            ReportSkipped(name, path);
    }
    return {};
}

QString CMirrorConnection::MakeFolder(const QString& path)
{
    m_ftp.MakeFolder(path);
    if (m_ftp.CheckFolder(path) == 0)
        return {};
    const QString problem = Outcome();
    return problem.isEmpty() ? QStringLiteral("cannot make the remote folder %1").arg(path) : problem;
}

QString CMirrorConnection::Outcome() const
{
    if (m_code == 0)
        return {};
    return m_text.isEmpty() ? QStringLiteral("error %1").arg(m_code) : m_text;
}
