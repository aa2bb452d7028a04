#include "ui/options/CertificateManagerDlg.h"

#include "app/DataFolder.h"
#include "engine/keys/KeyCertificate.h"
#include "ui/dialogs/CertificateContentsDlg.h"
#include "ui/dialogs/MessageBox.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CCertificateManagerDlg::CCertificateManagerDlg(QWidget* parent, const QString& storeFile)
    : QDialog(parent), m_store(storeFile), m_list(new QTreeWidget(this))
{
    setWindowTitle(QCoreApplication::translate("CertificateManagerDlg", "憑證管理"));
    m_list->setHeaderLabels({QCoreApplication::translate("CertificateManagerDlg", "發行者"),
                             QCoreApplication::translate("CertificateManagerDlg", "主體"),
                             QCoreApplication::translate("CertificateManagerDlg", "有效期限")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_store.Load();
    for (const QByteArray& text : m_store.Certificates())
    {
        CKeyCertificate certificate;
        // An entry that no longer reads as a certificate still has its row, so rows and entries match.
        certificate.LoadCertificateText(text);
        AddRow(certificate, text);
    }
    for (int column = 0; column < 3; ++column)
        m_list->setColumnWidth(column, 200);

    auto* group = new QGroupBox(QCoreApplication::translate("CertificateManagerDlg", "已安裝憑證"), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const QString& text, auto action)
    {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
        return button;
    };
    m_rowButtons << addButton(QCoreApplication::translate("CertificateManagerDlg", "內容(&P)"),
                              [this] { ShowContents(SelectedRow()); });
    addButton(QCoreApplication::translate("CertificateManagerDlg", "匯入(&I)"),
              &CCertificateManagerDlg::ChooseImport);
    m_rowButtons << addButton(QCoreApplication::translate("CertificateManagerDlg", "匯出(&E)"),
                              &CCertificateManagerDlg::ChooseExport);
    m_rowButtons << addButton(QCoreApplication::translate("CertificateManagerDlg", "刪除(&R)"),
                              [this] { Delete(SelectedRow()); });
    buttons->addStretch();
    addButton(QCoreApplication::translate("CertificateManagerDlg", "關閉(&C)"), &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CCertificateManagerDlg::FollowSelection);
    FollowSelection();
    resize(680, 360);
}

void CCertificateManagerDlg::Import(const QString& path)
{
    CKeyCertificate certificate;
    FtpResult loaded = certificate.LoadCertificate(path);
    while (loaded.status == FtpStatus::LogInRefused)
    {
        bool given = false;
        const QString password = QInputDialog::getText(
            this, QCoreApplication::translate("CertificateManagerDlg", "匯入憑證"),
            loaded.message + QCoreApplication::translate("CertificateManagerDlg", "\n\n密碼："),
            QLineEdit::Password, {}, &given);
        if (!given)
            return;
        loaded = certificate.LoadCertificate(path, password.toUtf8());
    }
    if (!loaded.Ok())
    {
        CMessageBox::Show(this, QMessageBox::Warning, loaded.message);
        return;
    }
    // Stored as the certificate's own PEM, whatever the file's form, so that the same certificate always
    // compares the same.
    const QByteArray text = certificate.Text();
    if (m_store.Contains(text))
    {
        CMessageBox::Show(this, QMessageBox::Information,
                          QCoreApplication::translate("CertificateManagerDlg", "憑證已經存在！"));
        return;
    }
    if (!CDataFolder::Ensure() || !m_store.Add(text))
        CMessageBox::Show(this, QMessageBox::Warning,
                          QCoreApplication::translate("CertificateManagerDlg",
                                                      "無法寫入 \"%1\"；憑證只在這次執行中受信任。")
                              .arg(m_store.FilePath()));
    AddRow(certificate, text);
}

void CCertificateManagerDlg::Export(int row, const QString& path)
{
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return;
    CKeyCertificate certificate;
    FtpResult result = certificate.LoadCertificateText(item->data(0, Qt::UserRole).toByteArray());
    if (result.Ok())
        result = certificate.WriteCertificate(path);
    if (!result.Ok())
        CMessageBox::Show(this, QMessageBox::Warning, result.message);
}

void CCertificateManagerDlg::ShowContents(int row)
{
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    CKeyCertificate certificate;
    if (!item || !certificate.LoadCertificateText(item->data(0, Qt::UserRole).toByteArray()).Ok())
        return;
    CCertificateContentsDlg(certificate, QStringLiteral("Certificate Contents"), this).exec();
}

void CCertificateManagerDlg::Delete(int row)
{
    if (row < 0 || row >= m_list->topLevelItemCount())
        return;
    const bool saved = m_store.RemoveAt(row);
    delete m_list->takeTopLevelItem(row);
    if (!saved)
        CMessageBox::Show(
            this, QMessageBox::Warning,
            QCoreApplication::translate("CertificateManagerDlg", "無法寫入 \"%1\"；下次啟動時憑證仍會出現。")
                .arg(m_store.FilePath()));
}

void CCertificateManagerDlg::AddRow(const CKeyCertificate& certificate, const QByteArray& text)
{
    auto* item = new QTreeWidgetItem(
        m_list, {certificate.IssuerText(), certificate.SubjectText(), certificate.ExpiryText()});
    item->setData(0, Qt::UserRole, text);
}

int CCertificateManagerDlg::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
}

void CCertificateManagerDlg::FollowSelection()
{
    for (QPushButton* button : std::as_const(m_rowButtons))
        button->setEnabled(SelectedRow() >= 0);
}

void CCertificateManagerDlg::ChooseImport()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QCoreApplication::translate("CertificateManagerDlg", "匯入憑證"), {},
        QCoreApplication::translate("CertificateManagerDlg",
                                    "憑證 (*.pem *.pfx *.p12 *.crt *.cer *.der);;所有檔案 (*)"));
    if (!path.isEmpty())
        Import(path);
}

void CCertificateManagerDlg::ChooseExport()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    QFileDialog dialog(this, QCoreApplication::translate("CertificateManagerDlg", "匯出憑證"), {},
                       QCoreApplication::translate("CertificateManagerDlg", "憑證 (*.crt);;所有檔案 (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("crt"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        Export(row, dialog.selectedFiles().first());
}
