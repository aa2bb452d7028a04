#include "transfer/LocalFileRecord.h"

#include <QFileInfo>

CLocalFileRecord CLocalFileRecord::FromPath(const QString& path)
{
    const QFileInfo info(path);
    CLocalFileRecord record;
    record.attributes = info.isDir() ? kAttributeFolder : 0;
    record.created = info.birthTime();
    record.accessed = info.lastRead();
    record.modified = info.lastModified();
    record.size = info.isDir() ? 0 : info.size();
    record.path = path;
    return record;
}

CTransferEntry CLocalFileRecord::ToEntry() const
{
    return {path, attributes, size, modified};
}
