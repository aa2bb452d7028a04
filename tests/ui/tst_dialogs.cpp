#include "support/Screenshot.h"

#include "app/Profile.h"
#include "engine/keys/KeyCertificate.h"
#include "ui/CertificateDlg.h"
#include "ui/GoToDlg.h"
#include "ui/HistoryComboBox.h"
#include "ui/HostKeyDlg.h"
#include "ui/LogonDlg.h"
#include "ui/MoveDlg.h"
#include "ui/PropertiesDlg.h"
#include "ui/QuickConnectBar.h"
#include "ui/RetryCountdownDlg.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QString Stored(const QString& section, int index)
{
    return GetProfileString(section, section + QString::number(index));
}

void Store(const QString& section, int index, const QString& value)
{
    QVERIFY(WriteProfileString(section, section + QString::number(index), value));
}

QString LabelText(QWidget* parent, const QString& name)
{
    auto* label = parent->findChild<QLabel*>(name);
    return label ? label->text() : u"<missing %1>"_s.arg(name);
}

CFtpListItem File(const QString& name, qint64 size, int bits = 0, bool folder = false)
{
    CFtpListItem item;
    item.name = name;
    item.size = size;
    item.permissionBits = bits;
    item.isFolder = folder;
    item.modified = QDateTime(QDate(2026, 3, 4), QTime(5, 6), Qt::UTC);
    item.owner = u"alice"_s;
    item.group = u"staff"_s;
    return item;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // A zone far from UTC shows whether certificate dates are converted to local time.
        qputenv("TZ", "Asia/Taipei");
        CTranslations::Install(*qApp);
    }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("ZENTRAVA_HOME", m_home->path().toUtf8());
    }

    void countdownRunsToRetry()
    {
        CRetryCountdownDlg dialog(2, u"無法連線"_s);
        QCOMPARE(LabelText(&dialog, u"message"_s), u"無法連線"_s);
        const auto countdown = [&dialog] { return LabelText(&dialog, u"countdown"_s); };
        QCOMPARE(countdown(), u"Zentrava Pro 將在 2 秒之後重試..."_s);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        auto* bar = dialog.findChild<QProgressBar*>();
        QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1, 5000);
        QCOMPARE(countdown(), u"Zentrava Pro 將在 1 秒之後重試..."_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
        QCOMPARE(bar->value(), 2);
        QCOMPARE(countdown(), u"Zentrava Pro 將在 0 秒之後重試..."_s);
    }

    void countdownCancelled()
    {
        CRetryCountdownDlg dialog(1, u"x"_s);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        // The count must not go on and turn the cancel into a retry.
        QTest::qWait(1500);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void certificateShowsIssuerAndDatesAndNeedsAClick()
    {
        CKeyCertificate made;
        QVERIFY(made.GenerateKey(KeyAlgorithm::Rsa, 2048).Ok());
        CertificateRequest request;
        request.subject = {{CertificateField::CommonName, u"根憑證中心"_s},
                           {CertificateField::Country, u"TW"_s},
                           {CertificateField::Organisation, u"測試公司"_s},
                           {CertificateField::Unit, u"研發部"_s}};
        request.notBefore = QDateTime(QDate(2026, 1, 2), QTime(20, 30), Qt::UTC);
        request.notAfter = QDateTime(QDate(2027, 6, 30), QTime(23, 45), Qt::UTC);
        QVERIFY(made.CreateSelfSigned(request).Ok());
        ServerCertificate certificate;
        certificate.pem = made.Text();
        certificate.notBefore = made.NotBefore();
        certificate.notAfter = made.NotAfter();
        CCertificateDlg dialog(certificate, u"self-signed certificate"_s);
        QCOMPARE(dialog.windowTitle(), u"是否接受憑證？"_s);
        for (const auto& [name, text] : {std::pair{u"issuerName"_s, u"根憑證中心"_s},
                                         {u"country"_s, u"TW"_s},
                                         {u"organisation"_s, u"測試公司"_s},
                                         {u"unit"_s, u"研發部"_s},
                                         {u"problem"_s, u"self-signed certificate"_s}})
            QCOMPARE(LabelText(&dialog, name), text);
        // Taipei is eight hours ahead of UTC: 20:30 becomes 4:30 the next day, 23:45 becomes 7:45.
        const QString from = LabelText(&dialog, u"validFrom"_s);
        QVERIFY2(from.contains("4:30"_L1) && !from.contains("20:30"_L1) && !from.contains("8:30"_L1),
                 qPrintable(from));
        QVERIFY(LabelText(&dialog, u"validTo"_s).contains("7:45"_L1));
        QCOMPARE(dialog.findChild<QPushButton*>(u"refuse"_s)->text(), u"拒絕(&R)"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString problem = Screenshot::Save(dialog, u"certificate.png"_s, {u"根憑證中心"_s});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        // Enter alone never trusts a certificate.
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        CCertificateDlg clicked(ServerCertificate{}, QString());
        auto* accept = clicked.findChild<QPushButton*>(u"accept"_s);
        QCOMPARE(accept->text(), u"接受(&A)"_s);
        clicked.open();
        QTest::mouseClick(accept, Qt::LeftButton);
        QCOMPARE(clicked.result(), int(QDialog::Accepted));
    }

    void hostKeyShowsFingerprint()
    {
        const QByteArray blob = QByteArray::fromHex("0000000b") + "ssh-ed25519" +
                                QByteArray::fromHex("00000020") + QByteArray(32, '\x5a');
        const std::optional<SshHostKey> hostKey = SshHostKey::FromBlob(blob);
        QVERIFY(hostKey);
        CHostKeyDlg dialog(u"[127.0.0.1]:2222"_s, *hostKey);
        QCOMPARE(LabelText(&dialog, u"host"_s), u"[127.0.0.1]:2222"_s);
        QCOMPARE(LabelText(&dialog, u"keyType"_s), u"ssh-ed25519"_s);
        const QString fingerprint = LabelText(&dialog, u"fingerprint"_s);
        QVERIFY(fingerprint.startsWith("SHA256:"_L1));
        QCOMPARE(fingerprint.size(), 7 + 43);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // What the user typed before ticking the anonymous box comes back when it is unticked; without an
    // e-mail address the anonymous password is empty.
    void logonAnonymousBox_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("typedLogin");
        QTest::addColumn<QString>("typedPassword");
        QTest::newRow("typed") << "me@example.test"
                               << "bob"
                               << "carol"
                               << "typed";
        QTest::newRow("given anonymous") << ""
                                         << "AnonyMous"
                                         << "AnonyMous"
                                         << "kept";
    }
    void logonAnonymousBox()
    {
        QFETCH(QString, email);
        QFETCH(QString, login);
        QFETCH(QString, typedLogin);
        QFETCH(QString, typedPassword);
        QVERIFY(WriteProfileString(u"Settings"_s, u"EmailAddress"_s, email));
        CLogonDlg dialog(u"ftp.example.test"_s, login, u"kept"_s);
        auto* loginBox = dialog.findChild<CHistoryComboBox*>(u"login"_s);
        auto* password = dialog.findChild<QLineEdit*>(u"password"_s);
        auto* anonymous = dialog.findChild<QCheckBox*>(u"anonymous"_s);
        QCOMPARE(dialog.windowTitle(), u"登入身分"_s);
        QCOMPARE(dialog.findChild<QLineEdit*>(u"server"_s)->text(), u"ftp.example.test"_s);
        QCOMPARE(loginBox->HistoryName(), u"LogonUsers"_s);
        QCOMPARE(dialog.focusWidget(), password);
        const bool given = login.compare("anonymous"_L1, Qt::CaseInsensitive) == 0;
        QCOMPARE(anonymous->isChecked(), given);
        if (!given)
        {
            loginBox->setEditText(typedLogin);
            password->setText(typedPassword);
            anonymous->setChecked(true);
        }
        QCOMPARE(dialog.Login(), given ? login : u"anonymous"_s);
        QCOMPARE(dialog.Password(), email);
        QVERIFY(!loginBox->isEnabled());
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        anonymous->setChecked(false);
        QCOMPARE(dialog.Login(), typedLogin);
        QCOMPARE(dialog.Password(), typedPassword);
        QVERIFY(loginBox->isEnabled());
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QVERIFY(!dialog.SavePassword());
        dialog.findChild<QCheckBox*>(u"savePassword"_s)->setChecked(true);
        QVERIFY(dialog.SavePassword());
    }

    // Ten entries at most, the oldest going first; a known text takes the new data in its place; clearing
    // empties the box and the stored list.
    void historyKeepsTenEntries()
    {
        const QString section = u"QuickConnect"_s;
        CHistoryComboBox box;
        box.LoadHistory(section);
        for (int i = 0; i < 11; ++i)
            QVERIFY(box.AddHistoryItem(u"host%1|u%1,p"_s.arg(i)));
        QCOMPARE(box.count(), 10);
        QCOMPARE(box.itemText(0), u"host1"_s);
        QCOMPARE(box.itemText(9), u"host10"_s);
        QCOMPARE(box.ItemData(9), u"u10,p"_s);
        QCOMPARE(box.ItemData(10), QString());
        QCOMPARE(Stored(section, 0), u"host1|u1,p"_s);
        QCOMPARE(Stored(section, 9), u"host10|u10,p"_s);
        box.setEditText(u"still typed"_s);
        box.AddHistoryItem(u"host3|new"_s);
        QCOMPARE(box.count(), 10);
        QCOMPARE(box.itemText(2), u"host3"_s);
        QCOMPARE(box.ItemData(2), u"new"_s);
        QCOMPARE(box.currentText(), u"still typed"_s);
        QCOMPARE(Stored(section, 2), u"host3|new"_s);

        CHistoryComboBox reloaded;
        reloaded.LoadHistory(section);
        QCOMPARE(reloaded.count(), 10);
        QCOMPARE(reloaded.itemText(0), u"host1"_s);
        reloaded.setEditText(u"/typed"_s);
        QVERIFY(reloaded.ClearHistory());
        QCOMPARE(reloaded.count(), 0);
        QCOMPARE(reloaded.currentText(), QString());
        QCOMPARE(Stored(section, 0), QString());
        QCOMPARE(Stored(section, 9), QString());
    }

    void historySplitsAtFirstBar()
    {
        Store(u"MoveToFolder"_s, 0, u"/plain"_s);
        Store(u"MoveToFolder"_s, 1, u"text|data|more"_s);
        Store(u"MoveToFolder"_s, 3, u"/after a gap"_s);
        CHistoryComboBox box;
        box.LoadHistory(u"MoveToFolder"_s);
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), u"/plain"_s);
        QCOMPARE(box.ItemData(0), QString());
        QCOMPARE(box.itemText(1), u"text"_s);
        QCOMPARE(box.ItemData(1), u"data|more"_s);
    }

    // Go to adds no entry; Move adds one, or with Shift clears the list.
    void goToAndMoveHistory()
    {
        Store(u"GoToFolder"_s, 0, u"/stored"_s);
        CGoToDlg goTo;
        QCOMPARE(goTo.windowTitle(), u"前往"_s);
        auto* folder = goTo.findChild<CHistoryComboBox*>(u"folder"_s);
        QCOMPARE(folder->count(), 1);
        folder->setEditText(u"  /new  "_s);
        goTo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&goTo));
        QTest::keyClick(folder, Qt::Key_Return);
        QCOMPARE(goTo.result(), int(QDialog::Accepted));
        QCOMPARE(goTo.Folder(), u"/new"_s);
        QCOMPARE(Stored(u"GoToFolder"_s, 1), QString());

        Store(u"MoveToFolder"_s, 0, u"/old"_s);
        for (const auto& [target, modifier] :
             {std::pair{u"/dest"_s, Qt::NoModifier}, {u"/other"_s, Qt::ShiftModifier}})
        {
            CMoveDlg move;
            QCOMPARE(move.windowTitle(), u"搬移到資料夾..."_s);
            auto* history = move.findChild<CHistoryComboBox*>(u"folder"_s);
            QCOMPARE(history->count(), modifier ? 2 : 1);
            history->setEditText(target);
            move.open();
            QTest::mouseClick(move.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton, modifier);
            QCOMPARE(move.result(), int(QDialog::Accepted));
            QCOMPARE(move.Folder(), target);
            QCOMPARE(history->count(), modifier ? 0 : 2);
            QCOMPARE(Stored(u"MoveToFolder"_s, 1), modifier ? QString() : target);
        }
        QCOMPARE(Stored(u"MoveToFolder"_s, 0), QString());
    }

    void quickConnectFillsLogin()
    {
        Store(u"QuickConnect"_s, 0, u"h1|bob,pw1"_s);
        Store(u"QuickConnect"_s, 1, u"h2|a,b,c"_s);
        CQuickConnectBar bar;
        auto* host = bar.findChild<CHistoryComboBox*>(u"host"_s);
        auto* login = bar.findChild<QLineEdit*>(u"login"_s);
        auto* password = bar.findChild<QLineEdit*>(u"password"_s);
        QCOMPARE(host->count(), 2);
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        host->setFocus();
        QTest::keyClick(host, Qt::Key_Down);
        QCOMPARE(host->currentText(), u"h1"_s);
        QCOMPARE(login->text(), u"bob"_s);
        QCOMPARE(password->text(), u"pw1"_s);
        // A comma in what was stored as the login goes to the password side.
        QTest::keyClick(host, Qt::Key_Down);
        QCOMPARE(host->currentText(), u"h2"_s);
        QCOMPARE(login->text(), u"a"_s);
        QCOMPARE(password->text(), u"b,c"_s);
        // Shift with the button clears the history and the fields, and connects nowhere.
        QSignalSpy requested(&bar, &CQuickConnectBar::ConnectRequested);
        QTest::mouseClick(bar.findChild<QPushButton*>(u"connect"_s), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(requested.size(), 0);
        QCOMPARE(host->count(), 0);
        QCOMPARE(login->text(), QString());
        QCOMPARE(password->text(), QString());
        QCOMPARE(Stored(u"QuickConnect"_s, 0), QString());
        QCOMPARE(Stored(u"QuickConnect"_s, 1), QString());
    }

    void quickConnectSignalAndHistory()
    {
        Store(u"QuickConnect"_s, 0, u"h1|bob,pw1"_s);
        CQuickConnectBar bar;
        QSignalSpy requested(&bar, &CQuickConnectBar::ConnectRequested);
        auto* host = bar.findChild<CHistoryComboBox*>(u"host"_s);
        auto* connect = bar.findChild<QPushButton*>(u"connect"_s);
        QCOMPARE(connect->text(), u"連線"_s);
        host->setEditText(u"   "_s);
        QTest::mouseClick(connect, Qt::LeftButton);
        QCOMPARE(requested.size(), 0);

        host->setEditText(u"  ftp://127.0.0.1:2121/pub "_s);
        bar.findChild<QLineEdit*>(u"login"_s)->setText(u"me,too"_s);
        bar.findChild<QLineEdit*>(u"password"_s)->setText(u"secret"_s);
        QTest::mouseClick(connect, Qt::LeftButton);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.first(), QVariantList({u"ftp://127.0.0.1:2121/pub"_s, u"me,too"_s, u"secret"_s}));
        QCOMPARE(Stored(u"QuickConnect"_s, 0), u"h1|bob,pw1"_s);
        QCOMPARE(Stored(u"QuickConnect"_s, 1), u"ftp://127.0.0.1:2121/pub|me,too,secret"_s);

        // Enter connects as the button does; typing a known host does not bring back its stored log-in,
        // and the host keeps its place.
        host->setEditText(u"h1"_s);
        bar.findChild<QLineEdit*>(u"login"_s)->setText(u"ann"_s);
        QTest::keyClick(host, Qt::Key_Return);
        QCOMPARE(requested.size(), 2);
        QCOMPARE(requested.last().at(1).toString(), u"ann"_s);
        QCOMPARE(requested.last().at(2).toString(), u"secret"_s);
        QCOMPARE(Stored(u"QuickConnect"_s, 0), u"h1|ann,secret"_s);
        QCOMPARE(host->count(), 2);
        QTest::keyClick(bar.findChild<QLineEdit*>(u"password"_s), Qt::Key_Enter);
        QCOMPARE(requested.size(), 3);
    }

    void propertiesOneFile_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("sub folder") << u"/pub"_s << qint64(999) << u"ftp://127.0.0.1/pub/a.txt"_s
                                    << u"1 KB (999 bytes)"_s;
        QTest::newRow("escape in folder")
            << u"/p\x1b[2J"_s << qint64(999) << u"ftp://127.0.0.1/p\\x1b[2J/a.txt"_s << u"1 KB (999 bytes)"_s;
        QTest::newRow("root folder") << u"/"_s << qint64(0) << u"ftp://127.0.0.1/a.txt"_s
                                     << u"1 KB (0 bytes)"_s;
        QTest::newRow("rounded up") << u"/pub/"_s << qint64(1025) << u"ftp://127.0.0.1/pub/a.txt"_s
                                    << u"2 KB (%1 bytes)"_s.arg(QLocale::system().toString(1025));
    }
    void propertiesOneFile()
    {
        QFETCH(QString, folder);
        QFETCH(qint64, size);
        CPropertiesDlg dialog({File(u"a.txt"_s, size, 0x751)}, u"127.0.0.1"_s, folder, true);
        QCOMPARE(LabelText(&dialog, u"name"_s), u"a.txt"_s);
        QTEST(LabelText(&dialog, u"location"_s), "location");
        QTEST(LabelText(&dialog, u"size"_s), "sizeText");
        QCOMPARE(LabelText(&dialog, u"owner"_s), u"alice"_s);
        QCOMPARE(LabelText(&dialog, u"group"_s), u"staff"_s);
        QVERIFY(LabelText(&dialog, u"modified"_s).contains("2026"_L1));
        QVERIFY(dialog.PermissionsShown());
        QCOMPARE(dialog.PermissionBits(), 0x751);
        QCOMPARE(dialog.findChild<QLineEdit*>(u"permissionNumber"_s)->text(), u"751"_s);
        QVERIFY(!dialog.findChild<QLabel*>(u"chmodUnsupported"_s));
    }

    void propertiesPermissionsBothWays()
    {
        CPropertiesDlg dialog({File(u"run.sh"_s, 10, 0x751)}, u"h"_s, u"/"_s, true);
        auto* number = dialog.findChild<QLineEdit*>(u"permissionNumber"_s);
        QList<QCheckBox*> boxes;
        for (int i = 0; i < 9; ++i)
            boxes.append(dialog.findChild<QCheckBox*>(u"permission%1"_s.arg(i)));
        const auto ticked = [&boxes]
        {
            QString marks;
            for (QCheckBox* box : boxes)
                marks += box->isChecked() ? u'x' : u'-';
            return marks;
        };
        QCOMPARE(ticked(), u"xxxx-x--x"_s);
        // Others read.
        boxes[6]->click();
        QCOMPARE(number->text(), u"755"_s);
        QCOMPARE(dialog.PermissionBits(), 0x755);
        // Owner read, write, execute off: the field is the bits in hexadecimal, without leading zeros.
        for (int i = 0; i < 3; ++i)
            boxes[i]->click();
        QCOMPARE(number->text(), u"55"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        number->selectAll();
        QTest::keyClicks(number, u"64"_s);
        QCOMPARE(dialog.PermissionBits(), 0x055);
        QTest::keyClicks(number, u"0"_s);
        QCOMPARE(number->text(), u"640"_s);
        QCOMPARE(dialog.PermissionBits(), 0x640);
        QCOMPARE(ticked(), u"xx-x-----"_s);
        // Three characters that are no mode leave the boxes alone.
        number->selectAll();
        QTest::keyClicks(number, u"79a"_s);
        QCOMPARE(number->text(), u"79a"_s);
        QCOMPARE(dialog.PermissionBits(), 0x640);
    }

    void propertiesOfFoldersAndSeveralRows()
    {
        const CFtpListItem folder = File(u"docs"_s, 4096, 0x755, true);
        CPropertiesDlg one({folder}, u"h"_s, u"/pub"_s, true);
        QVERIFY(!one.findChild<QLabel*>(u"size"_s));
        QCOMPARE(LabelText(&one, u"type"_s), u"Folder"_s);
        QVERIFY(one.PermissionsShown());

        CPropertiesDlg several({CFtpListItem::ParentRow(), File(u"a"_s, 500), File(u"b"_s, 24), folder},
                               u"127.0.0.1"_s, u"/pub"_s, true);
        QCOMPARE(LabelText(&several, u"name"_s), u"Multiple Items"_s);
        QCOMPARE(LabelText(&several, u"type"_s), u"2 個檔案, 1 個資料夾"_s);
        QCOMPARE(LabelText(&several, u"size"_s), u"1 KB (524 位元組)"_s);
        QCOMPARE(LabelText(&several, u"location"_s), u"ftp://127.0.0.1/pub"_s);
        QVERIFY(!several.PermissionsShown());
        QVERIFY(!several.findChild<QGroupBox*>(u"permissions"_s));

        CPropertiesDlg noChmod({File(u"a"_s, 1, 0x644)}, u"h"_s, u"/"_s, false);
        QVERIFY(!noChmod.PermissionsShown());
        QVERIFY(!noChmod.findChild<QGroupBox*>(u"permissions"_s));
        QCOMPARE(LabelText(&noChmod, u"chmodUnsupported"_s), u"伺服器不支援變更檔案權限"_s);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
