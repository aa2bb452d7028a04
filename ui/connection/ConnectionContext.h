#pragma once

#include "sites/FtpSite.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CSiteList;
class CTransferQueue;

// What a connection window works with from the main frame, handed in when it is made. Outside a main
// frame (tests) every part may be missing: the window then keeps a site list of its own, and the
// commands that need the queue or the local browser stay disabled.
struct CConnectionContext
{
    CSiteList* sites = nullptr;
    CTransferQueue* queue = nullptr;
    // The site selected in the site manager.
    std::function<std::optional<CFtpSite>()> selectedSite;
    // The local browser's folder, and showing another folder in it.
    std::function<QString()> localFolder;
    std::function<void(const QString& folder)> showLocalFolder;
    // The local browser's selection, in its order, and whether its view has the keyboard focus.
    std::function<QStringList()> localSelection;
    std::function<bool()> localHasFocus;
};
