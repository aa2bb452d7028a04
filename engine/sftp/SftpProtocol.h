#pragma once

// SFTP version 3 numbers: draft-ietf-secsh-filexfer-02; check-file from
// draft-ietf-secsh-filexfer-extensions-00.

#include <QtGlobal>

namespace Sftp
{
constexpr quint32 kVersion = 3;

enum MessageType : quint8
{
    Init = 1,
    Version = 2,
    Open = 3,
    Close = 4,
    Read = 5,
    Write = 6,
    Lstat = 7,
    Fstat = 8,
    Setstat = 9,
    Fsetstat = 10,
    Opendir = 11,
    Readdir = 12,
    Remove = 13,
    Mkdir = 14,
    Rmdir = 15,
    Realpath = 16,
    Stat = 17,
    Rename = 18,
    Readlink = 19,
    Status = 101,
    Handle = 102,
    Data = 103,
    Name = 104,
    Attrs = 105,
    Extended = 200,
    ExtendedReply = 201
};

enum StatusCode : quint32
{
    Ok = 0,
    Eof = 1,
    NoSuchFile = 2,
    PermissionDenied = 3,
    Failure = 4,
    BadMessage = 5,
    NoConnection = 6,
    ConnectionLost = 7,
    OpUnsupported = 8
};

enum OpenFlag : quint32
{
    OpenRead = 0x01,
    OpenWrite = 0x02,
    OpenAppend = 0x04,
    OpenCreate = 0x08,
    OpenTruncate = 0x10
};

enum AttributeFlag : quint32
{
    AttrSize = 0x01,
    AttrUidGid = 0x02,
    AttrPermissions = 0x04,
    AttrTimes = 0x08,
    AttrExtended = 0x80000000u
};

// File type bits of the permissions field (as in st_mode).
constexpr quint32 kTypeMask = 0170000;
constexpr quint32 kTypeFolder = 0040000;
constexpr quint32 kTypeFile = 0100000;
constexpr quint32 kTypeLink = 0120000;
} // namespace Sftp
