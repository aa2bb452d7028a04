#pragma once

#include <QByteArray>
#include <QString>

// The X11 direct-save drag protocol: the drag source names a file in a property of its selection window,
// the file manager writes the full file:// URI of the chosen place back and then asks for the
// "XdndDirectSave0" data, which answers "S" when the source will save there and "F" to refuse.
class CXdndDirectSave
{
public:
    static const QString kType;

    // Only under the X11 platform.
    static bool Available();
    // Puts the suggested file name on the window that owns the running drag; false while there is none.
    static bool Offer(const QByteArray& fileName);
    // The URI the drop target wrote; empty when there is none.
    static QByteArray TargetUri();
    // Takes the property away again after the drag.
    static void Withdraw();

    // The local folder of a file URI written by a drop target; empty for anything that is not an absolute
    // file name on this machine.
    static QString FolderOfUri(const QByteArray& uri);
};
