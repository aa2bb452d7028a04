#include "ui/options/OptionsASCIITypesPage.h"

#include "transfer/AsciiTypes.h"
#include "ui/options/StoredListLimit.h"
#include "ui/options/TextEntryDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

COptionsASCIITypesPage::COptionsASCIITypesPage(QWidget* parent)
    : COptionsPage(parent), m_extensions(new QListWidget(this))
{
    m_extensions->setObjectName(QStringLiteral("extensions"));
    m_extensions->addItems(LoadAsciiTypes());
    auto* add = new QPushButton(QCoreApplication::translate("OptionsASCIITypesPage", "新增(&A)..."), this);
    add->setObjectName(QStringLiteral("add"));
    connect(add, &QPushButton::clicked, this, &COptionsASCIITypesPage::AddExtension);
    auto* remove = new QPushButton(QCoreApplication::translate("OptionsASCIITypesPage", "移除(&R)..."), this);
    remove->setObjectName(QStringLiteral("remove"));
    connect(remove, &QPushButton::clicked, this, &COptionsASCIITypesPage::RemoveSelected);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("OptionsASCIITypesPage", "ASCII 副檔名"), this),
                      0, 0);
    layout->addWidget(m_extensions, 1, 0, 3, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->setRowStretch(3, 1);
}

QString COptionsASCIITypesPage::Problem() const
{
    return StoredListProblem(Extensions(),
                             QCoreApplication::translate("OptionsASCIITypesPage", "ASCII 副檔名清單"));
}

void COptionsASCIITypesPage::SaveOptions()
{
    if (Problem().isEmpty())
        SaveAsciiTypes(Extensions());
}

QStringList COptionsASCIITypesPage::Extensions() const
{
    QStringList extensions;
    for (int row = 0; row < m_extensions->count(); ++row)
        extensions.append(m_extensions->item(row)->text());
    return extensions;
}

void COptionsASCIITypesPage::AddExtension()
{
    CTextEntryDlg dialog(QCoreApplication::translate("OptionsASCIITypesPage", "新增 ASCII 副檔名"),
                         QCoreApplication::translate("OptionsASCIITypesPage", "ASCII 副檔名："), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Without blanks or a leading dot, which a file's extension is never compared with.
    QString extension = dialog.Text().trimmed();
    while (extension.startsWith(u'.'))
        extension.remove(0, 1);
    if (!extension.isEmpty())
        m_extensions->addItem(extension);
}

void COptionsASCIITypesPage::RemoveSelected()
{
    qDeleteAll(m_extensions->selectedItems());
}
