#pragma once

#include "ui/connection/RemoteItemsMimeData.h"

// The data of a running drag out of the remote list: the remote items for the program's own windows,
// a marker file's URL for file managers, and where the platform has it, direct save into the drop folder.
class CRemoteDragMimeData : public CRemoteItemsMimeData
{
    Q_OBJECT

public:
    // Gives the file URI a direct-save target wrote.
    using UriReader = std::function<QByteArray()>;

    // Takes ownership of the items' data; delivering here delivers that. No marker without a path, no
    // direct save without a reader.
    CRemoteDragMimeData(CRemoteItemsMimeData* items, const QString& markerPath, UriReader directSaveUri);

    QStringList formats() const override;

Q_SIGNALS:
    void DeliveredTo(const QString& target);

protected:
    QVariant retrieveData(const QString& type, QMetaType metaType) const override;

private:
    UriReader m_directSaveUri;
};
