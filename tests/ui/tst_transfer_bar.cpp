#include "servers/Harness.h"
#include "support/Screenshot.h"
#include "transfer/WorkerTestSupport.h"

#include "ModalAnswerer.h"

#include "transfer/TransferQueue.h"
#include "ui/transfers/GuiOverwritePrompts.h"
#include "ui/transfers/GuiTransferProgress.h"
#include "ui/transfers/RenameFileDlg.h"
#include "ui/transfers/ReplaceFileDlg.h"
#include "ui/transfers/TransferDetailsDlg.h"
#include "ui/transfers/TransferManagerBar.h"
#include "ui/transfers/TransferProgressDlg.h"

using namespace WorkerTest;
using namespace Qt::StringLiterals;

namespace
{

const QString kSmart = u"SmartOverwrite"_s;

// The queue, the windows' prompts and progress windows over it, and the bar, torn down queue first.
struct CBarFixture
{
    QWidget host;
    CGuiOverwritePrompts prompts{&host};
    CWorkerFactory factory{prompts, CGuiTransferProgress::Maker(&host)};
    std::unique_ptr<CTransferQueue> queue = std::make_unique<CTransferQueue>(factory, nullptr, nullptr);
    CTransferManagerBar* bar = new CTransferManagerBar(*queue, &host);
    CRequester requester;

    CBarFixture() { (new QVBoxLayout(&host))->addWidget(bar); }
    ~CBarFixture()
    {
        delete bar;
        queue.reset();
    }

    // A download of the name from proftpd's root into the folder, tried once.
    bool Download(const QString& name, const QString& folder)
    {
        CTestServer* server = Harness::Require(u"proftpd"_s);
        if (!server)
            return false;
        CTransferJob job = JobFor(*server, u"proftpd"_s, false, u"/"_s);
        job.localFolder = folder;
        job.requestingWindow = &requester;
        job.attempts = 1;
        job.files = {Entry(name)};
        return queue->AddDownload(job);
    }
    void Select(int row) const
    {
        bar->List()->selectionModel()->select(queue->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                        QItemSelectionModel::Rows);
    }
    QString Status(int row) const
    {
        return queue->data(queue->index(row, CTransferQueue::StatusColumn)).toString();
    }
    // Failed jobs come back in the order they ended, so tests find rows by name.
    int RowNamed(const QString& name) const
    {
        return queue
            ->match(queue->index(0, CTransferQueue::NameColumn), Qt::DisplayRole, name, 1, Qt::MatchExactly)
            .value(0)
            .row();
    }
};

// A worker thread asking the prompts; the answer is read once the thread has ended.
class CAskingThread : public QThread
{
public:
    CAskingThread(IOverwritePrompts& prompts, bool lastFile) : m_prompts(prompts)
    {
        m_info.targetPath = u"/tmp/folder/report.txt"_s;
        m_info.lastFile = lastFile;
    }
    OverwriteAction answer = OverwriteAction::Prompt;

protected:
    void run() override { answer = m_prompts.AskReplace(m_info); }

private:
    IOverwritePrompts& m_prompts;
    COverwritePromptInfo m_info;
};

} // namespace

