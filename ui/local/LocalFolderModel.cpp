#include "ui/local/LocalFolderModel.h"

CLocalFolderModel::CLocalFolderModel(QObject* parent) : QFileSystemModel(parent)
{
    setReadOnly(false);
}

bool CLocalFolderModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const QString path = filePath(index);
    const QString newName = value.toString();
    if (QFileSystemModel::setData(index, value, role))
        return true;
    // An emptied name is taken as a cancelled edit.
    if (index.isValid() && index.column() == 0 && role == Qt::EditRole && !newName.isEmpty())
        Q_EMIT RenameFailed(path, newName);
    return false;
}
