#include "ui/options/FilterPropertiesPage.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace
{

const QString kSection = QStringLiteral("Filter");

} // namespace

CFilterPropertiesPage::CFilterPropertiesPage(QWidget* parent) : COptionsPage(parent)
{
    setObjectName(QStringLiteral("FilterPropertiesPage"));
    setWindowTitle(QCoreApplication::translate("FilterPropertiesPage", "過濾條件設定"));
    auto* layout = new QFormLayout(this);
    for (const auto& [text, key] :
         {std::pair{QT_TRANSLATE_NOOP("FilterPropertiesPage", "啟用過濾條件(&E)"), "EnableFiltering"},
          {QT_TRANSLATE_NOOP("FilterPropertiesPage", "套用到資料夾名稱(&F)"), "FilterFolders"},
          {QT_TRANSLATE_NOOP("FilterPropertiesPage", "套用到檔案傳送(&F)"), "FilterTransfers"},
          {QT_TRANSLATE_NOOP("FilterPropertiesPage", "區分大小寫(&C)"), "CaseSensitive"}})
        layout->addRow(BoundCheck(QCoreApplication::translate("FilterPropertiesPage", text), kSection,
                                  QLatin1String(key)));
    QCheckBox* server =
        BoundCheck(QCoreApplication::translate("FilterPropertiesPage", "啟用伺服器端過濾(&S)"), kSection,
                   QStringLiteral("ServerFiltering"));
    layout->addRow(server);
    QLineEdit* remote = BoundText(kSection, QStringLiteral("RemoteFilter"));
    auto* label = new QLabel(QCoreApplication::translate("FilterPropertiesPage", "遠端過濾："), this);
    label->setObjectName(QStringLiteral("RemoteFilterLabel"));
    label->setBuddy(remote);
    auto* hint = new QLabel(QCoreApplication::translate("FilterPropertiesPage", "(-L 或 -a ...)"), this);
    hint->setObjectName(QStringLiteral("RemoteFilterHint"));
    layout->addRow(label, remote);
    layout->addRow(QString(), hint);
    m_remoteControls = {label, remote, hint};
    connect(server, &QCheckBox::toggled, this, &CFilterPropertiesPage::EnableRemoteFilter);
    EnableRemoteFilter(server->isChecked());
}

void CFilterPropertiesPage::EnableRemoteFilter(bool enabled)
{
    for (QWidget* control : std::as_const(m_remoteControls))
        control->setEnabled(enabled);
}
