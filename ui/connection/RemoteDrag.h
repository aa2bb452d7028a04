#pragma once

#include <QStringList>

class CRemoteDragMimeData;
class CRemoteItemsMimeData;
class QWidget;

// A drag of remote items out of the remote list. The program's own windows deliver the drop themselves;
// a file manager's drop folder is learnt by direct save or from where the dragged marker file's copy
// appears, and the items are delivered there.
class CRemoteDrag
{
public:
    // How long an accepted drop may take to show its folder; nothing happens after that.
    static constexpr int kMarkerWaitMs = 2500;

    // Takes ownership of the data, as a drag does. The extra folders are watched for the marker besides
    // the usual places (the local browser's folder, for instance).
    static void Run(QWidget* source, CRemoteItemsMimeData* data, const QStringList& extraWatchedFolders);

    // What the drag carries for the data and the marker; direct save only under X11.
    static CRemoteDragMimeData* MakeData(CRemoteItemsMimeData* data, const QString& markerPath);
};
