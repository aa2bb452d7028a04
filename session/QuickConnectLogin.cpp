#include "session/QuickConnectLogin.h"

CQuickConnectLogin CQuickConnectLogin::FromData(const QString& data)
{
    const qsizetype comma = data.indexOf(u',');
    if (comma < 0)
        return {data, {}};
    return {data.left(comma), data.mid(comma + 1)};
}
