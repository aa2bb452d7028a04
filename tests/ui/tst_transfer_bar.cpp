#include "support/Screenshot.h"
#include "transfer/WorkerTestSupport.h"

#include "transfer/TransferQueue.h"
#include "transfer/TransferRequester.h"
#include "ui/GuiOverwritePrompts.h"
#include "ui/GuiTransferProgress.h"
#include "ui/MainFrame.h"
#include "ui/RenameFileDlg.h"
#include "ui/ReplaceFileDlg.h"
#include "ui/ResizableDlgBar.h"
#include "ui/ScheduleDlg.h"
#include "ui/TransferDetailsDlg.h"
#include "ui/TransferManagerBar.h"
#include "ui/TransferProgressDelegate.h"
#include "ui/TransferProgressDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTimeEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include <atomic>
#include <functional>
#include <memory>

using namespace WorkerTest;

namespace
{

const QString kSmart = QStringLiteral("SmartOverwrite");

// Runs answer on the next modal dialog of type T that opens, once the caller starts waiting on it.
template <typename T> void AnswerNextModal(std::function<void(T&)> answer)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll,
                     [poll, answer]
                     {
                         if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
                         {
                             poll->deleteLater();
                             poll->stop();
                             answer(*dialog);
                         }
                     });
    poll->start();
}

QString Cell(const QAbstractItemModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

// The queue, the windows' prompts and progress windows over it, and the bar, torn down queue first.
struct CBarFixture
{
    QWidget host;
    CGuiOverwritePrompts prompts{&host};
    CWorkerFactory factory{prompts, CGuiTransferProgress::Maker(&host)};
    std::unique_ptr<CTransferQueue> queue = std::make_unique<CTransferQueue>(factory, nullptr, nullptr);
    CTransferManagerBar* bar = new CTransferManagerBar(*queue, &host);

    CBarFixture() { (new QVBoxLayout(&host))->addWidget(bar); }
    ~CBarFixture()
    {
        delete bar;
        queue.reset();
    }

    void Select(int row) const
    {
        bar->List()->selectionModel()->select(queue->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                        QItemSelectionModel::Rows);
    }
    QString Status(int row) const { return Cell(*queue, row, CTransferQueue::StatusColumn); }
    // Failed jobs come back in the order they ended, so tests find rows by name.
    int RowNamed(const QString& name) const
    {
        for (int row = 0; row < queue->rowCount(); ++row)
            if (Cell(*queue, row, CTransferQueue::NameColumn) == name)
                return row;
        return -1;
    }
};

// A worker thread asking the prompts; the answer is read once the thread has ended.
class CAskingThread : public QThread
{
public:
    CAskingThread(IOverwritePrompts& prompts, const COverwritePromptInfo& info)
        : m_prompts(prompts), m_info(info)
    {
    }
    OverwriteAction answer = OverwriteAction::Prompt;

protected:
    void run() override { answer = m_prompts.AskReplace(m_info); }

private:
    IOverwritePrompts& m_prompts;
    COverwritePromptInfo m_info;
};

COverwritePromptInfo PromptInfo(bool lastFile)
{
    COverwritePromptInfo info;
    info.targetPath = QStringLiteral("/tmp/folder/report.txt");
    info.existingSize = 2048;
    info.existingTime = QDateTime(QDate(2024, 5, 1), QTime(10, 0));
    info.incomingSize = 1234567;
    info.incomingTime = QDateTime(QDate(2024, 6, 1), QTime(11, 30));
    info.lastFile = lastFile;
    return info;
}

} // namespace

