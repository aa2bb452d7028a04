#include "ui/options/KnownHostsDlg.h"

#include "app/DataFolder.h"
#include "ui/dialogs/MessageBox.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CKnownHostsDlg::CKnownHostsDlg(QWidget* parent, const QString& file)
    : QDialog(parent), m_hosts(file.isEmpty() ? CDataFolder::FilePath(QStringLiteral("known_hosts")) : file),
      m_list(new QTreeWidget(this))
{
    setWindowTitle(QCoreApplication::translate("KnownHostsDlg", "信任的主機金鑰"));
    m_list->setHeaderLabels({QCoreApplication::translate("KnownHostsDlg", "主機"),
                             QCoreApplication::translate("KnownHostsDlg", "金鑰類型"),
                             QCoreApplication::translate("KnownHostsDlg", "SHA-256 指紋")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    auto* import =
        buttons->addButton(QCoreApplication::translate("KnownHostsDlg", "從 ~/.ssh/known_hosts 匯入(&I)"),
                           QDialogButtonBox::ActionRole);
    m_delete = buttons->addButton(QCoreApplication::translate("KnownHostsDlg", "刪除(&R)"),
                                  QDialogButtonBox::ActionRole);
    buttons->addButton(QCoreApplication::translate("KnownHostsDlg", "關閉(&C)"),
                       QDialogButtonBox::RejectRole);
    connect(import, &QPushButton::clicked, this,
            [this] { Import(QDir::home().filePath(QStringLiteral(".ssh/known_hosts"))); });
    connect(m_delete, &QPushButton::clicked, this,
            [this]
            {
                const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
                if (!selected.isEmpty())
                    Delete(m_list->indexOfTopLevelItem(selected.first()));
            });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_list->selectedItems().isEmpty()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    if (const FtpResult loaded = m_hosts.Load(); !loaded.Ok())
        CMessageBox::Show(this, QMessageBox::Warning, loaded.message);
    Fill();
    resize(720, 320);
}

void CKnownHostsDlg::Import(const QString& otherFile)
{
    if (!QFileInfo::exists(otherFile))
    {
        CMessageBox::Show(this, QMessageBox::Information,
                          QCoreApplication::translate("KnownHostsDlg", "找不到 \"%1\"。").arg(otherFile));
        return;
    }
    int added = 0;
    const FtpResult imported = CDataFolder::Ensure()
                                   ? m_hosts.Import(otherFile, &added)
                                   : FtpResult::Failure(FtpStatus::Local, CDataFolder::FilePath({}));
    Fill();
    if (!imported.Ok())
        CMessageBox::Show(this, QMessageBox::Warning, imported.message);
    else
        CMessageBox::Show(this, QMessageBox::Information,
                          QCoreApplication::translate("KnownHostsDlg", "已從 \"%1\" 匯入 %2 把主機金鑰。")
                              .arg(otherFile)
                              .arg(added));
}

void CKnownHostsDlg::Delete(int row)
{
    const FtpResult removed = m_hosts.RemoveAt(row);
    if (!removed.Ok())
        CMessageBox::Show(this, QMessageBox::Warning, removed.message);
    Fill();
}

QString CKnownHostsDlg::HostText(const QByteArray& hosts)
{
    if (hosts.startsWith("|1|"))
        return QCoreApplication::translate("KnownHostsDlg", "（已雜湊的主機名稱）");
    QStringList names;
    for (const QByteArray& pattern : hosts.split(','))
    {
        const QString name = QString::fromUtf8(pattern);
        // "[host]:port" for other ports; an IPv6 address keeps its brackets before the port.
        if (name.startsWith(u'[') && name.contains(QStringLiteral("]:")))
        {
            const QString host = name.section(QStringLiteral("]:"), 0, 0).mid(1);
            const QString port = name.section(QStringLiteral("]:"), 1);
            names << (host.contains(u':') ? u'[' + host + u']' : host) + u':' + port;
        }
        else
            names << (name.contains(u':') ? u'[' + name + u']' : name) + QStringLiteral(":22");
    }
    return names.join(QStringLiteral(", "));
}

void CKnownHostsDlg::Fill()
{
    m_list->clear();
    for (const CKnownHosts::Entry& entry : m_hosts.Entries())
    {
        QString type = QString::fromUtf8(entry.key.type);
        if (!entry.marker.isEmpty())
            type +=
                QCoreApplication::translate("KnownHostsDlg", "（%1）").arg(QString::fromUtf8(entry.marker));
        new QTreeWidgetItem(m_list,
                            {HostText(entry.hosts), type, QString::fromUtf8(entry.key.Fingerprint())});
    }
    m_delete->setEnabled(false);
}
