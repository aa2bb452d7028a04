#pragma once

#include "app/Serializable.h"

#include <QList>
#include <QPair>
#include <QString>

// One saved server's connection settings, copied by value into sessions and workers.
class CFtpSite : public ISerializable
{
public:
    enum Protocol
    {
        ProtocolFtp = 0,
        ProtocolImplicitTls = 1,
        ProtocolExplicitTls = 2,
        ProtocolSftp = 3
    };

    QString Address;
    qint32 Retries = 1;
    QString Description;
    QString LocalPath;
    QString Login;
    QString Name;
    QString Password;
    qint32 Port = 21;
    QString RemotePath;
    qint32 RetryDelay = 15;
    // 0 stands for the program-wide value, which the record shifts up by one.
    qint32 TransferType = 0;
    qint32 DataMode = 0;
    qint32 ProtocolType = ProtocolFtp;
    // Explicit TLS only: data, or the commands after log-in, travel in clear text.
    bool ClearDataChannel = false;
    bool ClearCommandChannel = false;

    // A connection without a saved site: quick connect or an address on the command line.
    static CFtpSite QuickConnectDefaults();
    // The port that goes with a protocol choice.
    static qint32 DefaultPort(qint32 protocol);

    // Every field by its name, in the record's order, flags as 0 or 1.
    QList<QPair<QString, QString>> Fields() const;

    QByteArray Serialize() const override;
    bool Deserialize(const QByteArray& bytes) override;
};
