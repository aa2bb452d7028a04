#include "ui/options/OptionsProxyPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace
{
const QString kProxy = QStringLiteral("Proxy");

const QStringList kDescriptions{QStringLiteral("不使用 proxy "),
                                QStringLiteral("透過 SOCKS4 proxy 防火牆連線"),
                                QStringLiteral("透過　SOCKS5 proxy 防火牆連線"),
                                QStringLiteral("使用標準 WEB proxy (使用 WEB CONNECT 指令)"),
                                QStringLiteral("簡易轉送代理"),
                                QStringLiteral("透過　SOCKS4a proxy 防火牆連線"),
                                QStringLiteral("使用SITE指令連線"),
                                QStringLiteral("使用OPEN指令連線"),
                                QStringLiteral("使用USER指令連線")};
} // namespace

COptionsProxyPage::COptionsProxyPage(QWidget* parent)
    : COptionsPage(parent),
      m_type(BoundList(kProxy, QStringLiteral("ProxyType"),
                       {QStringLiteral("不使用Proxy"), QStringLiteral("SOCKS4"), QStringLiteral("SOCKS5"),
                        QStringLiteral("WEB Standard"), QStringLiteral("Relay"), QStringLiteral("SOCKS4a "),
                        QStringLiteral("FTP Site"), QStringLiteral("FTP Open"), QStringLiteral("FTP User")})),
      m_description(new QLabel(this))
{
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWordWrap(true);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Proxy類型："), m_type);
    form->addRow(QStringLiteral("Proxy 類型註解："), m_description);
    const auto addServerRow = [&](const QString& label, QWidget* field)
    {
        auto* caption = new QLabel(label, this);
        caption->setBuddy(field);
        form->addRow(caption, field);
        m_server << caption << field;
    };
    addServerRow(QStringLiteral("主機名稱："), BoundText(kProxy, QStringLiteral("ProxyHostName")));
    addServerRow(QStringLiteral("通訊埠："), BoundNumber(kProxy, QStringLiteral("ProxyPort"), 0, 65535));
    addServerRow(QStringLiteral("帳號："), BoundText(kProxy, QStringLiteral("ProxyLogin")));
    addServerRow(QStringLiteral("密碼："), BoundText(kProxy, QStringLiteral("ProxyPassword"), true));
    connect(m_type, &QComboBox::currentIndexChanged, this, &COptionsProxyPage::ShowType);
    ShowType(m_type->currentIndex());
}

void COptionsProxyPage::ShowType(int type)
{
    m_description->setText(kDescriptions.value(type));
    // Without a proxy the fields keep their values, which OK still writes.
    for (QWidget* widget : std::as_const(m_server))
        widget->setEnabled(type != 0);
}
