#pragma once

#include <QByteArray>
#include <QDateTime>

// One entry of a remote folder listing, as read from a LIST or MLSD line.
struct ListItem
{
    enum class Kind
    {
        Folder = 0,
        File = 1,
        Link = 2,
        Other = 3
    };

    QByteArray name; // never contains '/'
    qint64 size = 0;
    QByteArray owner, group;
    QByteArray permissions; // "drwxr-xr-x" style text; synthesised from UNIX.mode for MLSD when needed
    QDateTime modified;     // UTC; invalid when the listing gives no date
    Kind kind = Kind::File;
    QByteArray linkTarget; // for "name -> target" symbolic links
    // The seconds modified is rounded down to: 60 or 86400 when the listing shows no seconds or no time.
    int timePrecision = 1;
};
