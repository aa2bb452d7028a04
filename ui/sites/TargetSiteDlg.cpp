#include "ui/sites/TargetSiteDlg.h"

#include "sites/SiteList.h"
#include "ui/sites/SiteFolderTree.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CTargetSiteDlg::CTargetSiteDlg(CSiteList& sites, QWidget* parent)
    : QDialog(parent), m_tree(new CSiteFolderTree(sites, true, this))
{
    setWindowTitle(QCoreApplication::translate("TargetSiteDlg", "站台對傳"));
    auto* caption = new QLabel(QCoreApplication::translate("TargetSiteDlg", "選擇目標站台"), this);
    caption->setBuddy(m_tree);
    m_tree->setObjectName(QStringLiteral("sites"));
    m_tree->expandAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Only a site can receive the copy.
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_tree, &QTreeWidget::currentItemChanged, ok,
            [this, ok] { ok->setEnabled(m_tree->IsSiteSelected()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_tree);
    layout->addWidget(buttons);
}

std::optional<QString> CTargetSiteDlg::SelectedSitePath() const
{
    if (!m_tree->IsSiteSelected())
        return std::nullopt;
    return m_tree->SelectedPath();
}

std::optional<QString> CTargetSiteDlg::ChooseSite(QWidget* parent, CSiteList& sites)
{
    CTargetSiteDlg dialog(sites, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.SelectedSitePath();
}
