#pragma once

#include "engine/FtpComponent.h"
#include "common/Event.h"
#include "sites/FtpSite.h"

#include <QObject>

// The second connection of a server-to-server copy: the destination site, opened by the transfer
// worker on its own thread (it lives on the thread that creates it). It keeps no log of its own but
// appends every command (">> ") and reply line ("<< ") to the worker's trace.
class CFtpConnectionDLX : public QObject
{
    Q_OBJECT

public:
    // trace may be null; otherwise it must outlive this connection.
    explicit CFtpConnectionDLX(QString* trace, QObject* parent = nullptr);
    ~CFtpConnectionDLX() override;

    // Connects and enters the site's remote path (the start folder); false when not connected in time.
    bool Connect(const CFtpSite& site);
    // Raw command; the reply when one came within the wait.
    bool SendCommand(const QString& command, QString* replyText = nullptr, int* replyCode = nullptr);
    // True when the component finished within the wait, whatever it answered: a folder that is
    // there already is as good as a new one (ResultCode() tells them apart).
    bool MakeFolder(const QString& path);
    // True when the folder exists and can be entered.
    bool CheckFolder(const QString& path);

    void SetWaitTimeout(int milliseconds) { m_waitMs = milliseconds; }
    const QString& LastError() const { return m_lastError; }
    int ResultCode() const { return m_resultCode; }
    const QString& StartFolder() const { return m_startFolder; }
    CFtpComponent& Component() { return m_ftp; }

private:
    void Trace(const char* direction, const QString& line);
    void StoreResult(int code, const QString& text);
    bool Wait(CEvent& event);

    CFtpComponent m_ftp;
    CEvent m_done;
    CEvent m_reply;
    int m_resultCode = 0;
    QString m_replyText;
    int m_replyCode = 0;
    QString m_lastError;
    QString* m_trace;
    QString m_startFolder;
    int m_waitMs = 3000;
};
