#pragma once

#include "engine/Checksum.h"
#include "engine/ftp/FtpReply.h"

#include <QByteArray>
#include <QDateTime>

// Values carried in reply texts. Bytes in, values out; no I/O.
class CReplyParser
{
public:
    // 257 "/a ""quoted"" folder" is created (RFC 959 appendix II); the bare text when nothing is quoted.
    static QByteArray QuotedPath(const FtpReply& reply);
    // "150 Opening BINARY mode data connection for x (1234 bytes)"; -1 when not given.
    static qint64 TransferSize(const FtpReply& reply);
    // "YYYYMMDDHHMMSS[.sss]" (RFC 3659 time-val, UTC); invalid when malformed.
    static QDateTime Timestamp(const QByteArray& text);
    static QByteArray TimestampText(const QDateTime& time);
    // The checksum in a HASH reply ("213 SHA-1 0-8192 <hex> name") as lower-case hex; empty if absent.
    static QByteArray HashChecksum(const FtpReply& reply);
    // The checksum in an XCRC/XMD5/XSHA1 reply ("250 <HEX>", "251 name <HEX>") as lower-case hex.
    static QByteArray CommandChecksum(const FtpReply& reply, ChecksumKind kind);
};
