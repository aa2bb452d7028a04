#include "support/Screenshot.h"
#include "app/Profile.h"
#include "engine/keys/KeyCertificate.h"
#include "ui/CertificateDlg.h"
#include "ui/GoToDlg.h"
#include "ui/HistoryComboBox.h"
#include "ui/HostKeyDlg.h"
#include "ui/LogonDlg.h"
#include "ui/MainFrame.h"
#include "ui/MoveDlg.h"
#include "ui/PropertiesDlg.h"
#include "ui/QuickConnectBar.h"
#include "ui/RetryCountdownDlg.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void countdownRunsToRetry();
    void countdownCancelled();

    void certificateShowsIssuerAndDates();
    void certificateAnswers();
    void hostKeyShowsFingerprint();

    void logonAnonymousBox();
    void logonGivenAnonymous();

    void historyKeepsTenEntries();
    void historyKnownTextUpdatesData();
    void historySplitsAtFirstBar();
    void historyClear();
    void goToAddsNoEntry();
    void moveAddsOrClears();

    void quickConnectFillsLogin();
    void quickConnectSignalAndHistory();
    void quickConnectShiftClears();
    void mainFrameHostsQuickConnectBar();

    void propertiesOneFile_data();
    void propertiesOneFile();
    void propertiesPermissionsBothWays();
    void propertiesFolderHasNoSize();
    void propertiesSeveralRows();
    void propertiesWithoutSiteChmod();

    void screenshots();

private:
    static QString Stored(const QString& section, int index);
    static void Store(const QString& section, int index, const QString& value);
    static QString LabelText(QWidget* parent, const QString& name);
    static CFtpListItem File(const QString& name, qint64 size, int bits = 0);

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestDialogs::initTestCase()
{
    // A zone far from UTC shows whether certificate dates are converted to local time.
    qputenv("TZ", "Asia/Taipei");
    CTranslations::Install(*qApp);
}

void TestDialogs::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
}

QString TestDialogs::Stored(const QString& section, int index)
{
    return GetProfileString(section, section + QString::number(index));
}

void TestDialogs::Store(const QString& section, int index, const QString& value)
{
    QVERIFY(WriteProfileString(section, section + QString::number(index), value));
}

QString TestDialogs::LabelText(QWidget* parent, const QString& name)
{
    auto* label = parent->findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

CFtpListItem TestDialogs::File(const QString& name, qint64 size, int bits)
{
    CFtpListItem item;
    item.name = name;
    item.size = size;
    item.permissionBits = bits;
    item.modified = QDateTime(QDate(2026, 3, 4), QTime(5, 6), Qt::UTC);
    item.owner = QStringLiteral("alice");
    item.group = QStringLiteral("staff");
    return item;
}

void TestDialogs::countdownRunsToRetry()
{
    CRetryCountdownDlg dialog(2, QStringLiteral("無法連線"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("message")), QStringLiteral("無法連線"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("countdown")),
             QStringLiteral("Zentrava Pro 將在 2 秒之後重試..."));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    auto* bar = dialog.findChild<QProgressBar*>();
    QVERIFY(bar);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1, 5000);
    QCOMPARE(LabelText(&dialog, QStringLiteral("countdown")),
             QStringLiteral("Zentrava Pro 將在 1 秒之後重試..."));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(bar->value(), 2);
    QCOMPARE(LabelText(&dialog, QStringLiteral("countdown")),
             QStringLiteral("Zentrava Pro 將在 0 秒之後重試..."));
}

