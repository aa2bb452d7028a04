#pragma once

#include "engine/ftp/FtpReply.h"

#include <QByteArray>
#include <QHash>

// What the server's FEAT reply offers (RFC 2389): names upper-cased, each with its parameter text.
class CFtpFeatures
{
public:
    static CFtpFeatures Parse(const FtpReply& reply);

    bool Has(const QByteArray& name) const { return m_features.contains(name.toUpper()); }
    QByteArray Parameters(const QByteArray& name) const { return m_features.value(name.toUpper()); }
    // HASH algorithms ("CRC32;MD5;SHA-1*;SHA-256"), upper-cased, the selected one without its '*'.
    QList<QByteArray> HashAlgorithms() const;
    QByteArray SelectedHash() const;

private:
    QHash<QByteArray, QByteArray> m_features;
};
