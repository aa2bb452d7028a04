#pragma once

#include <QDateTime>
#include <QString>

inline constexpr quint32 kAttributeFolder = 0x10;
// Upload entries only: continue the remote file, whose size the entry then carries.
inline constexpr quint32 kAttributeResume = 0x80;

// One entry of a job's file list. Downloads: a remote name. Uploads: a local path, optionally followed
// by "|" and the remote path to store it under.
struct CTransferEntry
{
    QString name;
    quint32 attributes = 0;
    qint64 size = 0;
    QDateTime modified;
};