void TestDialogs::countdownCancelled()
{
    CRetryCountdownDlg dialog(1, QStringLiteral("x"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    // The count must not go on and turn the cancel into a retry.
    QTest::qWait(1500);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestDialogs::certificateShowsIssuerAndDates()
{
    CKeyCertificate made;
    QVERIFY(made.GenerateKey(KeyAlgorithm::Rsa, 2048).Ok());
    CertificateRequest request;
    request.subject = {{CertificateField::CommonName, QStringLiteral("根憑證中心")},
                       {CertificateField::Country, QStringLiteral("TW")},
                       {CertificateField::Organisation, QStringLiteral("測試公司")},
                       {CertificateField::Unit, QStringLiteral("研發部")}};
    request.notBefore = QDateTime(QDate(2026, 1, 2), QTime(20, 30), Qt::UTC);
    request.notAfter = QDateTime(QDate(2027, 6, 30), QTime(23, 45), Qt::UTC);
    QVERIFY(made.CreateSelfSigned(request).Ok());

    ServerCertificate certificate;
    certificate.pem = made.Text();
    certificate.notBefore = made.NotBefore();
    certificate.notAfter = made.NotAfter();
    CCertificateDlg dialog(certificate, QStringLiteral("self-signed certificate"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("是否接受憑證？"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("issuerName")), QStringLiteral("根憑證中心"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("country")), QStringLiteral("TW"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("organisation")), QStringLiteral("測試公司"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("unit")), QStringLiteral("研發部"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("problem")), QStringLiteral("self-signed certificate"));
    // Taipei is eight hours ahead of UTC: 20:30 becomes 4:30 the next day, 23:45 becomes 7:45.
    const QString from = LabelText(&dialog, QStringLiteral("validFrom"));
    const QString to = LabelText(&dialog, QStringLiteral("validTo"));
    QVERIFY2(from.contains(QLatin1String("4:30")), qPrintable(from));
    QVERIFY2(to.contains(QLatin1String("7:45")), qPrintable(to));
    QVERIFY(!from.contains(QLatin1String("20:30")) && !from.contains(QLatin1String("8:30")));
}

void TestDialogs::certificateAnswers()
{
    {
        CCertificateDlg dialog(ServerCertificate{}, QString());
        auto* accept = dialog.findChild<QPushButton*>(QStringLiteral("accept"));
        QVERIFY(accept);
        QCOMPARE(accept->text(), QStringLiteral("接受(&A)"));
        dialog.open();
        QTest::mouseClick(accept, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    {
        CCertificateDlg dialog(ServerCertificate{}, QString());
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("refuse"))->text(),
                 QStringLiteral("拒絕(&R)"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Enter alone never trusts a certificate.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
}

void TestDialogs::hostKeyShowsFingerprint()
{
    QByteArray blob;
    const QByteArray type = "ssh-ed25519";
    const QByteArray key(32, '\x5a');
    blob += QByteArray::fromHex("0000000b") + type + QByteArray::fromHex("00000020") + key;
    const std::optional<SshHostKey> hostKey = SshHostKey::FromBlob(blob);
    QVERIFY(hostKey);
    CHostKeyDlg dialog(QStringLiteral("[127.0.0.1]:2222"), *hostKey);
    QCOMPARE(LabelText(&dialog, QStringLiteral("host")), QStringLiteral("[127.0.0.1]:2222"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("keyType")), QStringLiteral("ssh-ed25519"));
    const QString fingerprint = LabelText(&dialog, QStringLiteral("fingerprint"));
    QVERIFY(fingerprint.startsWith(QLatin1String("SHA256:")));
    QCOMPARE(fingerprint.size(), 7 + 43);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestDialogs::logonAnonymousBox()
{
    QVERIFY(WriteProfileString(QStringLiteral("Settings"), QStringLiteral("EmailAddress"),
                               QStringLiteral("me@example.test")));
    CLogonDlg dialog(QStringLiteral("ftp.example.test"), QStringLiteral("bob"), QStringLiteral("kept"));
    auto* login = dialog.findChild<CHistoryComboBox*>(QStringLiteral("login"));
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
    auto* anonymous = dialog.findChild<QCheckBox*>(QStringLiteral("anonymous"));
    QVERIFY(login && password && anonymous);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("登入身分"));
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("server"))->text(),
             QStringLiteral("ftp.example.test"));
    QCOMPARE(login->HistoryName(), QStringLiteral("LogonUsers"));
    QCOMPARE(dialog.focusWidget(), password);
    QVERIFY(login->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Password);

    // What the user typed before ticking the box comes back when it is unticked.
    login->setEditText(QStringLiteral("carol"));
    password->setText(QStringLiteral("typed"));
    anonymous->setChecked(true);
    QCOMPARE(dialog.Login(), QStringLiteral("anonymous"));
    QCOMPARE(dialog.Password(), QStringLiteral("me@example.test"));
    QVERIFY(!login->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Normal);

    anonymous->setChecked(false);
    QCOMPARE(dialog.Login(), QStringLiteral("carol"));
    QCOMPARE(dialog.Password(), QStringLiteral("typed"));
    QVERIFY(login->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Password);

    QVERIFY(!dialog.SavePassword());
    dialog.findChild<QCheckBox*>(QStringLiteral("savePassword"))->setChecked(true);
    QVERIFY(dialog.SavePassword());
}

void TestDialogs::logonGivenAnonymous()
{
    // Without an e-mail address the anonymous password is empty.
    CLogonDlg dialog(QStringLiteral("h"), QStringLiteral("AnonyMous"), QStringLiteral("given"));
    auto* anonymous = dialog.findChild<QCheckBox*>(QStringLiteral("anonymous"));
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
    QVERIFY(anonymous->isChecked());
    QVERIFY(!dialog.findChild<CHistoryComboBox*>(QStringLiteral("login"))->isEnabled());
    QCOMPARE(dialog.Password(), QString());
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
    QCOMPARE(dialog.focusWidget(), password);

    anonymous->setChecked(false);
    QCOMPARE(dialog.Login(), QStringLiteral("AnonyMous"));
    QCOMPARE(dialog.Password(), QStringLiteral("given"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
}

void TestDialogs::historyKeepsTenEntries()
{
    CHistoryComboBox box;
    box.LoadHistory(QStringLiteral("QuickConnect"));
    for (int i = 0; i < 11; ++i)
        QVERIFY(box.AddHistoryItem(QStringLiteral("host%1|u%1,p").arg(i)));
    QCOMPARE(box.count(), 10);
    QCOMPARE(box.itemText(0), QStringLiteral("host1"));
    QCOMPARE(box.itemText(9), QStringLiteral("host10"));
    QCOMPARE(box.ItemData(9), QStringLiteral("u10,p"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 0), QStringLiteral("host1|u1,p"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 9), QStringLiteral("host10|u10,p"));

    CHistoryComboBox reloaded;
    reloaded.LoadHistory(QStringLiteral("QuickConnect"));
    QCOMPARE(reloaded.count(), 10);
    QCOMPARE(reloaded.itemText(0), QStringLiteral("host1"));
}

void TestDialogs::historyKnownTextUpdatesData()
{
    CHistoryComboBox box;
    box.LoadHistory(QStringLiteral("QuickConnect"));
    box.AddHistoryItem(QStringLiteral("a|1"));
    box.AddHistoryItem(QStringLiteral("b|2"));
    box.setEditText(QStringLiteral("still typed"));
    box.AddHistoryItem(QStringLiteral("a|3"));
    QCOMPARE(box.count(), 2);
    QCOMPARE(box.itemText(0), QStringLiteral("a"));
    QCOMPARE(box.ItemData(0), QStringLiteral("3"));
    QCOMPARE(box.currentText(), QStringLiteral("still typed"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 0), QStringLiteral("a|3"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 1), QStringLiteral("b|2"));
    QCOMPARE(box.ItemData(5), QString());
}

void TestDialogs::historySplitsAtFirstBar()
{
    Store(QStringLiteral("MoveToFolder"), 0, QStringLiteral("/plain"));
    Store(QStringLiteral("MoveToFolder"), 1, QStringLiteral("text|data|more"));
    Store(QStringLiteral("MoveToFolder"), 3, QStringLiteral("/after a gap"));
    CHistoryComboBox box;
    box.LoadHistory(QStringLiteral("MoveToFolder"));
    QCOMPARE(box.count(), 2);
    QCOMPARE(box.itemText(0), QStringLiteral("/plain"));
    QCOMPARE(box.ItemData(0), QString());
    QCOMPARE(box.itemText(1), QStringLiteral("text"));
    QCOMPARE(box.ItemData(1), QStringLiteral("data|more"));
}

void TestDialogs::historyClear()
{
    CHistoryComboBox box;
    box.LoadHistory(QStringLiteral("GoToFolder"));
    box.AddHistoryItem(QStringLiteral("/a"));
    box.AddHistoryItem(QStringLiteral("/b"));
    box.setEditText(QStringLiteral("/typed"));
    QVERIFY(box.ClearHistory());
    QCOMPARE(box.count(), 0);
    QCOMPARE(box.currentText(), QString());
    QCOMPARE(Stored(QStringLiteral("GoToFolder"), 0), QString());
    QCOMPARE(Stored(QStringLiteral("GoToFolder"), 1), QString());
    CHistoryComboBox reloaded;
    reloaded.LoadHistory(QStringLiteral("GoToFolder"));
    QCOMPARE(reloaded.count(), 0);
}

void TestDialogs::goToAddsNoEntry()
{
    Store(QStringLiteral("GoToFolder"), 0, QStringLiteral("/stored"));
    CGoToDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("前往"));
    auto* folder = dialog.findChild<CHistoryComboBox*>(QStringLiteral("folder"));
    QCOMPARE(folder->count(), 1);
    folder->setEditText(QStringLiteral("  /new  "));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(folder, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Folder(), QStringLiteral("/new"));
    QCOMPARE(Stored(QStringLiteral("GoToFolder"), 1), QString());
}

void TestDialogs::moveAddsOrClears()
{
    Store(QStringLiteral("MoveToFolder"), 0, QStringLiteral("/old"));
    {
        CMoveDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("搬移到資料夾..."));
        dialog.findChild<CHistoryComboBox*>(QStringLiteral("folder"))->setEditText(QStringLiteral("/dest"));
        dialog.open();
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton,
                          Qt::NoModifier);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Folder(), QStringLiteral("/dest"));
        QCOMPARE(Stored(QStringLiteral("MoveToFolder"), 1), QStringLiteral("/dest"));
    }
    {
        CMoveDlg dialog;
        auto* folder = dialog.findChild<CHistoryComboBox*>(QStringLiteral("folder"));
        QCOMPARE(folder->count(), 2);
        folder->setEditText(QStringLiteral("/other"));
        dialog.open();
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton,
                          Qt::ShiftModifier);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Folder(), QStringLiteral("/other"));
        QCOMPARE(folder->count(), 0);
        QCOMPARE(Stored(QStringLiteral("MoveToFolder"), 0), QString());
        QCOMPARE(Stored(QStringLiteral("MoveToFolder"), 1), QString());
    }
}

void TestDialogs::quickConnectFillsLogin()
{
    Store(QStringLiteral("QuickConnect"), 0, QStringLiteral("h1|bob,pw1"));
    Store(QStringLiteral("QuickConnect"), 1, QStringLiteral("h2|a,b,c"));
    CQuickConnectBar bar;
    auto* host = bar.findChild<CHistoryComboBox*>(QStringLiteral("host"));
    auto* login = bar.findChild<QLineEdit*>(QStringLiteral("login"));
    auto* password = bar.findChild<QLineEdit*>(QStringLiteral("password"));
    QVERIFY(host && login && password);
    QCOMPARE(host->count(), 2);
    QCOMPARE(password->echoMode(), QLineEdit::Password);

    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    host->setFocus();
    QTest::keyClick(host, Qt::Key_Down);
    QCOMPARE(host->currentText(), QStringLiteral("h1"));
    QCOMPARE(login->text(), QStringLiteral("bob"));
    QCOMPARE(password->text(), QStringLiteral("pw1"));
    // A comma in what was stored as the login goes to the password side.
    QTest::keyClick(host, Qt::Key_Down);
    QCOMPARE(host->currentText(), QStringLiteral("h2"));
    QCOMPARE(login->text(), QStringLiteral("a"));
    QCOMPARE(password->text(), QStringLiteral("b,c"));
}

void TestDialogs::quickConnectSignalAndHistory()
{
    Store(QStringLiteral("QuickConnect"), 0, QStringLiteral("h1|bob,pw1"));
    CQuickConnectBar bar;
    QSignalSpy requested(&bar, &CQuickConnectBar::ConnectRequested);
    auto* host = bar.findChild<CHistoryComboBox*>(QStringLiteral("host"));
    auto* connect = bar.findChild<QPushButton*>(QStringLiteral("connect"));
    QCOMPARE(connect->text(), QStringLiteral("連線"));

    host->setEditText(QStringLiteral("   "));
    QTest::mouseClick(connect, Qt::LeftButton, Qt::NoModifier);
    QCOMPARE(requested.size(), 0);

    host->setEditText(QStringLiteral("  ftp://127.0.0.1:2121/pub "));
    bar.findChild<QLineEdit*>(QStringLiteral("login"))->setText(QStringLiteral("me,too"));
    bar.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("secret"));
    QTest::mouseClick(connect, Qt::LeftButton, Qt::NoModifier);
    QCOMPARE(requested.size(), 1);
    QCOMPARE(requested.first(), QVariantList({QStringLiteral("ftp://127.0.0.1:2121/pub"),
                                              QStringLiteral("me,too"), QStringLiteral("secret")}));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 0), QStringLiteral("h1|bob,pw1"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 1),
             QStringLiteral("ftp://127.0.0.1:2121/pub|me,too,secret"));

    // Enter connects as the button does; typing a known host does not bring back its stored log-in,
    // and the host keeps its place.
    host->setEditText(QStringLiteral("h1"));
    bar.findChild<QLineEdit*>(QStringLiteral("login"))->setText(QStringLiteral("ann"));
    QTest::keyClick(host, Qt::Key_Return);
    QCOMPARE(requested.size(), 2);
    QCOMPARE(requested.last().at(1).toString(), QStringLiteral("ann"));
    QCOMPARE(requested.last().at(2).toString(), QStringLiteral("secret"));
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 0), QStringLiteral("h1|ann,secret"));
    QCOMPARE(host->count(), 2);
    QTest::keyClick(bar.findChild<QLineEdit*>(QStringLiteral("password")), Qt::Key_Enter);
    QCOMPARE(requested.size(), 3);
}

