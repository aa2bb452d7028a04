#pragma once

#include <QDateTime>
#include <QString>

// The record behind one row of the remote list.
struct CFtpListItem
{
    QString name;
    qint64 size = 0;
    QString typeText;
    QDateTime modified;
    bool isFolder = false;
    // One hexadecimal digit per rwx triplet: 0x755 reads as rwxr-xr-x.
    int permissionBits = 0;
    QString owner;
    QString group;
};
