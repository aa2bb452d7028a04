#pragma once

#include <QDateTime>
#include <QString>

// The record behind one row of the remote list.
struct CFtpListItem
{
    QString name;
    qint64 size = 0;
    // Empty until first needed; the remote list fills it in from the name.
    QString typeText;
    QDateTime modified;
    bool isFolder = false;
    // One hexadecimal digit per rwx triplet: 0x755 reads as rwxr-xr-x.
    int permissionBits = 0;
    QString owner;
    QString group;

    // The row that leads up one level; listings never carry an entry of that name themselves.
    static CFtpListItem ParentRow() { return {QStringLiteral(".."), 0, {}, {}, true, 0, {}, {}}; }
    bool IsParent() const { return isFolder && name == QLatin1String(".."); }
};