void TestDialogs::quickConnectShiftClears()
{
    Store(QStringLiteral("QuickConnect"), 0, QStringLiteral("h1|bob,pw1"));
    Store(QStringLiteral("QuickConnect"), 1, QStringLiteral("h2|a,b"));
    CQuickConnectBar bar;
    QSignalSpy requested(&bar, &CQuickConnectBar::ConnectRequested);
    auto* host = bar.findChild<CHistoryComboBox*>(QStringLiteral("host"));
    host->setEditText(QStringLiteral("h3"));
    bar.findChild<QLineEdit*>(QStringLiteral("login"))->setText(QStringLiteral("x"));
    bar.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("y"));
    QTest::mouseClick(bar.findChild<QPushButton*>(QStringLiteral("connect")), Qt::LeftButton,
                      Qt::ShiftModifier);
    QCOMPARE(requested.size(), 0);
    QCOMPARE(host->count(), 0);
    QCOMPARE(bar.findChild<QLineEdit*>(QStringLiteral("login"))->text(), QString());
    QCOMPARE(bar.findChild<QLineEdit*>(QStringLiteral("password"))->text(), QString());
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 0), QString());
    QCOMPARE(Stored(QStringLiteral("QuickConnect"), 1), QString());
}

void TestDialogs::mainFrameHostsQuickConnectBar()
{
    Store(QStringLiteral("QuickConnect"), 0, QStringLiteral("h1|bob,pw1"));
    CMainFrame frame;
    auto* bar = qobject_cast<CQuickConnectBar*>(frame.QuickConnectBar()->widget());
    QVERIFY(bar);
    QCOMPARE(bar->findChild<CHistoryComboBox*>(QStringLiteral("host"))->count(), 1);
}