class TestTransferBar : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

    static void SaveShot(QWidget& widget, const QString& name, const QStringList& texts)
    {
        const QString problem = Screenshot::Save(widget, name, texts);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    QString Local(const QString& name) const { return m_dir->filePath(name); }
    static QString Remote(const QString& name) { return Disk(*Harness::Server(u"proftpd"_s), name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(ResetSettings(m_home)); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QFile::remove(CDataFolder::SettingsFile());
    }

    // Three failed jobs wait as "失敗": details show the trace without the password; the schedule dialog
    // turns one "排程"; the menu's resume runs another to its end, with a progress window made but not
    // shown while HideProgressDlg keeps its default; Del takes the third away without a new failure, as it
    // was never started.
    void failedRowsResumedScheduledAndCancelled()
    {
        CBarFixture fixture;
        fixture.host.resize(700, 200);
        for (const QString name : {"late1.bin", "late2.bin", "gone"})
            QVERIFY(fixture.Download(name, m_dir->path()));
        QVERIFY(WaitUntil([&] { return fixture.requester.failed.size() == 3; }, 60000));
        QTest::qWait(1200); // a queue tick leaves failed rows waiting
        QCOMPARE(fixture.queue->RunningCount(), 0);
        QCOMPARE(fixture.Status(0), u"失敗"_s);
        QVERIFY(MakeFile(Remote(u"late1.bin"_s), 300 * 1024));

        QString details;
        CModalAnswerer answerer;
        answerer.Queue(
            [&details](QDialog* dialog)
            {
                details = qobject_cast<CTransferDetailsDlg*>(dialog)->Text();
                dialog->accept();
            });
        fixture.Select(fixture.RowNamed(u"late1.bin"_s));
        fixture.bar->ShowDetails();
        CTestServer* server = Harness::Server(u"proftpd"_s);
        QVERIFY(details.contains(u"USER "_s + server->User()) && details.contains(u"PASS ***"_s));
        QVERIFY(!details.contains(server->Password()));

        fixture.Select(fixture.RowNamed(u"late2.bin"_s));
        answerer.Queue(
            [](QDialog* dialog)
            {
                dialog->findChild<QCheckBox*>(u"enabled"_s)->setChecked(true);
                dialog->findChild<QDateEdit*>(u"date"_s)->setDate(QDate::currentDate().addDays(1));
                dialog->accept();
            });
        fixture.bar->ScheduleSelected();
        QCOMPARE(fixture.Status(fixture.RowNamed(u"late2.bin"_s)), u"排程"_s);
        SaveShot(fixture.host, u"transfer_bar.png"_s, {u"排程"_s});

        fixture.Select(fixture.RowNamed(u"late1.bin"_s));
        bool progressMade = false, progressShown = false;
        connect(fixture.queue.get(), &QAbstractItemModel::dataChanged, this,
                [&]
                {
                    const auto windows = fixture.host.findChildren<CTransferProgressDlg*>();
                    progressMade = progressMade || !windows.isEmpty();
                    for (auto* window : windows)
                        progressShown = progressShown || window->isVisible();
                });
        fixture.bar->findChild<QAction*>(u"resume"_s)->trigger();
        QVERIFY(WaitUntil([&] { return !fixture.requester.done.isEmpty(); }, 60000));
        QCOMPARE(Sha256(Local(u"late1.bin"_s)), Sha256(Remote(u"late1.bin"_s)));
        QVERIFY(progressMade && !progressShown);

        fixture.Select(fixture.RowNamed(u"gone"_s));
        fixture.host.show();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.host));
        fixture.bar->List()->setFocus();
        QTest::keyClick(fixture.bar->List(), Qt::Key_Delete);
        QVERIFY(WaitUntil([&] { return fixture.queue->rowCount() == 1; }, 30000));
        QCOMPARE(fixture.requester.failed.size(), 3);
        QCOMPARE(fixture.Status(0), u"排程"_s);
    }

    // A real worker over a larger local file asks on the GUI thread; with no countdown, cancelling the row
    // ends the wait and closes the prompt.
    void workerPromptClosedByCancel()
    {
        CBarFixture fixture;
        QVERIFY(Harness::Require(u"proftpd"_s));
        QVERIFY(MakeFile(Remote(u"kept.bin"_s), 3000));
        QVERIFY(WriteFile(Local(u"kept.bin"_s), QByteArray(5000, 'x')));
        QVERIFY(WriteProfileInt(kSmart, u"EnableTimeout"_s, 0));
        const auto prompts = [&] { return fixture.host.findChildren<CReplaceFileDlg*>(); };
        QVERIFY(fixture.Download(u"kept.bin"_s, m_dir->path()));
        QVERIFY(WaitUntil([&] { return !prompts().isEmpty(); }, 60000));
        QCOMPARE(prompts().first()->windowTitle(), u"取代檔案"_s);
        SaveShot(*prompts().first(), u"transfer_prompt.png"_s, {u"kept.bin"_s});
        fixture.Select(0);
        fixture.bar->CancelSelected();
        QVERIFY(WaitUntil([&] { return fixture.queue->rowCount() == 0; }, 30000));
        QVERIFY(WaitUntil([&] { return prompts().isEmpty(); }, 5000));
        QCOMPARE(ReadFile(Local(u"kept.bin"_s)), QByteArray(5000, 'x'));
    }

    // Two workers ask at once: each prompt counts down in its own title and answers with the configured
    // action (which value means which action is the overwrite rules' concern).
    void replacePromptTimesOut()
    {
        QVERIFY(WriteProfileInt(kSmart, u"Timeout"_s, 2));
        QVERIFY(WriteProfileInt(kSmart, u"PromptAction"_s, 1));
        QWidget host;
        CGuiOverwritePrompts prompts(&host);
        CAskingThread first(prompts, false);
        CAskingThread second(prompts, true);
        first.start();
        second.start();
        QStringList titles;
        int open = 0;
        QVERIFY(WaitUntil(
            [&]
            {
                const auto dialogs = host.findChildren<CReplaceFileDlg*>();
                open = qMax(open, int(dialogs.size()));
                for (auto* dialog : dialogs)
                    if (dialog->isVisible() && dialog->SecondsLeft() &&
                        !titles.contains(dialog->windowTitle()))
                        titles.append(dialog->windowTitle());
                return first.isFinished() && second.isFinished();
            },
            20000));
        QVERIFY(open == 2 && first.answer == OverwriteAction::Skip && second.answer == OverwriteAction::Skip);
        QVERIFY2(titles.contains(u"確認取代檔案 ( 2 秒內關閉)"_s), qPrintable(titles.join(u'|')));
        QVERIFY(WaitUntil([&] { return host.findChildren<CReplaceFileDlg*>().isEmpty(); }, 5000));
    }

    // On the GUI thread itself the rename dialog runs modal: OK gives the entered name, Cancel none.
    void renameOnGuiThread()
    {
        QWidget host;
        CGuiOverwritePrompts prompts(&host);
        QString original;
        CModalAnswerer answerer;
        answerer.Queue(
            [&original](QDialog* dialog)
            {
                original = dialog->findChild<QLineEdit*>(u"original"_s)->text();
                dialog->findChild<QLineEdit*>(u"newName"_s)->setText(u"/l/b.txt"_s);
                dialog->accept();
            });
        QCOMPARE(prompts.AskNewName(u"/r/a.txt"_s, u"/l/a.txt"_s), u"/l/b.txt"_s);
        QCOMPARE(original, u"/r/a.txt"_s);
        // Unanswered, the answerer cancels it.
        QCOMPARE(prompts.AskNewName(u"/r/a.txt"_s, u"/l/a.txt"_s), QString());
    }
};

QTEST_MAIN(TestTransferBar)
#include "tst_transfer_bar.moc"
