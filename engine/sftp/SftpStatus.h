#pragma once

#include "engine/FtpResult.h"

#include <QByteArray>
#include <QString>

class CSftpReader;

// The body of an SSH_FXP_STATUS answer: a code and the server's own text.
struct SftpStatus
{
    quint32 code = 0;
    QByteArray message;

    bool Ok() const { return code == 0; }
    // Version 3 servers may leave out the message and language tag.
    static bool Read(CSftpReader& reader, SftpStatus* status);
    // "<what>：<meaning>（<server text>）", the server's text only when it gave one.
    QString Describe(const QString& what) const;
    // Success for code 0, else a refusal carrying Describe(what).
    FtpResult ToResult(const QString& what) const;
};
