#include "ui/frame/QuickConnectBar.h"

#include "session/QuickConnectLogin.h"
#include "ui/dialogs/HistoryComboBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CQuickConnectBar::CQuickConnectBar(QWidget* parent)
    : QWidget(parent), m_host(new CHistoryComboBox(this)), m_login(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_connect(new QPushButton(QCoreApplication::translate("QuickConnectBar", "連線"), this))
{
    m_host->setObjectName(QStringLiteral("host"));
    m_host->LoadHistory(QStringLiteral("QuickConnect"));
    m_host->setMinimumContentsLength(24);
    m_host->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_login->setObjectName(QStringLiteral("login"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_connect->setObjectName(QStringLiteral("connect"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(Caption(QCoreApplication::translate("QuickConnectBar", "主機位址："), m_host, this));
    layout->addWidget(m_host, 3);
    layout->addWidget(Caption(QCoreApplication::translate("QuickConnectBar", "帳號："), m_login, this));
    layout->addWidget(m_login, 1);
    layout->addWidget(Caption(QCoreApplication::translate("QuickConnectBar", "密碼："), m_password, this));
    layout->addWidget(m_password, 1);
    layout->addWidget(m_connect);
    setTabOrder(m_host, m_login);
    setTabOrder(m_login, m_password);
    setTabOrder(m_password, m_connect);

    connect(m_host, &QComboBox::activated, this, &CQuickConnectBar::FillLogin);
    const auto connectNow = [this] { Connect(QGuiApplication::keyboardModifiers()); };
    connect(m_connect, &QPushButton::clicked, this, connectNow);
    // Enter in any box connects, as the bar has no default button of a dialog.
    connect(m_host->lineEdit(), &QLineEdit::returnPressed, this, connectNow);
    connect(m_login, &QLineEdit::returnPressed, this, connectNow);
    connect(m_password, &QLineEdit::returnPressed, this, connectNow);
}

void CQuickConnectBar::Connect(Qt::KeyboardModifiers modifiers)
{
    const QString host = m_host->currentText().trimmed();
    if (host.isEmpty())
        return;
    if (modifiers.testFlag(Qt::ShiftModifier))
    {
        m_host->ClearHistory();
        m_login->clear();
        m_password->clear();
        return;
    }
    // A password joins the history only once it has logged in; until then the entry keeps the one that
    // last did for the same login.
    const QString login = m_login->text();
    const CQuickConnectLogin listed = CQuickConnectLogin::FromData(m_host->ItemData(m_host->findText(host)));
    const QString kept = listed.login == login ? listed.password : QString();
    m_host->AddHistoryItem(host + u'|' + CQuickConnectLogin{login, kept}.ToData());
    Q_EMIT ConnectRequested(host, login, m_password->text());
}

void CQuickConnectBar::RememberLogIn(const QString& host, const CQuickConnectLogin& login)
{
    m_host->AddHistoryItem(host + u'|' + login.ToData());
}

void CQuickConnectBar::FillLogin(int index)
{
    const CQuickConnectLogin login = CQuickConnectLogin::FromData(m_host->ItemData(index));
    m_login->setText(login.login);
    m_password->setText(login.password);
}
