#include "ui/connection/RemoteDragMimeData.h"

#include "ui/connection/XdndDirectSave.h"

#include <QFileInfo>
#include <QUrl>

CRemoteDragMimeData::CRemoteDragMimeData(CRemoteItemsMimeData* items, const QString& markerPath,
                                         UriReader directSaveUri)
    : CRemoteItemsMimeData(items->RemoteUrls(),
                           [this, items](const QString& target)
                           {
                               items->DeliverTo(target);
                               Q_EMIT DeliveredTo(target);
                           }),
      m_directSaveUri(std::move(directSaveUri))
{
    items->setParent(this);
    if (!markerPath.isEmpty())
        setUrls({QUrl::fromLocalFile(markerPath)});
}

QStringList CRemoteDragMimeData::formats() const
{
    QStringList types = CRemoteItemsMimeData::formats();
    if (m_directSaveUri)
        types << CXdndDirectSave::kType;
    return types;
}

QVariant CRemoteDragMimeData::retrieveData(const QString& type, QMetaType metaType) const
{
    if (type != CXdndDirectSave::kType || !m_directSaveUri)
        return CRemoteItemsMimeData::retrieveData(type, metaType);
    // The target asks for this after writing the chosen file's URI; "F" lets it fall back to the marker.
    const QString folder = CXdndDirectSave::FolderOfUri(m_directSaveUri());
    const bool saving = !folder.isEmpty() && QFileInfo(folder).isDir() && DeliverTo(folder);
    return QByteArray(saving ? "S" : "F");
}
