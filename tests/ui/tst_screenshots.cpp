#include "ui/AboutDlg.h"
#include "ui/MainFrame.h"
#include "ui/MdiTabBar.h"
#include "ui/ResizableDlgBar.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

// Pictures of the main window for a person to look at; written only when ZENTRAVA_SCREENSHOTS names a folder.
class TestScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mainWindow();
    void aboutBox();

private:
    void Save(QWidget* widget, const QString& name);

    QTemporaryDir m_home;
    QDir m_folder;
};

void TestScreenshots::initTestCase()
{
    const QString folder = qEnvironmentVariable("ZENTRAVA_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("ZENTRAVA_SCREENSHOTS is not set");
    QVERIFY(QDir().mkpath(folder));
    m_folder = QDir(folder);
    qputenv("ZENTRAVA_HOME", m_home.path().toUtf8());
    CTranslations::Install(*qApp);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zentrava.svg")));
}

void TestScreenshots::Save(QWidget* widget, const QString& name)
{
    const QString path = m_folder.filePath(name);
    QVERIFY(widget->grab().save(path));
    const QImage written(path);
    QCOMPARE(written.size(), widget->size() * widget->devicePixelRatio());
}

void TestScreenshots::mainWindow()
{
    CMainFrame frame;
    frame.resize(1024, 700);
    frame.ShowWithSavedPlacement();
    frame.OpenConnection(QStringLiteral("工作\\備份主機"));
    frame.OpenConnection(QStringLiteral("ftp://tester@127.0.0.1:2121/pub"));
    QTRY_COMPARE(frame.TabBar()->count(), 2);
    QTRY_COMPARE(frame.SiteManagerBar()->width(), frame.SiteManagerBar()->Sizes().vertical.width());
    Save(&frame, QStringLiteral("mainframe.png"));
}

void TestScreenshots::aboutBox()
{
    CAboutDlg about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    Save(&about, QStringLiteral("about.png"));
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
