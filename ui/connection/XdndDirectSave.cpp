#include "ui/connection/XdndDirectSave.h"

#include <QDir>
#include <QGuiApplication>
#include <QSysInfo>
#include <QUrl>

#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

const QString CXdndDirectSave::kType = QStringLiteral("XdndDirectSave0");

namespace
{

// Property values longer than this are not file names a target would write.
constexpr uint32_t kMaxUriWords = 4096;

constexpr xcb_window_t kNoWindow = XCB_WINDOW_NONE;
constexpr xcb_atom_t kNoAtom = XCB_ATOM_NONE;

template <typename T> using CReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* Connection()
{
    if (!CXdndDirectSave::Available())
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const QByteArray& name)
{
    CReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.constData()),
                              nullptr),
        &std::free);
    return reply ? reply->atom : kNoAtom;
}

// The window that owns the drag's selection, the one drop targets read the property from; none when the
// selection is another program's (a drag of ours has not taken it yet).
struct CDragWindow
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = kNoWindow;
    xcb_atom_t property = kNoAtom;
};

CDragWindow OwnDragWindow()
{
    CDragWindow found;
    xcb_connection_t* connection = Connection();
    if (!connection)
        return found;
    const xcb_atom_t selection = Atom(connection, "XdndSelection");
    CReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr),
        &std::free);
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!reply || reply->owner == kNoWindow ||
        (reply->owner & ~setup->resource_id_mask) != setup->resource_id_base)
        return found;
    found = {connection, reply->owner, Atom(connection, CXdndDirectSave::kType.toLatin1())};
    return found;
}

} // namespace

bool CXdndDirectSave::Available()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool CXdndDirectSave::Offer(const QByteArray& fileName)
{
    const CDragWindow drag = OwnDragWindow();
    if (drag.window == kNoWindow)
        return false;
    xcb_change_property(drag.connection, XCB_PROP_MODE_REPLACE, drag.window, drag.property,
                        Atom(drag.connection, "text/plain"), 8, fileName.size(), fileName.constData());
    xcb_flush(drag.connection);
    return true;
}

QByteArray CXdndDirectSave::TargetUri()
{
    const CDragWindow drag = OwnDragWindow();
    if (drag.window == kNoWindow)
        return {};
    const xcb_get_property_cookie_t cookie = xcb_get_property(drag.connection, 0, drag.window, drag.property,
                                                              XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxUriWords);
    CReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(drag.connection, cookie, nullptr),
                                           &std::free);
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

void CXdndDirectSave::Withdraw()
{
    const CDragWindow drag = OwnDragWindow();
    if (drag.window == kNoWindow)
        return;
    xcb_delete_property(drag.connection, drag.window, drag.property);
    xcb_flush(drag.connection);
}

QString CXdndDirectSave::FolderOfUri(const QByteArray& uri)
{
    // Some targets end the text with a NUL or a line break.
    const qsizetype nul = uri.indexOf('\0');
    const QUrl url = QUrl::fromEncoded(uri.left(nul < 0 ? uri.size() : nul).trimmed());
    const QString host = url.host();
    const bool local = host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
                       host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
    if (!url.isValid() || url.scheme() != QLatin1String("file") || !local || url.hasQuery() ||
        url.hasFragment() || !url.userInfo().isEmpty() || url.port() != -1)
        return {};
    const QString path = url.path(QUrl::FullyDecoded);
    // A folder needs a file name below it; ".." and "." are no file names.
    const QString name = path.section(u'/', -1);
    if (!path.startsWith(u'/') || name.isEmpty() || name == QLatin1String(".") ||
        name == QLatin1String("..") || path.contains(QChar(0)))
        return {};
    return QDir::cleanPath(path.left(qMax(1, path.lastIndexOf(u'/'))));
}
