#pragma once

#include "engine/ListItem.h"

#include <QDateTime>

class CSftpPacket;
class CSftpReader;

// The ATTRS structure of SFTP version 3; a field counts only when its flag is set.
struct SftpAttributes
{
    quint32 flags = 0;
    quint64 size = 0;
    quint32 uid = 0, gid = 0;
    quint32 permissions = 0; // st_mode: type bits and permission bits
    quint32 atime = 0, mtime = 0;

    bool Has(quint32 flag) const { return (flags & flag) == flag; }
    ListItem::Kind Kind() const;
    // UTC; invalid without times.
    QDateTime Modified() const;
    // "drwxr-xr-x" from the mode, for servers whose long names say nothing readable.
    QByteArray PermissionText() const;

    // Extended attributes are read past and never written.
    static bool Read(CSftpReader& reader, SftpAttributes* attributes);
    void Write(CSftpPacket& packet) const;
};
