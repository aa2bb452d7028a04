#pragma once

#include <QMimeData>
#include <QStringList>

#include <functional>

// What a drag out of the remote list carries. Other programs read the dragged items' URLs; the program's
// own windows (the local browser, the site manager) hand the drop target back to the connection window
// that started the drag, which then queues the transfer.
class CRemoteItemsMimeData : public QMimeData
{
    Q_OBJECT

public:
    // The drop target: a local folder, or "ftp:\" followed by a saved site's path for a copy from server
    // to server.
    using Deliver = std::function<void(const QString& target)>;

    static const QString kMimeType;

    CRemoteItemsMimeData(const QStringList& remoteUrls, Deliver deliver);

    // Queues the dragged items for the target, once per drag; false when they were delivered already or
    // the target is empty.
    bool DeliverTo(const QString& target) const;
    bool Delivered() const { return m_delivered; }
    QStringList RemoteUrls() const { return m_remoteUrls; }

    // The drag's own data when the drop came from one of the program's windows, else null.
    static const CRemoteItemsMimeData* From(const QMimeData* data);

private:
    QStringList m_remoteUrls;
    Deliver m_deliver;
    mutable bool m_delivered = false;
};