void TestDialogs::propertiesOneFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("sizeText");

    QTest::newRow("sub folder") << QStringLiteral("/pub") << qint64(999)
                                << QStringLiteral("ftp://127.0.0.1/pub/a.txt")
                                << QStringLiteral("1 KB (999 bytes)");
    QTest::newRow("escape in folder")
        << QStringLiteral("/p\x1b[2J") << qint64(999) << QStringLiteral("ftp://127.0.0.1/p\\x1b[2J/a.txt")
        << QStringLiteral("1 KB (999 bytes)");
    QTest::newRow("root folder") << QStringLiteral("/") << qint64(0)
                                 << QStringLiteral("ftp://127.0.0.1/a.txt")
                                 << QStringLiteral("1 KB (0 bytes)");
    QTest::newRow("rounded up") << QStringLiteral("/pub/") << qint64(1025)
                                << QStringLiteral("ftp://127.0.0.1/pub/a.txt")
                                << QStringLiteral("2 KB (%1 bytes)").arg(QLocale::system().toString(1025));
}

void TestDialogs::propertiesOneFile()
{
    QFETCH(QString, folder);
    QFETCH(qint64, size);
    CPropertiesDlg dialog({File(QStringLiteral("a.txt"), size, 0x751)}, QStringLiteral("127.0.0.1"), folder,
                          true);
    QCOMPARE(LabelText(&dialog, QStringLiteral("name")), QStringLiteral("a.txt"));
    QTEST(LabelText(&dialog, QStringLiteral("location")), "location");
    QTEST(LabelText(&dialog, QStringLiteral("size")), "sizeText");
    QCOMPARE(LabelText(&dialog, QStringLiteral("owner")), QStringLiteral("alice"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("group")), QStringLiteral("staff"));
    QVERIFY(LabelText(&dialog, QStringLiteral("modified")).contains(QLatin1String("2026")));
    QVERIFY(dialog.PermissionsShown());
    QCOMPARE(dialog.PermissionBits(), 0x751);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("permissionNumber"))->text(), QStringLiteral("751"));
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("chmodUnsupported")));
}

