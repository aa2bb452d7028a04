#include "transfer/RemotePath.h"

QString JoinRemotePath(const QString& folder, const QString& name)
{
    QString joined = folder;
    while (joined.endsWith(u'/'))
        joined.chop(1);
    return joined + u'/' + name;
}
