#include "ui/sites/SiteTypeDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

QComboBox* List(QWidget* parent, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->addItems(items);
    return list;
}

QString ProtocolDescription(int protocol)
{
    switch (protocol)
    {
    case CFtpSite::ProtocolImplicitTls:
        return QCoreApplication::translate("SiteTypeDlg",
                                           "以TLS(SSL V 3.1) 透過　IANA 所定義的安全接埠(990)進行安全連線，"
                                           "若失敗則自動降為舊的SSL安全連線設定");
    case CFtpSite::ProtocolExplicitTls:
        return QCoreApplication::translate("SiteTypeDlg",
                                           "透過叫用 AUTH TLS 指令，使用 SSL V3.1 進行安全連線，"
                                           "若失敗則自動降為舊的SSL AUTH安全連線設定");
    case CFtpSite::ProtocolSftp:
        return QCoreApplication::translate(
            "SiteTypeDlg", "SFTP (SecureFTP) 為 Secure Shell　的元件，大部分執行SSH2的Unix系統都有支援，"
                           "請先詢問管理員確認伺服器是否支援");
    default:
        return QCoreApplication::translate(
            "SiteTypeDlg", "使用標準FTP通訊協定以非安全(純文字)的方式處理FTP命令與資料傳遞。");
    }
}

} // namespace

CSiteTypeDlg::CSiteTypeDlg(QWidget* parent)
    : QWidget(parent),
      m_protocol(
          List(this, {QCoreApplication::translate("SiteTypeDlg", "FTP (標準FTP協定)"),
                      QCoreApplication::translate("SiteTypeDlg", "FTP 加 TLS/SSL (Port 990 - Implicit)"),
                      QCoreApplication::translate("SiteTypeDlg", "FTP 加 TLS/SSL (AUTH TLS - Explicit)"),
                      QCoreApplication::translate("SiteTypeDlg", "SFTP 使用 SSH2 (Secure Shell)")})),
      m_port(new QSpinBox(this)), m_description(new QLabel(this)),
      m_clearData(new QCheckBox(QCoreApplication::translate("SiteTypeDlg", "解除資料加密通道"), this)),
      m_clearCommand(new QCheckBox(QCoreApplication::translate("SiteTypeDlg", "解除命令加密通道"), this)),
      m_note(new QLabel(
          QCoreApplication::translate(
              "SiteTypeDlg",
              "注意：連線過程通常都是加密的。\n解除資料加密通道，所有資料傳遞將以純文字方式處理。\n"
              "解除命令加密通道，則後續的命令將以純文字方式處理。"),
          this)),
      m_dataModeLabel(new QLabel(QCoreApplication::translate("SiteTypeDlg", "連線模式"), this)),
      m_dataMode(List(this, {QCoreApplication::translate("SiteTypeDlg", "使用通用設定"),
                             QCoreApplication::translate("SiteTypeDlg", "使用 PORT 模式"),
                             QCoreApplication::translate("SiteTypeDlg", "使用 PASV 模式"),
                             QCoreApplication::translate("SiteTypeDlg", "自動偵測")})),
      m_transferType(
          List(this, {QCoreApplication::translate("SiteTypeDlg", "使用通用設定"),
                      QCoreApplication::translate("SiteTypeDlg", "自動偵測"), QStringLiteral("ASCII"),
                      QCoreApplication::translate("SiteTypeDlg", "二進位碼")}))
{
    setObjectName(QStringLiteral("SiteTypePage"));
    setWindowTitle(QCoreApplication::translate("SiteTypeDlg", "類型"));
    m_port->setRange(0, 65535);
    m_description->setWordWrap(true);
    m_note->setWordWrap(true);
    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("SiteTypeDlg", "通訊協定"), m_protocol);
    form->addRow(QCoreApplication::translate("SiteTypeDlg", "通訊埠"), m_port);
    form->addRow(QCoreApplication::translate("SiteTypeDlg", "通訊協定說明"), m_description);
    form->addRow(QString(), m_clearData);
    form->addRow(QString(), m_clearCommand);
    form->addRow(QString(), m_note);
    form->addRow(m_dataModeLabel, m_dataMode);
    form->addRow(QCoreApplication::translate("SiteTypeDlg", "編碼模式"), m_transferType);
    connect(m_protocol, &QComboBox::currentIndexChanged, this, &CSiteTypeDlg::ApplyProtocol);
}

void CSiteTypeDlg::Load(const CFtpSite& site)
{
    m_loaded = site;
    m_shown = false;
    const QSignalBlocker blocker(m_protocol);
    m_protocol->setCurrentIndex(site.ProtocolType);
    m_port->setValue(site.Port);
    m_clearData->setChecked(site.ClearDataChannel);
    m_clearCommand->setChecked(site.ClearCommandChannel);
    m_dataMode->setCurrentIndex(site.DataMode);
    m_transferType->setCurrentIndex(site.TransferType);
}

void CSiteTypeDlg::Store(CFtpSite& site) const
{
    if (!m_shown)
    {
        site.ProtocolType = m_loaded.ProtocolType;
        site.Port = m_loaded.Port;
        site.ClearDataChannel = m_loaded.ClearDataChannel;
        site.ClearCommandChannel = m_loaded.ClearCommandChannel;
        site.DataMode = m_loaded.DataMode;
        site.TransferType = m_loaded.TransferType;
        return;
    }
    site.ProtocolType = m_protocol->currentIndex();
    site.Port = m_port->value();
    site.ClearDataChannel = m_clearData->isChecked();
    site.ClearCommandChannel = m_clearCommand->isChecked();
    site.DataMode = m_dataMode->currentIndex();
    site.TransferType = m_transferType->currentIndex();
}

void CSiteTypeDlg::showEvent(QShowEvent* event)
{
    if (!m_shown)
    {
        m_shown = true;
        ShowProtocolControls(m_protocol->currentIndex());
    }
    QWidget::showEvent(event);
}

void CSiteTypeDlg::ApplyProtocol(int protocol)
{
    m_port->setValue(CFtpSite::DefaultPort(protocol));
    if (protocol != CFtpSite::ProtocolExplicitTls)
    {
        m_clearData->setChecked(false);
        m_clearCommand->setChecked(false);
    }
    ShowProtocolControls(protocol);
}

void CSiteTypeDlg::ShowProtocolControls(int protocol)
{
    const bool explicitTls = protocol == CFtpSite::ProtocolExplicitTls;
    m_description->setText(ProtocolDescription(protocol));
    for (QWidget* widget : {static_cast<QWidget*>(m_clearData), static_cast<QWidget*>(m_clearCommand),
                            static_cast<QWidget*>(m_note)})
        widget->setVisible(explicitTls);
    const bool sftp = protocol == CFtpSite::ProtocolSftp;
    m_dataMode->setVisible(!sftp);
    m_dataModeLabel->setVisible(!sftp);
}
