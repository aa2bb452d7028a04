#include "ui/options/OptionsConnectionPage.h"

#include "app/Profile.h"
#include "ui/frame/ZentravaApp.h"
#include "ui/options/OptionsRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace
{
const QString kSettings = QStringLiteral("Settings");
} // namespace

COptionsConnectionPage::COptionsConnectionPage(QWidget* parent)
    : COptionsPage(parent), m_localPath(BoundText(kSettings, QStringLiteral("DefaultLocalPath"))),
      m_transferType(new QComboBox(this))
{
    auto* browse = new QPushButton(QStringLiteral(".."), this);
    browse->setObjectName(QStringLiteral("browseLocalPath"));
    connect(browse, &QPushButton::clicked, this, &COptionsConnectionPage::BrowseLocalPath);
    m_transferType->setObjectName(QStringLiteral("TransferType"));
    m_transferType->addItems({QCoreApplication::translate("OptionsConnectionPage", "自動偵測"),
                              QStringLiteral("ASCII"),
                              QCoreApplication::translate("OptionsConnectionPage", "二進位碼")});
    const CZentravaApp* app = CZentravaApp::Instance();
    const int type = app ? app->TransferType() : GetProfileInt(kSettings, QStringLiteral("TransferType"));
    m_transferType->setCurrentIndex(qBound(0, type, 2));

    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("OptionsConnectionPage", "下載路徑(&P)："),
                 OptionsRow(m_localPath, browse));
    form->addRow(QCoreApplication::translate("OptionsConnectionPage", "重試次數(&R)："),
                 BoundNumber(kSettings, QStringLiteral("DefaultRetries"), 0, 99));
    form->addRow(QCoreApplication::translate("OptionsConnectionPage", "間隔(&D)： (秒)"),
                 BoundNumber(kSettings, QStringLiteral("DefaultRetryDelay"), 0, 3600));
    form->addRow(QCoreApplication::translate("OptionsConnectionPage", "連線模式(&D)："),
                 BoundList(kSettings, QStringLiteral("DataMode"),
                           {QStringLiteral("PORT"), QStringLiteral("PASV"),
                            QCoreApplication::translate("OptionsConnectionPage", "自動偵測")}));
    form->addRow(QCoreApplication::translate("OptionsConnectionPage", "編碼模式(&T)："), m_transferType);
    form->addRow(BoundCheck(QCoreApplication::translate("OptionsConnectionPage", "移除佇列中失敗的傳遞工作"),
                            kSettings, QStringLiteral("RemoveFailed")));
    form->addRow(
        BoundCheck(QCoreApplication::translate("OptionsConnectionPage", "強制平行化處理(典型佇列模式)"),
                   kSettings, QStringLiteral("ForceParallelTransfers")));
    form->addRow(BoundCheck(QCoreApplication::translate("OptionsConnectionPage", "關閉續傳功能"), kSettings,
                            QStringLiteral("DisableResume")));
}

void COptionsConnectionPage::SaveOptions()
{
    COptionsPage::SaveOptions();
    if (CZentravaApp* app = CZentravaApp::Instance())
        app->SetTransferType(m_transferType->currentIndex());
    else
        WriteProfileInt(kSettings, QStringLiteral("TransferType"), m_transferType->currentIndex());
}

void COptionsConnectionPage::BrowseLocalPath()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, QCoreApplication::translate("OptionsConnectionPage", "選取資料夾："), m_localPath->text(),
        QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        m_localPath->setText(folder);
}
