#include "ui/options/FilterSheet.h"

#include "ui/dialogs/MessageBox.h"
#include "ui/options/FilterMaskPage.h"
#include "ui/options/FilterNotMaskPage.h"
#include "ui/options/FilterPropertiesPage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

CFilterSheet::CFilterSheet(QWidget* parent) : QDialog(parent), m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("FilterSheet"));
    setWindowTitle(QCoreApplication::translate("FilterSheet", "過濾"));
    m_pages = {new CFilterPropertiesPage(m_tabs), new CFilterMaskPage(m_tabs),
               new CFilterNotMaskPage(m_tabs)};
    for (COptionsPage* page : std::as_const(m_pages))
        m_tabs->addTab(page, page->windowTitle());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void CFilterSheet::accept()
{
    for (COptionsPage* page : std::as_const(m_pages))
    {
        const QString problem = page->Problem();
        if (!problem.isEmpty())
        {
            m_tabs->setCurrentWidget(page);
            CMessageBox::Show(this, QMessageBox::Warning, problem);
            return;
        }
    }
    for (COptionsPage* page : std::as_const(m_pages))
        page->SaveOptions();
    QDialog::accept();
}
