#pragma once

#include "engine/net/IoResult.h"

#include <QByteArray>
#include <QString>
#include <deque>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;

// The OpenSSL client context of one FTP connection: TLS 1.2 and 1.3, the optional client certificate,
// and the sessions the server handed out, which data connections resume.
class CTlsContext
{
public:
    CTlsContext();
    ~CTlsContext();
    CTlsContext(const CTlsContext&) = delete;
    CTlsContext& operator=(const CTlsContext&) = delete;

    // Certificate and key files are PEM; the pass phrase opens an encrypted key. Empty paths: none.
    IoResult Setup(const QString& certificateFile, const QString& keyFile, const QByteArray& passphrase);
    SSL_CTX* Handle() const { return m_context; }
    // The newest session not resumed yet, else the one resumed last. TLS 1.3 servers that keep a
    // session cache (vsftpd, proftpd) accept each ticket once, so every data connection needs a fresh
    // one; TLS 1.2 sessions and stateless tickets may be resumed again.
    SSL_SESSION* SessionToResume();
    // Whether the server took the session the latest data connection offered.
    void NoteResumption(bool offered, bool taken) { m_resumptionRefused = offered && !taken; }
    bool ResumptionRefused() const { return m_resumptionRefused; }
    // The key exchange group the server chose last (an OpenSSL NID; 0 before any handshake). Later
    // handshakes send their key share in it, so a server that wants another group than OpenSSL's first
    // choice (vsftpd takes P-256 only) does not make every data connection say hello twice.
    int ChosenGroup() const { return m_chosenGroup; }
    void NoteChosenGroup(int group) { m_chosenGroup = group; }

    // OpenSSL's queued errors as one text (and the queue emptied).
    static QString ErrorText();

private:
    static int OnNewSession(struct ssl_st* ssl, SSL_SESSION* session);
    IoResult LoadClientCertificate(const QString& certificateFile, const QString& keyFile,
                                   const QByteArray& passphrase);

    static constexpr size_t kKeptSessions = 8;

    SSL_CTX* m_context = nullptr;
    std::deque<SSL_SESSION*> m_fresh;
    SSL_SESSION* m_lastResumed = nullptr;
    bool m_resumptionRefused = false;
    int m_chosenGroup = 0;
};
