#include "ui/options/OptionsGeneralPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

COptionsGeneralPage::COptionsGeneralPage(QWidget* parent) : COptionsPage(parent)
{
    const QString settings = QStringLiteral("Settings");
    auto* form = new QFormLayout(this);
    // Linux keeps no e-mail address for Internet settings: the stored one or nothing.
    form->addRow(QCoreApplication::translate("OptionsGeneralPage", "電子郵件(&E)："),
                 BoundText(settings, QStringLiteral("EmailAddress")));
    // Language names stay in their own language.
    form->addRow(QCoreApplication::translate("OptionsGeneralPage", "介面語言(&U)："),
                 BoundList(settings, QStringLiteral("Language"),
                           {QCoreApplication::translate("OptionsGeneralPage", "繁體中文"),
                            QStringLiteral("English")}));
    form->addRow(new QLabel(
        QCoreApplication::translate("OptionsGeneralPage", "（介面語言在程式重新啟動後生效）"), this));
    form->addRow(QCoreApplication::translate("OptionsGeneralPage", "程式啟動時："),
                 BoundList(settings, QStringLiteral("StartupOption"),
                           {QCoreApplication::translate("OptionsGeneralPage", "不做其他動作"),
                            QCoreApplication::translate("OptionsGeneralPage", "連結到上一次連結的站台")}));
    form->addRow(BoundCheck(QCoreApplication::translate("OptionsGeneralPage", "記憶視窗大小與位置(&W)"),
                            settings, QStringLiteral("SavePosition")));
    form->addRow(
        BoundCheck(QCoreApplication::translate("OptionsGeneralPage", "刪除檔案時顯示確認提示(&D)  (建議)"),
                   settings, QStringLiteral("DeleteConfirmation")));
    form->addRow(BoundCheck(
        QCoreApplication::translate("OptionsGeneralPage", "即時訊息視窗開啟時，停用錯誤訊息視窗(&O)"),
        settings, QStringLiteral("ShowMessageBox"), true));
    form->addRow(BoundCheck(QCoreApplication::translate("OptionsGeneralPage", "隱藏上傳/下載進度視窗(&P)"),
                            settings, QStringLiteral("HideProgressDlg")));
    form->addRow(BoundCheck(QCoreApplication::translate("OptionsGeneralPage", "斷線時自動連線(&R)"), settings,
                            QStringLiteral("AutoReconnect")));
    form->addRow(BoundCheck(
        QCoreApplication::translate("OptionsGeneralPage", "自動下載至我的電腦視窗目前所在目錄位置(&L)"),
        settings, QStringLiteral("DownloadToLocalBrowser")));
}