void TestDialogs::propertiesPermissionsBothWays()
{
    CPropertiesDlg dialog({File(QStringLiteral("run.sh"), 10, 0x751)}, QStringLiteral("h"),
                          QStringLiteral("/"), true);
    auto* number = dialog.findChild<QLineEdit*>(QStringLiteral("permissionNumber"));
    QList<QCheckBox*> boxes;
    for (int i = 0; i < 9; ++i)
        boxes.append(dialog.findChild<QCheckBox*>(QStringLiteral("permission%1").arg(i)));
    QVERIFY(number && !boxes.contains(nullptr));
    const QList<bool> ticked751 = {true, true, true, true, false, true, false, false, true};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(boxes[i]->isChecked(), ticked751[i]);

    // Others read.
    boxes[6]->click();
    QCOMPARE(number->text(), QStringLiteral("755"));
    QCOMPARE(dialog.PermissionBits(), 0x755);
    // Owner read, write, execute off: the field is the bits in hexadecimal, without leading zeros.
    boxes[0]->click();
    boxes[1]->click();
    boxes[2]->click();
    QCOMPARE(number->text(), QStringLiteral("55"));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    number->selectAll();
    QTest::keyClicks(number, QStringLiteral("64"));
    QCOMPARE(dialog.PermissionBits(), 0x055);
    QTest::keyClicks(number, QStringLiteral("0"));
    QCOMPARE(number->text(), QStringLiteral("640"));
    QCOMPARE(dialog.PermissionBits(), 0x640);
    const QList<bool> ticked640 = {true, true, false, true, false, false, false, false, false};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(boxes[i]->isChecked(), ticked640[i]);
    // Three characters that are no mode leave the boxes alone.
    number->selectAll();
    QTest::keyClicks(number, QStringLiteral("79a"));
    QCOMPARE(number->text(), QStringLiteral("79a"));
    QCOMPARE(dialog.PermissionBits(), 0x640);
}

