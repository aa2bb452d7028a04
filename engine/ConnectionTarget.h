#pragma once

#include "engine/ftp/FtpConnectOptions.h"
#include "engine/net/ProxySettings.h"
#include "engine/sftp/SftpConnectOptions.h"

#include <QByteArray>
#include <QString>

enum class FtpProtocol
{
    Ftp = 0,
    Sftp = 1,                 // over SSH; through the tunnel proxies and the relay, not the FTP styles
    ExplicitTlsClearData = 2, // AUTH TLS, PROT C
    ExplicitTls = 3,          // AUTH TLS, PROT P
    ImplicitTls = 4
};

enum class FtpAuthentication
{
    Password =
        0,  // no client certificate; SFTP: the private key when set, else (or when refused) the password
    Key = 2 // present the client certificate and key; SFTP: the private key only
};

// Where to connect and how: everything a connection needs and nothing of sites, jobs or settings,
// which each make one of these in one place.
struct CConnectionTarget
{
    FtpProtocol protocol = FtpProtocol::Ftp;
    QString host;
    int port = 0; // 0: the protocol's own port
    QString login;
    QString password;
    FtpAuthentication authentication = FtpAuthentication::Password;
    // FTPS: the client certificate and its key (PEM), presented with FtpAuthentication::Key.
    // SFTP: keyFile is the private key for public-key log-in; empty for none.
    QString certificateFile, keyFile;
    QByteArray keyPassphrase;
    bool clearCommandChannel = false; // explicit TLS: CCC after log-in
    bool passive = true;
    int timeoutMs = 30000; // for connecting and for each wait on the server afterwards
    ProxySettings proxy;

    bool IsSftp() const { return protocol == FtpProtocol::Sftp; }
    bool IsTls() const { return protocol != FtpProtocol::Ftp && protocol != FtpProtocol::Sftp; }
    // The port to dial: the one given, else 22 for SFTP, 990 for implicit TLS and 21 for the rest.
    quint16 EffectivePort() const;
    FtpConnectOptions FtpOptions() const;
    // Without the key, which is loaded where the connection is made.
    SftpConnectOptions SftpOptions() const;
};
