#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The server's certificate as the owner sees it before deciding to go on.
struct ServerCertificate
{
    QByteArray pem;
    QString subject; // RFC 2253 form: "CN=ftp.example.com,O=Example,C=TW"
    QString issuer;
    QDateTime notBefore, notAfter; // UTC
    QByteArray sha256;             // fingerprint, lower-case hex
    bool trusted = false;          // the system's trust store verifies it and it names this host
    QString problem;               // why it is not trusted, in OpenSSL's words
};
