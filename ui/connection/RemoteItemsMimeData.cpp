#include "ui/connection/RemoteItemsMimeData.h"

const QString CRemoteItemsMimeData::kMimeType = QStringLiteral("application/x-zentrava-remote-items");

CRemoteItemsMimeData::CRemoteItemsMimeData(const QStringList& remoteUrls, Deliver deliver)
    : m_remoteUrls(remoteUrls), m_deliver(std::move(deliver))
{
    setData(kMimeType, remoteUrls.join(u'\n').toUtf8());
}

bool CRemoteItemsMimeData::DeliverTo(const QString& target) const
{
    if (m_delivered || target.isEmpty() || !m_deliver)
        return false;
    m_delivered = true;
    m_deliver(target);
    return true;
}

const CRemoteItemsMimeData* CRemoteItemsMimeData::From(const QMimeData* data)
{
    return qobject_cast<const CRemoteItemsMimeData*>(data);
}
