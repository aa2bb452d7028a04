#include "ui/connection/DragMarker.h"
#include "ui/connection/DropMarkerWatcher.h"
#include "ui/connection/RemoteDrag.h"
#include "ui/connection/RemoteDragMimeData.h"
#include "ui/connection/XdndDirectSave.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace
{

// Home and the user folders of the run; the desktop and a templates folder two levels down are named
// in user-dirs.dirs.
QString g_home;

bool Write(const QString& path, const QByteArray& content, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(content) == content.size();
}

} // namespace

class TestRemoteDrag : public QObject
{
    Q_OBJECT

    QStringList m_delivered;

    CRemoteItemsMimeData* Items()
    {
        return new CRemoteItemsMimeData({u"ftp://h/a.txt"_s},
                                        [this](const QString& to) { m_delivered << to; });
    }

private Q_SLOTS:
    void init() { m_delivered.clear(); }

    void dragCarriesItemsAndMarker()
    {
        QString folder;
        {
            CDragMarker marker;
            folder = QFileInfo(marker.Path()).absolutePath();
            QFile file(marker.Path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(),
                     "This file is created by Zentrava Pro. You can safely remove this file."_ba + '\0');
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
            std::unique_ptr<QMimeData> data(CRemoteDrag::MakeData(Items(), marker.Path()));
            // Direct save needs the X server.
            const bool x11 = QGuiApplication::platformName() == "xcb"_L1;
            QCOMPARE(data->formats(), QStringList({CRemoteItemsMimeData::kMimeType, u"text/uri-list"_s}) +
                                          (x11 ? QStringList{u"XdndDirectSave0"_s} : QStringList()));
            QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(marker.Path())});
            QVERIFY(CRemoteItemsMimeData::From(data.get())->DeliverTo(u"/x"_s));
            QCOMPARE(m_delivered, QStringList{u"/x"_s});
        }
        QVERIFY(!folder.isEmpty() && !QFileInfo::exists(folder));
    }

    // Folders are below home; the parts of the content are written a moment apart.
    void watcherDeliversWhereTheMarkerAppears_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<bool>("delivered");
        const QByteArrayList marker{CDragMarker::Content()};
        const QString name = CDragMarker::kFileName;
        QTest::newRow("home") << QString() << name << marker << true;
        QTest::newRow("desktop's folder") << u"Desktop/Work"_s << name << marker << true;
        QTest::newRow("templates") << u"x/Templates"_s << name << marker << true;
        QTest::newRow("upper case") << u"Desktop"_s << u"DELETEME.!!!"_s << marker << true;
        QTest::newRow("slow copy") << u"Documents"_s << name
                                   << QByteArrayList{marker[0].left(9), marker[0].mid(9)} << true;
        QTest::newRow("other name") << QString() << u"deleteme.txt"_s << marker << false;
        QTest::newRow("somebody's file") << QString() << name << QByteArrayList{"mine"} << false;
        QTest::newRow("unwatched") << u"a/b"_s << name << marker << false;
    }
    void watcherDeliversWhereTheMarkerAppears()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QByteArrayList, parts);
        QFETCH(bool, delivered);
        const QString dir = QDir(g_home).filePath(folder);
        const QString path = QDir(dir).filePath(name);
        CDropMarkerWatcher watcher;
        QStringList found;
        connect(&watcher, &CDropMarkerWatcher::MarkerFound, this, [&](const QString& at) { found << at; });
        watcher.Watch(CDropMarkerWatcher::LikelyDropFolders({}));
        for (const QByteArray& part : parts)
        {
            QVERIFY(Write(path, part, QIODevice::Append));
            QTest::qWait(200);
        }
        QCOMPARE(watcher.WaitForMarker(CRemoteDrag::kMarkerWaitMs), delivered);
        QCOMPARE(found, delivered ? QStringList{QFileInfo(dir).canonicalFilePath()} : QStringList());
        QCOMPARE(QFileInfo::exists(path), !delivered);
        QFile::remove(path);
    }

    // {dir} is an existing folder, {host} this machine's name.
    void directSaveDeliversToTheUrisFolder_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("plain") << u"file://{dir}/a.txt"_s << u"{dir}"_s << "S"_ba;
        QTest::newRow("localhost") << u"file://localhost{dir}/a.txt"_s << u"{dir}"_s << "S"_ba;
        QTest::newRow("this host") << u"file://{host}{dir}/a.txt"_s << u"{dir}"_s << "S"_ba;
        QTest::newRow("encoded") << u"file://{dir}/my%20d%C3%A9/a%23.txt"_s << u"{dir}/my dé"_s << "S"_ba;
        QTest::newRow("line end") << u"file://{dir}/a.txt\r\n"_s << u"{dir}"_s << "S"_ba;
        QTest::newRow("missing folder") << u"file:///zentrava-none/a"_s << u"/zentrava-none"_s << "F"_ba;
        QTest::newRow("other host") << u"file://elsewhere{dir}/a.txt"_s << QString() << "F"_ba;
        QTest::newRow("http") << u"http://host{dir}/a.txt"_s << QString() << "F"_ba;
        QTest::newRow("relative") << u"file:a.txt"_s << QString() << "F"_ba;
        QTest::newRow("no file name") << u"file://{dir}/"_s << QString() << "F"_ba;
        QTest::newRow("parent") << u"file://{dir}/.."_s << QString() << "F"_ba;
        QTest::newRow("encoded nul") << u"file://{dir}/a%00b"_s << QString() << "F"_ba;
        QTest::newRow("empty") << QString() << QString() << "F"_ba;
    }
    void directSaveDeliversToTheUrisFolder()
    {
        QFETCH(QString, uri);
        QFETCH(QString, folder);
        QFETCH(QByteArray, answer);
        const QString dir = QFileInfo(g_home).canonicalFilePath();
        const QByteArray written =
            uri.replace(u"{dir}"_s, dir).replace(u"{host}"_s, QSysInfo::machineHostName()).toUtf8();
        folder.replace(u"{dir}"_s, dir);
        QCOMPARE(CXdndDirectSave::FolderOfUri(written), folder);
        CRemoteDragMimeData data(Items(), QString(), [&] { return written; });
        QCOMPARE(data.data(CXdndDirectSave::kType), answer);
        QCOMPARE(m_delivered, answer == "S" ? QStringList{folder} : QStringList());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir home;
    g_home = home.path();
    qputenv("HOME", QFile::encodeName(g_home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_home + u"/.config"_s));
    for (const char* folder : {".config", "Desktop/Work", "x/Templates", "Documents", "a/b", "my dé"})
        QDir(g_home).mkpath(QString::fromUtf8(folder));
    Write(g_home + u"/.config/user-dirs.dirs"_s,
          "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_TEMPLATES_DIR=\"$HOME/x/Templates\"\n");
    QApplication app(argc, argv);
    TestRemoteDrag test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_remote_drag.moc"
