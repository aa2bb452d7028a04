#pragma once

#include <QByteArray>

enum class FtpSupport
{
    Unknown,
    Yes,
    No
};

// What this connection has learnt about the server, so a refused command is not tried again.
struct FtpCapabilities
{
    FtpSupport epsv = FtpSupport::Unknown;
    FtpSupport eprt = FtpSupport::Unknown;
    FtpSupport xcrc = FtpSupport::Unknown;
    FtpSupport xmd5 = FtpSupport::Unknown;
    FtpSupport xsha1 = FtpSupport::Unknown;
    FtpSupport xsha = FtpSupport::Unknown;
    FtpSupport restStor = FtpSupport::Unknown;
    QByteArray selectedHash; // the HASH algorithm in force (FEAT's '*', then OPTS HASH)
};
