#pragma once

#include <QFileSystemModel>

// The local browser's listing. Items are renamed in place; dragging them out offers copies only, and
// a rename that the file system refuses is reported instead of silently undone.
class CLocalFolderModel : public QFileSystemModel
{
    Q_OBJECT

public:
    explicit CLocalFolderModel(QObject* parent = nullptr);

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // The headings of the remote list, not Qt's English ones.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

Q_SIGNALS:
    void RenameFailed(const QString& path, const QString& newName);
};
