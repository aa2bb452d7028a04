#include "ui/options/OptionsSmartOverwritePage.h"

#include "ui/options/OptionsRow.h"
#include "ui/options/OverwriteRulesDlg.h"

#include <QCheckBox>
#include <QComboBox>
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
                                    {QStringLiteral("提示"), QStringLiteral("覆寫"), QStringLiteral("略過"),
                                     QStringLiteral("重新命名"), QStringLiteral("續傳"),
                                     QStringLiteral("編號識別"), QStringLiteral("使用規則")});
    auto* rules = new QPushButton(QStringLiteral("規則設定(&C)..."), this);
    rules->setObjectName(QStringLiteral("rules"));
    connect(rules, &QPushButton::clicked, this, &COptionsSmartOverwritePage::EditRules);
    QComboBox* promptAction =
        BoundList(kSmartOverwrite, QStringLiteral("PromptAction"),
                  {QStringLiteral("覆寫"), QStringLiteral("略過"), QStringLiteral("重新命名"),
                   QStringLiteral("續傳"), QStringLiteral("編號識別")});
    QCheckBox* enableTimeout =
        BoundCheck(QStringLiteral("逾時期限"), kSmartOverwrite, QStringLiteral("EnableTimeout"));
    // A countdown of no seconds would close the prompt before it could be answered.
    QSpinBox* timeout = BoundNumber(kSmartOverwrite, QStringLiteral("Timeout"), 1, 99999);
    timeout->setSuffix(QStringLiteral(" 秒"));
    EnableWhileTicked(enableTimeout, timeout);
    QCheckBox* enableCrc =
        BoundCheck(QStringLiteral("傳送後檢查檔案完整性"), kSettings, QStringLiteral("EnableCRC"));
    QComboBox* typeCrc = BoundList(kSettings, QStringLiteral("TypeCRC"),
                                   {QStringLiteral("CRC"), QStringLiteral("MD5"), QStringLiteral("SHA1")});
    EnableWhileTicked(enableCrc, typeCrc);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("同名檔案"), OptionsRow(matching, rules));
    form->addRow(QString(), BoundCheck(QStringLiteral("忽略 0 位元檔案"), kSmartOverwrite,
                                       QStringLiteral("IgnoreZeroBytes")));
    form->addRow(QStringLiteral("提示逾時動作"), promptAction);
    form->addRow(enableTimeout, timeout);
    form->addRow(enableCrc, typeCrc);
}

void COptionsSmartOverwritePage::EditRules()
{
    COverwriteRulesDlg(this).exec();
}