void TestDialogs::propertiesFolderHasNoSize()
{
    CFtpListItem folder = File(QStringLiteral("docs"), 4096, 0x755);
    folder.isFolder = true;
    CPropertiesDlg dialog({folder}, QStringLiteral("h"), QStringLiteral("/pub"), true);
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("size")));
    QCOMPARE(LabelText(&dialog, QStringLiteral("type")), QStringLiteral("Folder"));
    QVERIFY(dialog.PermissionsShown());
}

void TestDialogs::propertiesSeveralRows()
{
    CFtpListItem folder = File(QStringLiteral("docs"), 4096);
    folder.isFolder = true;
    const QList<CFtpListItem> rows = {CFtpListItem::ParentRow(), File(QStringLiteral("a"), 500),
                                      File(QStringLiteral("b"), 24), folder};
    CPropertiesDlg dialog(rows, QStringLiteral("127.0.0.1"), QStringLiteral("/pub"), true);
    QCOMPARE(LabelText(&dialog, QStringLiteral("name")), QStringLiteral("Multiple Items"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("type")), QStringLiteral("2 個檔案, 1 個資料夾"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("size")), QStringLiteral("1 KB (524 位元組)"));
    QCOMPARE(LabelText(&dialog, QStringLiteral("location")), QStringLiteral("ftp://127.0.0.1/pub"));
    QVERIFY(!dialog.PermissionsShown());
    QVERIFY(!dialog.findChild<QGroupBox*>(QStringLiteral("permissions")));
}

