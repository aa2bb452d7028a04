#include "ui/options/OptionsSmartOverwritePage.h"

#include "ui/options/OptionsRow.h"
#include "ui/options/OverwriteRulesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

namespace
{

const QString kSmartOverwrite = QStringLiteral("SmartOverwrite");
const QString kSettings = QStringLiteral("Settings");

} // namespace

COptionsSmartOverwritePage::COptionsSmartOverwritePage(QWidget* parent) : COptionsPage(parent)
{
    QComboBox* matching = BoundList(kSmartOverwrite, QStringLiteral("MatchingFiles"),
                                    {QCoreApplication::translate("OptionsSmartOverwritePage", "提示"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "覆寫"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "略過"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "重新命名"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "續傳"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "編號識別"),
                                     QCoreApplication::translate("OptionsSmartOverwritePage", "使用規則")});
    auto* rules =
        new QPushButton(QCoreApplication::translate("OptionsSmartOverwritePage", "規則設定(&C)..."), this);
    rules->setObjectName(QStringLiteral("rules"));
    connect(rules, &QPushButton::clicked, this, &COptionsSmartOverwritePage::EditRules);
    QComboBox* promptAction =
        BoundList(kSmartOverwrite, QStringLiteral("PromptAction"),
                  {QCoreApplication::translate("OptionsSmartOverwritePage", "覆寫"),
                   QCoreApplication::translate("OptionsSmartOverwritePage", "略過"),
                   QCoreApplication::translate("OptionsSmartOverwritePage", "重新命名"),
                   QCoreApplication::translate("OptionsSmartOverwritePage", "續傳"),
                   QCoreApplication::translate("OptionsSmartOverwritePage", "編號識別")});
    QCheckBox* enableTimeout =
        BoundCheck(QCoreApplication::translate("OptionsSmartOverwritePage", "逾時期限"), kSmartOverwrite,
                   QStringLiteral("EnableTimeout"));
    // A countdown of no seconds would close the prompt before it could be answered.
    QSpinBox* timeout = BoundNumber(kSmartOverwrite, QStringLiteral("Timeout"), 1, 99999);
    timeout->setSuffix(QCoreApplication::translate("OptionsSmartOverwritePage", " 秒"));
    EnableWhileTicked(enableTimeout, timeout);
    QCheckBox* enableCrc =
        BoundCheck(QCoreApplication::translate("OptionsSmartOverwritePage", "傳送後檢查檔案完整性"),
                   kSettings, QStringLiteral("EnableCRC"));
    QComboBox* typeCrc = BoundList(kSettings, QStringLiteral("TypeCRC"),
                                   {QStringLiteral("CRC"), QStringLiteral("MD5"), QStringLiteral("SHA1")});
    EnableWhileTicked(enableCrc, typeCrc);

    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("OptionsSmartOverwritePage", "同名檔案"),
                 OptionsRow(matching, rules));
    form->addRow(QString(),
                 BoundCheck(QCoreApplication::translate("OptionsSmartOverwritePage", "忽略 0 位元檔案"),
                            kSmartOverwrite, QStringLiteral("IgnoreZeroBytes")));
    form->addRow(QCoreApplication::translate("OptionsSmartOverwritePage", "提示逾時動作"), promptAction);
    form->addRow(enableTimeout, timeout);
    form->addRow(enableCrc, typeCrc);
}

void COptionsSmartOverwritePage::EditRules()
{
    COverwriteRulesDlg(this).exec();
}