class TestTransferBar : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CServerPool m_servers;

    CTestServer* Proftpd() { return m_servers.Require(QStringLiteral("proftpd")); }

    CTransferJob DownloadJob(CTestServer& server, const QString& name, CRequester& requester) const
    {
        CTransferJob job = JobFor(server, QStringLiteral("proftpd"), false, QStringLiteral("/"));
        job.localFolder = m_dir->path();
        job.requestingWindow = &requester;
        job.attempts = 1;
        job.files = {Entry(name)};
        return job;
    }

    static void SaveShot(QWidget& widget, const QString& name, const QStringList& texts)
    {
        const QString problem = Screenshot::Save(widget, name, texts);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(ResetSettings(m_home)); }
    void cleanupTestCase() { m_servers.Clear(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QFile::remove(CDataFolder::SettingsFile());
    }

    void progressText_data()
    {
        QTest::addColumn<QString>("percent");
        QTest::addColumn<int>("innerWidth");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("done");
        QTest::newRow("empty") << QString() << 100 << QString() << 0;
        QTest::newRow("zero") << QStringLiteral("0") << 100 << QStringLiteral("0%") << 0;
        QTest::newRow("half of 81") << QStringLiteral("50") << 81 << QStringLiteral("50%") << 40;
        QTest::newRow("all") << QStringLiteral("100") << 81 << QStringLiteral("100%") << 81;
        QTest::newRow("beyond") << QStringLiteral("250") << 80 << QStringLiteral("250%") << 80;
        QTest::newRow("negative") << QStringLiteral("-3") << 80 << QStringLiteral("-3%") << 0;
    }

    void progressText()
    {
        QFETCH(QString, percent);
        QFETCH(int, innerWidth);
        QFETCH(QString, text);
        QFETCH(int, done);
        QCOMPARE(CTransferProgressDelegate::ProgressText(percent), text);
        QCOMPARE(CTransferProgressDelegate::DoneWidth(percent, innerWidth), done);
    }

    // The done part and the rest of the bar take the two colourings of selected and other rows.
    void progressColouring_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");
        QTest::newRow("other") << false << QColor(Qt::red) << QColor(Qt::green);
        QTest::newRow("selected") << true << QColor(Qt::green) << QColor(Qt::blue);
    }

    void progressColouring()
    {
        QFETCH(bool, selected);
        QFETCH(QColor, left);
        QFETCH(QColor, right);
        QStandardItemModel model(1, CTransferQueue::ColumnCount);
        model.setData(model.index(0, CTransferQueue::ProgressColumn), QStringLiteral("50"));
        CTransferProgressDelegate delegate;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 104, 20);
        option.palette.setColor(QPalette::Highlight, Qt::red);
        option.palette.setColor(QPalette::Button, Qt::green);
        option.palette.setColor(QPalette::Base, Qt::blue);
        option.palette.setColor(QPalette::Text, Qt::black);
        if (selected)
            option.state |= QStyle::State_Selected;
        QImage image(option.rect.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            delegate.paint(&painter, option, model.index(0, CTransferQueue::ProgressColumn));
        }
        // Near the ends of the bar, clear of the centred "50%".
        QCOMPARE(image.pixelColor(6, 10), left);
        QCOMPARE(image.pixelColor(97, 10), right);
        QCOMPARE(image.pixelColor(0, 0), selected ? QColor(Qt::red) : QColor(Qt::blue));
    }

    // Stored parts set their columns; the rest share the width equally, and a resize lasts into the
    // next bar.
    void columnWidthsKept()
    {
        QVERIFY(WriteProfileString(QStringLiteral("Settings"), QStringLiteral("TransferColumnWidth"),
                                   QStringLiteral("50,70,")));
        int equal = 0;
        {
            CBarFixture fixture;
            QHeaderView* header = fixture.bar->List()->header();
            QCOMPARE(header->sectionSize(0), 50);
            QCOMPARE(header->sectionSize(1), 70);
            equal = header->sectionSize(2);
            QVERIFY(equal > 50 && equal <= CTransferManagerBar::kTemplateWidth / CTransferQueue::ColumnCount);
            QCOMPARE(header->sectionSize(5), equal);
            header->resizeSection(3, 123);
        }
        CBarFixture fixture;
        QHeaderView* header = fixture.bar->List()->header();
        const QList<int> widths{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2),
                                header->sectionSize(3), header->sectionSize(4), header->sectionSize(5)};
        QCOMPARE(widths, (QList<int>{50, 70, equal, 123, equal, equal}));
    }

    void scheduleEnabling_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("repeat");
        QTest::newRow("off") << false << false;
        QTest::newRow("repeat only") << false << true;
        QTest::newRow("enabled") << true << false;
        QTest::newRow("both") << true << true;
    }

    // The start takes part only while the schedule is enabled, the interval only while it also
    // repeats; the interval stays within 1 to 999.
    void scheduleEnabling()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, repeat);
        CScheduleDlg dialog(CScheduleInfo{});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("排程作業"));
        dialog.findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(enabled);
        dialog.findChild<QCheckBox*>(QStringLiteral("repeat"))->setChecked(repeat);
        QCOMPARE(dialog.findChild<QDateEdit*>(QStringLiteral("date"))->isEnabled(), enabled);
        QCOMPARE(dialog.findChild<QTimeEdit*>(QStringLiteral("time"))->isEnabled(), enabled);
        auto* interval = dialog.findChild<QSpinBox*>(QStringLiteral("interval"));
        QCOMPARE(interval->isEnabled(), enabled && repeat);
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("unit"))->isEnabled(), enabled && repeat);
        interval->setValue(5000);
        QCOMPARE(dialog.Schedule().interval, CScheduleDlg::kMaxInterval);
        interval->setValue(0);
        QCOMPARE(dialog.Schedule().interval, 1);
        QCOMPARE(dialog.Schedule().enabled, enabled);
        QCOMPARE(dialog.Schedule().repeat, repeat);
    }

    // A day picked in the date picker counts as much as the time picked beside it.
    void scheduleStartJoinsDateAndTime()
    {
        CScheduleInfo given;
        given.enabled = true;
        given.unit = CScheduleInfo::Weeks;
        given.start = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5));
        CScheduleDlg dialog(given);
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("unit"))->currentText(), QStringLiteral("週"));
        dialog.findChild<QDateEdit*>(QStringLiteral("date"))->setDate(QDate(2031, 7, 8));
        dialog.findChild<QTimeEdit*>(QStringLiteral("time"))->setTime(QTime(9, 10, 11));
        const CScheduleInfo taken = dialog.Schedule();
        QCOMPARE(taken.start, QDateTime(QDate(2031, 7, 8), QTime(9, 10, 11)));
        QCOMPARE(taken.unit, int(CScheduleInfo::Weeks));
    }

    // One real download: the row as queued, its progress while it runs, and no progress window shown
    // while HideProgressDlg keeps its default.
    void downloadCompletes()
    {
        CTestServer* server = Proftpd();
        QVERIFY(server);
        QVERIFY(MakeFile(Disk(*server, QStringLiteral("one.bin")), 24 * kMiB));
        CBarFixture fixture;
        CRequester requester;
        QStringList statuses;
        QStringList percents;
        int progressWindows = 0;
        bool progressShown = false;
        connect(fixture.queue.get(), &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& from, const QModelIndex& to)
                {
                    const auto windows = fixture.host.findChildren<CTransferProgressDlg*>();
                    progressWindows = qMax(progressWindows, int(windows.size()));
                    for (auto* window : windows)
                        progressShown = progressShown || window->isVisible();
                    if (from.column() <= CTransferQueue::StatusColumn &&
                        to.column() >= CTransferQueue::StatusColumn)
                        statuses.append(fixture.Status(from.row()));
                    if (to.column() >= CTransferQueue::ProgressColumn)
                        percents.append(Cell(*fixture.queue, from.row(), CTransferQueue::ProgressColumn));
                });

        QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, QStringLiteral("one.bin"), requester)));
        const QAbstractItemModel& model = *fixture.bar->List()->model();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(Cell(model, 0, CTransferQueue::NameColumn), QStringLiteral("one.bin"));
        QCOMPARE(Cell(model, 0, CTransferQueue::SiteColumn), QStringLiteral("127.0.0.1"));
        QCOMPARE(Cell(model, 0, CTransferQueue::SourceColumn), QStringLiteral("/"));
        QCOMPARE(Cell(model, 0, CTransferQueue::DestinationColumn), m_dir->path() + u'/');
        QCOMPARE(fixture.Status(0), CTransferQueue::kPending);
        QCOMPARE(model.headerData(CTransferQueue::ProgressColumn, Qt::Horizontal).toString(),
                 QStringLiteral("進度"));

        QVERIFY(WaitUntil([&] { return !requester.done.isEmpty() || !requester.failed.isEmpty(); }, 120000));
        QCOMPARE(requester.failed, QStringList());
        QCOMPARE(model.rowCount(), 0);
        QVERIFY2(statuses.contains(QStringLiteral("下載中")), qPrintable(statuses.join(u',')));
        QVERIFY2(percents.contains(QStringLiteral("100")), qPrintable(percents.join(u',')));
        QCOMPARE(Sha256(m_dir->filePath(QStringLiteral("one.bin"))),
                 Sha256(Disk(*server, QStringLiteral("one.bin"))));
        QVERIFY(progressWindows > 0);
        QVERIFY(!progressShown);
    }

    // Two failed jobs wait as "失敗": the context menu resumes the first; the schedule dialog turns
    // the second "排程" until its time, then it runs. Details show the trace without the password.
    void failedRowsResumedAndScheduled()
    {
        CTestServer* server = Proftpd();
        QVERIFY(server);
        CBarFixture fixture;
        fixture.host.resize(700, 200);
        CRequester requester;
        QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, QStringLiteral("late1.bin"), requester)));
        QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, QStringLiteral("late2.bin"), requester)));
        QVERIFY(WaitUntil([&] { return requester.failed.size() == 2; }, 60000));
        QCOMPARE(fixture.queue->rowCount(), 2);
        QCOMPARE(fixture.Status(0), CTransferQueue::kFailed);
        QCOMPARE(fixture.Status(1), CTransferQueue::kFailed);
        QTest::qWait(1200); // a queue tick leaves failed rows waiting
        QCOMPARE(fixture.queue->RunningCount(), 0);
        QVERIFY(MakeFile(Disk(*server, QStringLiteral("late1.bin")), 300 * 1024));
        QVERIFY(MakeFile(Disk(*server, QStringLiteral("late2.bin")), 200 * 1024));

        const int first = fixture.RowNamed(QStringLiteral("late1.bin"));
        const int second = fixture.RowNamed(QStringLiteral("late2.bin"));
        QCOMPARE(first + second, 1);
        QString details;
        fixture.Select(first);
        AnswerNextModal<CTransferDetailsDlg>(
            [&](CTransferDetailsDlg& dialog)
            {
                details = dialog.Text();
                dialog.accept();
            });
        fixture.bar->ShowDetails();
        QVERIFY(details.contains(QStringLiteral("USER ") + server->User()));
        QVERIFY(details.contains(QStringLiteral("PASS ***")));
        QVERIFY(!details.contains(server->Password()));

        const QDateTime later = QDateTime::currentDateTime().addSecs(3600);
        fixture.Select(second);
        AnswerNextModal<CScheduleDlg>(
            [later](CScheduleDlg& dialog)
            {
                dialog.findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(true);
                dialog.findChild<QDateEdit*>(QStringLiteral("date"))->setDate(later.date());
                dialog.findChild<QTimeEdit*>(QStringLiteral("time"))->setTime(later.time());
                dialog.accept();
            });
        fixture.bar->ScheduleSelected();
        QCOMPARE(fixture.Status(second), CTransferQueue::kScheduled);
        SaveShot(fixture.host, QStringLiteral("transfer_bar.png"), {CTransferQueue::kScheduled});

        QMenu* menu = fixture.bar->ContextMenu();
        fixture.bar->List()->clearSelection();
        Q_EMIT fixture.bar->List()->customContextMenuRequested(QPoint(4, 4));
        QVERIFY(!menu->isVisible());
        fixture.Select(first);
        Q_EMIT fixture.bar->List()->customContextMenuRequested(QPoint(4, 4));
        QVERIFY(menu->isVisible());
        QAction* resume = fixture.bar->findChild<QAction*>(QStringLiteral("resume"));
        QVERIFY(menu->actions().contains(resume));
        resume->trigger();
        menu->hide();
        QVERIFY(WaitUntil([&] { return !requester.done.isEmpty(); }, 60000));
        QCOMPARE(requester.done.size(), 1);
        QCOMPARE(fixture.queue->rowCount(), 1);
        QCOMPARE(fixture.Status(0), CTransferQueue::kScheduled);
        QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("late1.bin"))));

        fixture.Select(0);
        AnswerNextModal<CScheduleDlg>(
            [](CScheduleDlg& dialog)
            {
                dialog.findChild<QTimeEdit*>(QStringLiteral("time"))
                    ->setTime(QDateTime::currentDateTime().addSecs(-60).time());
                dialog.findChild<QDateEdit*>(QStringLiteral("date"))
                    ->setDate(QDateTime::currentDateTime().addSecs(-60).date());
                dialog.accept();
            });
        fixture.bar->ScheduleSelected();
        QCOMPARE(fixture.Status(0), CTransferQueue::kScheduled);
        QVERIFY(WaitUntil([&] { return requester.done.size() == 2; }, 60000));
        QCOMPARE(fixture.queue->rowCount(), 0);
        QCOMPARE(Sha256(m_dir->filePath(QStringLiteral("late2.bin"))),
                 Sha256(Disk(*server, QStringLiteral("late2.bin"))));
    }

    void selectionCommands()
    {
        CTestServer* server = Proftpd();
        QVERIFY(server);
        CBarFixture fixture;
        CRequester requester;
        for (const QString& name :
             {QStringLiteral("gone1"), QStringLiteral("gone2"), QStringLiteral("gone3")})
            QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, name, requester)));
        QVERIFY(WaitUntil([&] { return requester.failed.size() == 3; }, 60000));
        fixture.Select(1);
        fixture.bar->findChild<QAction*>(QStringLiteral("invert"))->trigger();
        QCOMPARE(fixture.bar->SelectedRows(), (QList<int>{0, 2}));
        fixture.bar->findChild<QAction*>(QStringLiteral("selectAll"))->trigger();
        QCOMPARE(fixture.bar->SelectedRows(), (QList<int>{0, 1, 2}));
        // Del cancels; a failed row was never started, so it goes without a new failure.
        fixture.Select(2);
        fixture.host.show();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.host));
        fixture.bar->List()->setFocus();
        QTest::keyClick(fixture.bar->List(), Qt::Key_Delete);
        QVERIFY(WaitUntil([&] { return fixture.queue->rowCount() == 2; }, 30000));
        QCOMPARE(requester.failed.size(), 3);
        QCOMPARE(fixture.queue->RunningCount(), 0);
    }

    // A real worker over a larger local file asks on the GUI thread; the prompt times out into a skip.
    // With no countdown, cancelling the row ends the wait and closes the prompt.
    void workerPromptsOnGuiThread()
    {
        CTestServer* server = Proftpd();
        QVERIFY(server);
        QVERIFY(MakeFile(Disk(*server, QStringLiteral("kept.bin")), 3000));
        const QString local = m_dir->filePath(QStringLiteral("kept.bin"));
        QVERIFY(WriteFile(local, QByteArray(5000, 'x')));
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("Timeout"), 1));
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("PromptAction"), 1));
        CBarFixture fixture;
        CRequester requester;
        QStringList titles;
        QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, QStringLiteral("kept.bin"), requester)));
        QVERIFY(WaitUntil(
            [&]
            {
                for (auto* dialog : fixture.host.findChildren<CReplaceFileDlg*>())
                    titles.append(dialog->windowTitle());
                return !requester.done.isEmpty() || !requester.failed.isEmpty();
            },
            60000));
        QCOMPARE(requester.failed, QStringList());
        QVERIFY2(titles.contains(QStringLiteral("確認取代檔案 ( 1 秒內關閉)")),
                 qPrintable(titles.join(u'|')));
        QCOMPARE(ReadFile(local), QByteArray(5000, 'x'));

        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("EnableTimeout"), 0));
        QVERIFY(fixture.queue->AddDownload(DownloadJob(*server, QStringLiteral("kept.bin"), requester)));
        QVERIFY(WaitUntil([&] { return !fixture.host.findChildren<CReplaceFileDlg*>().isEmpty(); }, 60000));
        CReplaceFileDlg* prompt = fixture.host.findChildren<CReplaceFileDlg*>().first();
        QCOMPARE(prompt->windowTitle(), QStringLiteral("取代檔案"));
        SaveShot(*prompt, QStringLiteral("transfer_prompt.png"), {QStringLiteral("kept.bin")});
        fixture.Select(0);
        fixture.bar->CancelSelected();
        QVERIFY(WaitUntil([&] { return fixture.queue->rowCount() == 0; }, 30000));
        QVERIFY(WaitUntil([&] { return fixture.host.findChildren<CReplaceFileDlg*>().isEmpty(); }, 5000));
        QCOMPARE(ReadFile(local), QByteArray(5000, 'x'));
    }

    void replacePromptTimesOut_data()
    {
        QTest::addColumn<int>("promptAction");
        QTest::addColumn<int>("answer");
        QTest::newRow("overwrite") << 0 << int(OverwriteAction::Overwrite);
        QTest::newRow("skip") << 1 << int(OverwriteAction::Skip);
        QTest::newRow("number") << 4 << int(OverwriteAction::Number);
        QTest::newRow("unknown") << 9 << int(OverwriteAction::Overwrite);
    }

    // Asked from a worker thread, the prompt counts down in its title and answers with the
    // configured action.
    void replacePromptTimesOut()
    {
        QFETCH(int, promptAction);
        QFETCH(int, answer);
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("Timeout"), 2));
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("PromptAction"), promptAction));
        QWidget host;
        CGuiOverwritePrompts prompts(&host);
        CAskingThread asking(prompts, PromptInfo(false));
        asking.start();
        QStringList titles;
        QVERIFY(WaitUntil(
            [&]
            {
                for (auto* dialog : host.findChildren<CReplaceFileDlg*>())
                    if (dialog->isVisible() && !titles.contains(dialog->windowTitle()))
                        titles.append(dialog->windowTitle());
                return asking.isFinished();
            },
            20000));
        QCOMPARE(int(asking.answer), answer);
        QVERIFY2(titles.contains(QStringLiteral("確認取代檔案 ( 2 秒內關閉)")),
                 qPrintable(titles.join(u'|')));
    }

    // Two workers' prompts are open together, each with its own countdown.
    void twoPromptsCountDownAtOnce()
    {
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("Timeout"), 3));
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("PromptAction"), 1));
        QWidget host;
        CGuiOverwritePrompts prompts(&host);
        CAskingThread first(prompts, PromptInfo(false));
        CAskingThread second(prompts, PromptInfo(true));
        first.start();
        second.start();
        const auto open = [&] { return host.findChildren<CReplaceFileDlg*>().size(); };
        QVERIFY(WaitUntil([&] { return open() == 2; }, 10000));
        for (auto* dialog : host.findChildren<CReplaceFileDlg*>())
        {
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->SecondsLeft().has_value());
        }
        QVERIFY(WaitUntil([&] { return first.isFinished() && second.isFinished(); }, 20000));
        QCOMPARE(first.answer, OverwriteAction::Skip);
        QCOMPARE(second.answer, OverwriteAction::Skip);
        QVERIFY(WaitUntil([&] { return open() == 0; }, 5000));
    }

    // What the replace prompt shows, and its buttons on a job's last file.
    void replacePromptContent_data()
    {
        QTest::addColumn<bool>("lastFile");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("more files") << false
                                    << QStringList{QStringLiteral("是(&Y)"), QStringLiteral("全部都是(&A)"),
                                                   QStringLiteral("否(&N)"), QStringLiteral("取消(&C)")};
        QTest::newRow("last file") << true << QStringList{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
    }

    void replacePromptContent()
    {
        QFETCH(bool, lastFile);
        QFETCH(QStringList, buttons);
        QVERIFY(WriteProfileInt(kSmart, QStringLiteral("EnableTimeout"), 0));
        CReplaceFileDlg dialog(PromptInfo(lastFile));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("取代檔案"));
        QVERIFY(!dialog.SecondsLeft());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("exists"))->text(),
                 QStringLiteral("資料夾中已經存在另一同名檔案 'report.txt'"));
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("existing"))
                    ->text()
                    .startsWith(QStringLiteral("2 KB (2,048 bytes)\r\n")));
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("incoming"))
                    ->text()
                    .startsWith(QStringLiteral("1,206 KB (1,234,567 bytes)\r\n")));
        QStringList texts;
        for (auto* button : dialog.findChildren<QPushButton*>())
            texts.append(button->text());
        QCOMPARE(texts, buttons);
        dialog.findChildren<QPushButton*>().last()->click();
        QCOMPARE(dialog.Answer(), OverwriteAction::Skip);
    }

    // On the GUI thread itself the rename dialog runs modal: OK gives the entered name, Cancel none.
    void renameOnGuiThread()
    {
        QWidget host;
        CGuiOverwritePrompts prompts(&host);
        AnswerNextModal<CRenameFileDlg>(
            [](CRenameFileDlg& dialog)
            {
                QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("original"))->text(),
                         QStringLiteral("/r/a.txt"));
                dialog.findChild<QLineEdit*>(QStringLiteral("newName"))->setText(QStringLiteral("/l/b.txt"));
                dialog.accept();
            });
        QCOMPARE(prompts.AskNewName(QStringLiteral("/r/a.txt"), QStringLiteral("/l/a.txt")),
                 QStringLiteral("/l/b.txt"));
        AnswerNextModal<CRenameFileDlg>([](CRenameFileDlg& dialog) { dialog.reject(); });
        QCOMPARE(prompts.AskNewName(QStringLiteral("/r/a.txt"), QStringLiteral("/l/a.txt")), QString());
    }

    // Hidden while HideProgressDlg is set; once the user minimised one, later ones start minimised.
    void progressWindowRules()
    {
        CTransferProgressDlg hidden(nullptr);
        QVERIFY(!hidden.ShowIfAllowed());
        QVERIFY(!hidden.isVisible());

        QVERIFY(WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("HideProgressDlg"), 0));
        CTransferProgressDlg first(nullptr);
        QVERIFY(first.ShowIfAllowed());
        QVERIFY(first.isVisible());
        QVERIFY(!first.isMinimized());
        first.SetPosition(140);
        QCOMPARE(first.findChild<QProgressBar*>()->value(), 100);
        QVERIFY(!CTransferProgressDlg::StartsMinimised());
        first.showMinimized();
        QVERIFY(CTransferProgressDlg::StartsMinimised());
        CTransferProgressDlg second(nullptr);
        QVERIFY(second.ShowIfAllowed());
        QVERIFY(second.isMinimized());
    }

    // The frame puts the bar over its own queue into the transfer manager bar.
    void frameHostsTheBar()
    {
        CMainFrame frame;
        auto* bar = qobject_cast<CTransferManagerBar*>(frame.TransferManagerBar()->widget());
        QVERIFY(bar);
        QCOMPARE(bar->List()->model(), &frame.TransferQueue());
        QCOMPARE(frame.TransferQueue().columnCount(), int(CTransferQueue::ColumnCount));
    }
};

QTEST_MAIN(TestTransferBar)
#include "tst_transfer_bar.moc"
