#include "ui/options/OptionsProxyPage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace
{
const QString kProxy = QStringLiteral("Proxy");

QStringList Descriptions()
{
    return {QCoreApplication::translate("OptionsProxyPage", "不使用 proxy "),
            QCoreApplication::translate("OptionsProxyPage", "透過 SOCKS4 proxy 防火牆連線"),
            QCoreApplication::translate("OptionsProxyPage", "透過　SOCKS5 proxy 防火牆連線"),
            QCoreApplication::translate("OptionsProxyPage", "使用標準 WEB proxy (使用 WEB CONNECT 指令)"),
            QCoreApplication::translate("OptionsProxyPage", "簡易轉送代理"),
            QCoreApplication::translate("OptionsProxyPage", "透過　SOCKS4a proxy 防火牆連線"),
            QCoreApplication::translate("OptionsProxyPage", "使用SITE指令連線"),
            QCoreApplication::translate("OptionsProxyPage", "使用OPEN指令連線"),
            QCoreApplication::translate("OptionsProxyPage", "使用USER指令連線")};
}
} // namespace

COptionsProxyPage::COptionsProxyPage(QWidget* parent)
    : COptionsPage(parent),
      m_type(BoundList(kProxy, QStringLiteral("ProxyType"),
                       {QCoreApplication::translate("OptionsProxyPage", "不使用Proxy"),
                        QStringLiteral("SOCKS4"), QStringLiteral("SOCKS5"), QStringLiteral("WEB Standard"),
                        QStringLiteral("Relay"), QStringLiteral("SOCKS4a "), QStringLiteral("FTP Site"),
                        QStringLiteral("FTP Open"), QStringLiteral("FTP User")})),
      m_description(new QLabel(this))
{
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWordWrap(true);
    auto* form = new QFormLayout(this);
    form->addRow(QCoreApplication::translate("OptionsProxyPage", "Proxy類型："), m_type);
    form->addRow(QCoreApplication::translate("OptionsProxyPage", "Proxy 類型註解："), m_description);
    const auto addServerRow = [&](const QString& label, QWidget* field)
    {
        auto* caption = new QLabel(label, this);
        caption->setBuddy(field);
        form->addRow(caption, field);
        m_server << caption << field;
    };
    addServerRow(QCoreApplication::translate("OptionsProxyPage", "主機名稱："),
                 BoundText(kProxy, QStringLiteral("ProxyHostName")));
    addServerRow(QCoreApplication::translate("OptionsProxyPage", "通訊埠："),
                 BoundNumber(kProxy, QStringLiteral("ProxyPort"), 0, 65535));
    addServerRow(QCoreApplication::translate("OptionsProxyPage", "帳號："),
                 BoundText(kProxy, QStringLiteral("ProxyLogin")));
    addServerRow(QCoreApplication::translate("OptionsProxyPage", "密碼："),
                 BoundText(kProxy, QStringLiteral("ProxyPassword"), true));
    connect(m_type, &QComboBox::currentIndexChanged, this, &COptionsProxyPage::ShowType);
    ShowType(m_type->currentIndex());
}

void COptionsProxyPage::ShowType(int type)
{
    m_description->setText(Descriptions().value(type));
    // Without a proxy the fields keep their values, which OK still writes.
    for (QWidget* widget : std::as_const(m_server))
        widget->setEnabled(type != 0);
}
