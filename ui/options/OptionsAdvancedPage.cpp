#include "ui/options/OptionsAdvancedPage.h"

#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{
const QString kSettings = QStringLiteral("Settings");
} // namespace

COptionsAdvancedPage::COptionsAdvancedPage(QWidget* parent) : COptionsPage(parent)
{
    auto* general = new QGroupBox(QCoreApplication::translate("OptionsAdvancedPage", "ㄧ般"), this);
    auto* generalForm = new QFormLayout(general);
    generalForm->addRow(QCoreApplication::translate("OptionsAdvancedPage", "連線逾時(&T) (秒)："),
                        BoundNumber(kSettings, QStringLiteral("ConnectionTimeout"), 1, 3600));
    generalForm->addRow(QCoreApplication::translate("OptionsAdvancedPage", "最大連線數(&M)："),
                        BoundNumber(kSettings, QStringLiteral("TransferMax"), 1, 50));

    auto* keepAlive = new QGroupBox(QCoreApplication::translate("OptionsAdvancedPage", "自動保持連線"), this);
    auto* keepAliveForm = new QFormLayout(keepAlive);
    QCheckBox* enabled =
        BoundCheck(QCoreApplication::translate("OptionsAdvancedPage", "啟用保持連線機制(SKA)"), kSettings,
                   QStringLiteral("KeepAlive"));
    QSpinBox* interval = BoundNumber(kSettings, QStringLiteral("Interval"), 1, 3600);
    auto* intervalLabel =
        new QLabel(QCoreApplication::translate("OptionsAdvancedPage", "間隔(&I) (秒)："), this);
    intervalLabel->setBuddy(interval);
    keepAliveForm->addRow(enabled);
    keepAliveForm->addRow(intervalLabel, interval);
    EnableWhileTicked(enabled, interval);
    EnableWhileTicked(enabled, intervalLabel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general);
    layout->addWidget(keepAlive);
    layout->addStretch();
}
