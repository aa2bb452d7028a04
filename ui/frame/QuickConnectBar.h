#pragma once

#include <QWidget>

class CHistoryComboBox;
struct CQuickConnectLogin;
class QLineEdit;
class QPushButton;

// The quick connect bar: host with its "QuickConnect" history, login, password and "連線".
class CQuickConnectBar : public QWidget
{
    Q_OBJECT

public:
    explicit CQuickConnectBar(QWidget* parent = nullptr);

    // The log-in that host accepted, password included, goes into the history.
    void RememberLogIn(const QString& host, const CQuickConnectLogin& login);

Q_SIGNALS:
    // The host trimmed, after it was added to the history with its login.
    void ConnectRequested(const QString& host, const QString& login, const QString& password);

private:
    // With Shift held the history and the log-in boxes are cleared and nothing connects.
    void Connect(Qt::KeyboardModifiers modifiers);
    void FillLogin(int index);

    CHistoryComboBox* m_host;
    QLineEdit* m_login;
    QLineEdit* m_password;
    QPushButton* m_connect;
};
