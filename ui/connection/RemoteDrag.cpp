#include "ui/connection/RemoteDrag.h"

#include "ui/connection/DragMarker.h"
#include "ui/connection/DropMarkerWatcher.h"
#include "ui/connection/RemoteDragMimeData.h"
#include "ui/connection/XdndDirectSave.h"

#include <QAbstractScrollArea>
#include <QDrag>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace
{

// The selection window exists only once the drag runs, so the name is put there from inside the drag.
constexpr int kOfferRetryMs = 20;

bool s_running = false;

// Keeps the source from taking its own drag (it would upload the marker) until the drag is over.
class CDropsOff
{
public:
    explicit CDropsOff(QWidget* source)
    {
        auto* area = qobject_cast<QAbstractScrollArea*>(source);
        for (QWidget* widget : {source, area ? area->viewport() : nullptr})
        {
            if (widget && widget->acceptDrops())
            {
                m_widgets << widget;
                widget->setAcceptDrops(false);
            }
        }
    }
    ~CDropsOff()
    {
        for (const QPointer<QWidget>& widget : m_widgets)
            if (widget)
                widget->setAcceptDrops(true);
    }

private:
    QList<QPointer<QWidget>> m_widgets;
};

} // namespace

CRemoteDragMimeData* CRemoteDrag::MakeData(CRemoteItemsMimeData* data, const QString& markerPath)
{
    return new CRemoteDragMimeData(data, markerPath,
                                   CXdndDirectSave::Available() ? &CXdndDirectSave::TargetUri
                                                                : CRemoteDragMimeData::UriReader());
}

void CRemoteDrag::Run(QWidget* source, CRemoteItemsMimeData* data, const QStringList& extraWatchedFolders)
{
    // A drag started from inside the wait of another one would block that wait.
    if (s_running || !source)
    {
        delete data;
        return;
    }
    s_running = true;
    CDropsOff dropsOff(source);
    CDragMarker marker;
    QPointer<CRemoteDragMimeData> dragData = MakeData(data, marker.Path());
    CDropMarkerWatcher watcher;
    QObject::connect(&watcher, &CDropMarkerWatcher::MarkerFound, &watcher,
                     [&dragData](const QString& folder)
                     {
                         if (dragData)
                             dragData->DeliverTo(folder);
                     });
    QObject::connect(dragData, &CRemoteDragMimeData::DeliveredTo, &watcher, &CDropMarkerWatcher::EndWait);
    if (!marker.Path().isEmpty())
        watcher.Watch(CDropMarkerWatcher::LikelyDropFolders(extraWatchedFolders));

    const bool directSave = dragData->formats().contains(CXdndDirectSave::kType);
    QByteArray suggestedName = QUrl(data->RemoteUrls().value(0)).fileName().toUtf8();
    if (suggestedName.isEmpty())
        suggestedName = CDragMarker::kFileName.toUtf8();
    QTimer offer;
    offer.setInterval(kOfferRetryMs);
    QObject::connect(&offer, &QTimer::timeout, &offer,
                     [&offer, &suggestedName]
                     {
                         if (CXdndDirectSave::Offer(suggestedName))
                             offer.stop();
                     });
    if (directSave)
        offer.start();

    // The platform deletes the drag (and its data) when it is done with it, possibly only after a
    // direct-save request that comes after exec returned.
    auto* drag = new QDrag(source);
    drag->setMimeData(dragData);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    offer.stop();
    const bool accepted = action == Qt::CopyAction || action == Qt::MoveAction;
    if (accepted && dragData && !dragData->Delivered())
        watcher.WaitForMarker(kMarkerWaitMs);
    watcher.Stop();
    if (directSave)
        CXdndDirectSave::Withdraw();
    s_running = false;
}
