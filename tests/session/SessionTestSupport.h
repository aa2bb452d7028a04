#pragma once

#include "servers/Harness.h"
#include "support/TestFiles.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "session/FtpSession.h"
#include "session/KeepAlive.h"
#include "session/PlainSessionUi.h"
#include "sites/SiteList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        if (!text.startsWith(tag))
            foreignThread = true;
        QString rest = text.mid(tag.size());
        if (rest.startsWith(u' '))
            rest.remove(0, 1);
        lines.append(QString::number(level) + u' ' + rest);
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

    // The lines of the given levels, in order.
    QStringList Levels(std::initializer_list<int> levels) const
    {
        QStringList picked;
        for (const QString& line : lines)
            for (int level : levels)
                if (line.startsWith(QString::number(level) + u' '))
                    picked.append(line);
        return picked;
    }
    bool Has(const QString& line) const { return lines.contains(line); }
};

// A fresh data folder (settings, sites, certificates, known hosts) for each test.
class CSessionFixture
{
public:
    CSessionFixture()
    {
        qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
        sites = std::make_unique<CSiteList>();
        sites->LoadSites();
        session = std::make_unique<CFtpSession>(&sink, ui, *sites);
        // Bounds every wait of a test that goes wrong.
        WriteProfileInt("Settings", "ConnectionTimeout", 20);
    }
    ~CSessionFixture() { session.reset(); }

    // Answers every certificate and host key question with "always", counting the questions.
    void AcceptAll()
    {
        ui.certificateQuestion = [this](const ServerCertificate&, const QString&)
        { return ++asked, TrustAnswer::Always; };
        ui.hostKeyQuestion = [this](const QString&, const SshHostKey&)
        { return ++asked, TrustAnswer::Always; };
    }

    CRecordingSink sink;
    CPlainSessionUi ui;
    std::unique_ptr<CSiteList> sites;
    std::unique_ptr<CFtpSession> session;
    int asked = 0;

private:
    QTemporaryDir m_home;
};

// "scheme://127.0.0.1:port" for a harness server.
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

inline QStringList Names(CFtpSession& session)
{
    QStringList names;
    for (const CFtpListItem& item : session.ListModel().Items())
        names << item.name;
    return names;
}
} // namespace SessionTest