void TestDialogs::propertiesWithoutSiteChmod()
{
    CPropertiesDlg dialog({File(QStringLiteral("a"), 1, 0x644)}, QStringLiteral("h"), QStringLiteral("/"),
                          false);
    QVERIFY(!dialog.PermissionsShown());
    QVERIFY(!dialog.findChild<QGroupBox*>(QStringLiteral("permissions")));
    QCOMPARE(LabelText(&dialog, QStringLiteral("chmodUnsupported")),
             QStringLiteral("伺服器不支援變更檔案權限"));
}

void TestDialogs::screenshots()
{
    CFtpListItem item = File(QStringLiteral("報告.pdf"), 123456, 0x644);
    CPropertiesDlg properties({item}, QStringLiteral("127.0.0.1"), QStringLiteral("/pub"), true);
    properties.show();
    QVERIFY(QTest::qWaitForWindowExposed(&properties));
    QString problem = Screenshot::Save(properties, QStringLiteral("properties.png"), {QStringLiteral("報告.pdf")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    Store(QStringLiteral("QuickConnect"), 0, QStringLiteral("127.0.0.1|tester,pw"));
    CQuickConnectBar bar;
    bar.resize(800, bar.sizeHint().height());
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    problem = Screenshot::Save(bar, QStringLiteral("quickconnect.png"), {QStringLiteral("主機位址："), QStringLiteral("連線")});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
