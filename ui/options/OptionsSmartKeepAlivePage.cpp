#include "ui/options/OptionsSmartKeepAlivePage.h"

#include "app/Profile.h"
#include "app/StringList.h"
#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace
{
const QString kSection = QStringLiteral("SmartKeepAlive");
const QString kCommands = QStringLiteral("Commands");
} // namespace

COptionsSmartKeepAlivePage::COptionsSmartKeepAlivePage(QWidget* parent)
    : COptionsPage(parent),
      m_enabled(BoundCheck(QCoreApplication::translate("OptionsSmartKeepAlivePage", "啟用自動保持連線(&E)"),
                           kSection, QStringLiteral("EnableSKA"))),
      m_commands(new QPlainTextEdit(this))
{
    CStringList commands;
    LoadProfileObject(kSection, kCommands, commands);
    m_commands->setObjectName(kCommands);
    m_commands->setPlainText(commands.Items().join(u'\n'));
    auto* form = new QFormLayout(this);
    form->addRow(m_enabled);
    const auto addRow = [&](const QString& label, QWidget* field)
    {
        auto* caption = new QLabel(label, this);
        caption->setBuddy(field);
        form->addRow(caption, field);
        EnableWhileTicked(m_enabled, caption);
        EnableWhileTicked(m_enabled, field);
    };
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage", "閒置多久後開始 (秒)："),
           BoundNumber(kSection, QStringLiteral("StartSKA"), 1, 3600));
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage", "保持連線多久 (分鐘)："),
           BoundNumber(kSection, QStringLiteral("MaintainSKA"), 1, 1440));
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage", "最短間隔 (秒)："),
           BoundNumber(kSection, QStringLiteral("IntervalStart"), 1, 3600));
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage", "最長間隔 (秒)："),
           BoundNumber(kSection, QStringLiteral("IntervalEnd"), 1, 3600));
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage",
                                       "依序傳送的指令 (每行一個，空白時傳送 NOOP)："),
           m_commands);
    addRow(QString(),
           BoundCheck(QCoreApplication::translate("OptionsSmartKeepAlivePage", "連線中斷時重新連線(&R)"),
                      kSection, QStringLiteral("Reconnect")));
    addRow(QCoreApplication::translate("OptionsSmartKeepAlivePage", "重新連線前等待 (秒)："),
           BoundNumber(kSection, QStringLiteral("ReconnectTime"), 1, 3600));
}

QStringList COptionsSmartKeepAlivePage::Commands() const
{
    QStringList commands;
    for (const QString& line : m_commands->toPlainText().split(u'\n'))
        if (!line.trimmed().isEmpty())
            commands << line.trimmed();
    return commands;
}

QString COptionsSmartKeepAlivePage::Problem() const
{
    if (CStringList(Commands()).Serialize().size() < kProfileObjectLimit)
        return {};
    return QCoreApplication::translate("OptionsSmartKeepAlivePage",
                                       "保持連線的指令太多，無法儲存（上限 %1 位元組）")
        .arg(kProfileObjectLimit);
}

void COptionsSmartKeepAlivePage::SaveOptions()
{
    COptionsPage::SaveOptions();
    SaveProfileObject(kSection, kCommands, CStringList(Commands()));
}
