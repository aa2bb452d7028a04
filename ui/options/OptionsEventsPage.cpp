#include "ui/options/OptionsEventsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>

COptionsEventsPage::COptionsEventsPage(QWidget* parent) : COptionsPage(parent)
{
    const QString settings = QStringLiteral("Settings");
    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("OptionsEventsPage", "所有傳遞工作完成後："),
                 BoundList(settings, QStringLiteral("Events"),
                           {QCoreApplication::translate("OptionsEventsPage", "不做任何動作"),
                            QCoreApplication::translate("OptionsEventsPage", "中斷站台連線"),
                            QCoreApplication::translate("OptionsEventsPage", "中斷站台連線並結束程式"),
                            QCoreApplication::translate("OptionsEventsPage", "中斷網際網路連線"),
                            QCoreApplication::translate("OptionsEventsPage", "關閉電腦"),
                            QCoreApplication::translate("OptionsEventsPage", "登出")}));
    form->addRow(
        BoundCheck(QCoreApplication::translate("OptionsEventsPage", "保留下載檔案在遠端伺服器時的時間戳記"),
                   settings, QStringLiteral("PreserveRemoteTimeStamp")));
    form->addRow(
        BoundCheck(QCoreApplication::translate("OptionsEventsPage", "保留上傳檔案的本機時間戳記 (使用 MDTM)"),
                   settings, QStringLiteral("PreserveLocalTimeStamp")));
}
