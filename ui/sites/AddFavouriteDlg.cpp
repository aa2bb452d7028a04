#include "ui/sites/AddFavouriteDlg.h"

#include "sites/FtpSite.h"
#include "sites/SiteList.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/sites/SiteFolderTree.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAddFavouriteDlg::CAddFavouriteDlg(CSiteList& sites, const QString& name, QWidget* parent)
    : QDialog(parent), m_sites(sites), m_name(new QLineEdit(name, this)),
      m_tree(new CSiteFolderTree(sites, false, this))
{
    setWindowTitle(QCoreApplication::translate("AddFavouriteDlg", "加到我的最愛"));
    auto* caption = new QLabel(QCoreApplication::translate("AddFavouriteDlg", "輸入站台名稱："), this);
    caption->setBuddy(m_name);
    m_name->setObjectName(QStringLiteral("siteName"));
    m_tree->setObjectName(QStringLiteral("folders"));
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed);

    const auto addButton = [this](const QString& text, const QString& name, void (CSiteFolderTree::*action)())
    {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, m_tree, action);
        return button;
    };
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(addButton(QCoreApplication::translate("AddFavouriteDlg", "新增資料夾"),
                                       QStringLiteral("newFolder"), &CSiteFolderTree::NewFolder));
    folderButtons->addWidget(addButton(QCoreApplication::translate("AddFavouriteDlg", "重新命名"),
                                       QStringLiteral("rename"), &CSiteFolderTree::RenameSelected));
    folderButtons->addWidget(addButton(QCoreApplication::translate("AddFavouriteDlg", "刪除"),
                                       QStringLiteral("delete"), &CSiteFolderTree::DeleteSelected));
    folderButtons->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_name);
    layout->addWidget(m_tree);
    layout->addLayout(folderButtons);
    layout->addWidget(buttons);
    m_name->setFocus();
}

QString CAddFavouriteDlg::SiteName() const
{
    return m_name->text();
}

QString CAddFavouriteDlg::FolderPath() const
{
    return m_tree->SelectedPath();
}

void CAddFavouriteDlg::accept()
{
    const QString refusal = CSiteList::CheckName(SiteName());
    if (!refusal.isEmpty())
    {
        CMessageBox::Show(this, QMessageBox::Warning, refusal);
        m_name->setFocus();
        return;
    }
    if (m_sites.FindSiteInFolder(m_tree->SelectedElement(), SiteName()) &&
        CMessageBox::Show(this, QMessageBox::Question,
                          QCoreApplication::translate("AddFavouriteDlg",
                                                      "這個資料夾中已經有站台 '%1'，要以新的設定取代它嗎？")
                              .arg(SiteName()),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::accept();
}

void CAddFavouriteDlg::done(int result)
{
    if (!m_sites.SaveSites())
        CMessageBox::Show(
            this, QMessageBox::Warning,
            QCoreApplication::translate("AddFavouriteDlg", "無法儲存 %1").arg(m_sites.FilePath()));
    QDialog::done(result);
}

bool AddToFavourites(QWidget* parent, CSiteList& sites, const CFtpSite& connectionSite,
                     const QString& remoteFolder, const QString& localFolder)
{
    CAddFavouriteDlg dialog(sites, connectionSite.Address + QStringLiteral(" [") + remoteFolder + u']',
                            parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    CFtpSite site = connectionSite;
    site.Name = dialog.SiteName();
    site.RemotePath = remoteFolder;
    site.LocalPath = localFolder;
    if (sites.StoreSite(site, dialog.FolderPath()))
        return true;
    CMessageBox::Show(
        parent, QMessageBox::Warning,
        QCoreApplication::translate("AddFavouriteDlg", "無法儲存站台設定到 %1").arg(sites.FilePath()));
    return false;
}
