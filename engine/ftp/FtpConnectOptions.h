#pragma once

#include "engine/net/ProxySettings.h"

#include <QByteArray>
#include <QString>

enum class FtpSecurity
{
    None,        // plain FTP
    ExplicitTls, // AUTH TLS on the ordinary port
    ImplicitTls  // TLS from the first byte, port 990 by default
};

struct FtpConnectOptions
{
    QByteArray host;
    quint16 port = 0; // 0: 21, or 990 for implicit TLS
    QByteArray user = "anonymous";
    QByteArray password;
    QByteArray account; // sent when the server asks for ACCT (332)
    FtpSecurity security = FtpSecurity::None;
    bool clearDataChannel = false;    // PROT C: data connections stay clear
    bool clearCommandChannel = false; // CCC: the control connection goes clear after log-in
    bool passive = true;
    int timeoutMs = 30000;            // for connecting and for each wait afterwards
    QString certificateFile, keyFile; // client certificate (PEM), optional
    QByteArray keyPassphrase;
    ProxySettings proxy;
};
