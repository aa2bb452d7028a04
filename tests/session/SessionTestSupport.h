#pragma once

#include "servers/Harness.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "session/FtpSession.h"
#include "session/KeepAlive.h"
#include "session/PlainSessionUi.h"
#include "sites/SiteList.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <unistd.h>

// Shared set-up of the session tests: a data folder of their own, a sink that records the log, and a
// session with its plain user interface.
namespace SessionTest
{
// The log as "level text", each line checked to start with this thread's tag.
class CRecordingSink : public IFtpSessionSink
{
public:
    QStringList lines;
    int connects = 0;
    int disconnects = 0;
    bool foreignThread = false;
    CKeepAlive* keepAlive = nullptr;

    void OnLog(int level, const QString& text) override
    {
        const QString tag = u'[' + QString::number(gettid()) + u']';
        foreignThread = foreignThread || !text.startsWith(tag);
        const QString rest = text.mid(tag.size());
        lines.append(QString::number(level) + u' ' + (rest.startsWith(u' ') ? rest.mid(1) : rest));
    }
    void OnConnected() override
    {
        ++connects;
        if (keepAlive)
            keepAlive->OnConnected();
    }
    void OnDisconnected() override
    {
        ++disconnects;
        if (keepAlive)
            keepAlive->OnDisconnected();
    }

    // The lines of the given levels ("03": information and errors), in order.
    QStringList Levels(const char* levels) const
    {
        return lines.filter(QRegularExpression(QStringLiteral("^[%1] ").arg(QLatin1String(levels))));
    }
    bool Has(const QString& line) const { return lines.contains(line); }
};

// A fresh data folder (settings, sites, certificates, known hosts) for each test.
class CSessionFixture
{
public:
    CSessionFixture()
    {
        sites.LoadSites();
        WriteProfileInt("Settings", "ConnectionTimeout", 20); // bounds every wait of a test that goes wrong
    }

    // Answers every certificate and host key question with "always", counting the questions.
    void AcceptAll()
    {
        ui.certificateQuestion = [this](const ServerCertificate&, const QString&)
        { return ++asked, TrustAnswer::Always; };
        ui.hostKeyQuestion = [this](const QString&, const SshHostKey&)
        { return ++asked, TrustAnswer::Always; };
    }

    // Connects to the harness server of the kind (certificates and host keys accepted).
    bool ConnectTo(const char* kind, const char* scheme = "ftp")
    {
        CTestServer* server = Harness::Require(kind);
        AcceptAll();
        return server && session->Connect(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server->Port()),
                                          server->User(), server->Password());
    }

    QStringList Names() const
    {
        QStringList names;
        for (const CFtpListItem& item : session->ListModel().Items())
            names << item.name;
        return names;
    }

private:
    struct CHome
    {
        QTemporaryDir dir;
        CHome() { qputenv("ZENTRAVA_HOME", dir.path().toUtf8()); }
    } m_home; // first, so that everything below lives in it

public:
    CRecordingSink sink;
    CPlainSessionUi ui;
    CSiteList sites;
    std::unique_ptr<CFtpSession> session = std::make_unique<CFtpSession>(&sink, ui, sites);
    int asked = 0;
};

// "scheme://127.0.0.1:port".
inline QString Address(const char* scheme, quint16 port)
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port);
}

// A stored site on 127.0.0.1.
inline CFtpSite Site(const QString& name, quint16 port, const QString& login, const QString& password,
                     int protocolType = CFtpSite::ProtocolFtp)
{
    CFtpSite site;
    site.Name = name;
    site.Address = "127.0.0.1";
    site.Port = port;
    site.ProtocolType = protocolType;
    site.Login = login;
    site.Password = password;
    return site;
}
} // namespace SessionTest
