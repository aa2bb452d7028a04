#pragma once

#include "servers/Harness.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

#include "app/Profile.h"
#include "session/RemoteListModel.h"
#include "transfer/TransferQueue.h"
#include "ui/connection/ChildFrame.h"
#include "ui/connection/FTPClientView.h"
#include "ui/connection/RemoteIconModel.h"
#include "ui/frame/MainFrame.h"

#include "ModalAnswerer.h"

#include <sys/stat.h>
#include <unistd.h>

// Pieces shared by the tests that drive a connection window against a harness server.
namespace WindowTestSupport
{
using namespace Qt::StringLiterals;
constexpr int kWaitMs = 30000;

// A folder of the harness server as the test sees it on disk, as the client names it, and its address.
struct CRemoteFolder
{
    QString disk;
    QString remote;
    QString address;
};

// Files made by the test belong to the server's user, as if they had been uploaded.
inline bool GiveToServerUser(const QString& path, const QString& ownerOf)
{
    struct stat owner = {};
    return ::stat(QFile::encodeName(ownerOf).constData(), &owner) == 0 &&
           ::chown(QFile::encodeName(path).constData(), owner.st_uid, owner.st_gid) == 0;
}

inline bool MakeServerFile(const QString& path, const QByteArray& content, const QString& ownerOf)
{
    return TestFiles::WriteFile(path, content) && GiveToServerUser(path, ownerOf);
}

// A fresh folder of the kind's harness server with a.txt, b.bin (random), old.txt and sub/inner.txt.
// SFTP paths are the disk's own; the FTP user sees the server's root folder as "/".
inline bool MakeServerFolder(const QString& kind, CRemoteFolder* folder)
{
    CTestServer* server = Harness::Require(kind);
    if (!server)
        return false;
    const bool sftp = kind == "sshd"_L1;
    const QString base = sftp ? server->Value(u"WORKDIR"_s) : server->Root();
    const QString name = u"wt%1"_s.arg(QRandomGenerator::global()->bounded(1000000));
    folder->disk = base + u'/' + name;
    folder->remote = (sftp ? base : QString()) + u'/' + name;
    folder->address =
        u"%1://%2:%3@127.0.0.1:%4%5"_s.arg(sftp ? "sftp" : "ftp", server->User(), server->Password())
            .arg(server->Port())
            .arg(folder->remote);
    return QDir().mkpath(folder->disk + "/sub") && GiveToServerUser(folder->disk, base) &&
           GiveToServerUser(folder->disk + "/sub", base) &&
           MakeServerFile(folder->disk + "/a.txt", "a", base) &&
           TestFiles::MakeFile(folder->disk + "/b.bin", 70000) &&
           GiveToServerUser(folder->disk + "/b.bin", base) &&
           MakeServerFile(folder->disk + "/old.txt", "old", base) &&
           MakeServerFile(folder->disk + "/sub/inner.txt", "inner", base);
}

// Pictures for a person to look at, checked for the texts they must show and written in every run.
inline void SaveShot(QWidget& widget, const QString& name, const QStringList& texts)
{
    const QString problem = Screenshot::Save(widget, name, texts);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// A new window of the frame once it connected and listed; null when it gave up.
inline CChildFrame* OpenAndWait(CMainFrame& frame, const QString& address)
{
    auto* window = qobject_cast<CChildFrame*>(frame.OpenConnection(address)->widget());
    CFTPClientView* view = window ? window->View() : nullptr;
    const auto settled = [view]
    {
        return view->Session().IsConnected() && !view->Controller().IsWaiting() &&
               !view->Controller().IsBusyShown();
    };
    return view && QTest::qWaitFor(settled, kWaitMs) ? window : nullptr;
}

inline bool WaitForEmptyQueue(const CTransferQueue& queue)
{
    return QTest::qWaitFor([&] { return queue.rowCount() == 0; }, kWaitMs);
}

inline void SelectRows(CFTPClientView* view, const QStringList& names)
{
    QItemSelectionModel* selection = view->DetailsView()->selectionModel();
    selection->clearSelection();
    for (const QString& name : names)
    {
        const QModelIndex index = view->ShownModel()->index(view->Session().ListModel().FindRow(name), 0);
        selection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

inline QStringList Names(CFTPClientView* view)
{
    QStringList names;
    for (const CFtpListItem& item : view->Session().ListModel().Items())
        names << item.name;
    return names;
}

// What every window test starts with: its own settings folder with a short connection timeout, and its
// dialogs answered.
struct CFixture
{
    QTemporaryDir home;
    CModalAnswerer answerer;
    QByteArray userHome = qgetenv("HOME");
    CFixture()
    {
        // The local browser starts in the home folder's desktop, where downloads go by default.
        qputenv("HOME", home.path().toUtf8());
        qputenv("ZENTRAVA_HOME", home.path().toUtf8());
        WriteProfileInt("Settings", "ConnectionTimeout", 20);
    }
    ~CFixture()
    {
        qunsetenv("ZENTRAVA_HOME");
        qputenv("HOME", userHome);
    }
};

} // namespace WindowTestSupport
