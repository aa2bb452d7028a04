#pragma once

#include "engine/net/ProxySettings.h"

#include <QByteArray>
#include <memory>

class CKeyCertificate;

enum class SftpAuthentication
{
    PasswordAllowed = 0, // the key when there is one, else (or when it is refused) the password
    KeyOnly = 2          // the password never leaves this side
};

struct SftpConnectOptions
{
    QByteArray host;
    quint16 port = 0; // 0: 22
    QByteArray user;
    QByteArray password;
    SftpAuthentication authentication = SftpAuthentication::PasswordAllowed;
    std::shared_ptr<const CKeyCertificate> key; // a loaded private key for public-key log-in, optional
    int timeoutMs = 30000;                      // for connecting and for each wait afterwards
    ProxySettings proxy; // the tunnels and the relay; the FTP proxy styles cannot carry SSH
};
