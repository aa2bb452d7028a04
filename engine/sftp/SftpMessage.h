#pragma once

#include <QByteArray>

// One answer from the server: its type, request id (the version for SSH_FXP_VERSION) and the fields after.
struct SftpMessage
{
    quint8 type = 0;
    quint32 id = 0;
    QByteArray body;
};
