#include "ui/local/LocalFolderModel.h"

#include <QCoreApplication>

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

QVariant CLocalFolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList headings{QCoreApplication::translate("LocalFolderModel", "名稱"),
                                      QCoreApplication::translate("LocalFolderModel", "大小"),
                                      QCoreApplication::translate("LocalFolderModel", "類型"),
                                      QCoreApplication::translate("LocalFolderModel", "修改日期")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headings.size())
        return headings.at(section);
    return QFileSystemModel::headerData(section, orientation, role);
}
