#include "session/QuickConnectLogin.h"

#include "sites/PasswordProtection.h"

CQuickConnectLogin CQuickConnectLogin::FromData(const QString& data)
{
    const qsizetype comma = data.indexOf(u',');
    if (comma < 0)
        return {data, {}};
    return {data.left(comma), QString::fromUtf8(UnprotectPassword(data.mid(comma + 1).toUtf8()))};
}

QString CQuickConnectLogin::ToData() const
{
    return login + u',' + QString::fromUtf8(ProtectPassword(password.toUtf8()));
}
