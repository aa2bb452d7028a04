#pragma once

#include "transfer/TransferEntry.h"

#include <QDateTime>
#include <QString>

// A local file or folder chosen for upload.
struct CLocalFileRecord
{
    quint32 attributes = 0;
    QDateTime created;
    QDateTime accessed;
    QDateTime modified;
    qint64 size = 0;
    // The full local path; "<local path>|<remote path>" once a remote name has been chosen.
    QString path;

    // The record of whatever lies at the path now (folders get kAttributeFolder).
    static CLocalFileRecord FromPath(const QString& path);
    CTransferEntry ToEntry() const;
};
