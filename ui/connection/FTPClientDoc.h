#pragma once

#include <QObject>
#include <QString>

class CRemoteController;

// What a connection window was opened for, its title and whether it may close.
class CFTPClientDoc : public QObject
{
    Q_OBJECT

public:
    static QString NotConnectedText();

    // An address split for the session: the log-in and password apart from the address, which then
    // carries neither (it is what titles and logs show).
    struct ConnectArguments
    {
        QString address;
        QString login;
        QString password;
    };

    CFTPClientDoc(CRemoteController& view, QObject* parent = nullptr);

    // A site path (folders and name joined by "\"), an address, or empty for no connection.
    void SetTarget(const QString& target) { m_target = target; }
    const QString& Target() const { return m_target; }

    // Connected: the site's name, or its address without a name. Not connected: the site's name, or
    // "尚未連線".
    QString Title() const;
    // Nothing runs: the window may close. Otherwise what runs is stopped and the close is refused this
    // time, so that the waiting call can return before the session goes.
    bool CanClose();

    static bool IsAddress(const QString& target);
    // Credentials written into the address take the place of the given ones.
    static ConnectArguments SplitTarget(const QString& target, const QString& login, const QString& password);
    // An address without its password, or the site path as it is.
    static QString DisplayTarget(const QString& target);

private:
    QString SiteName() const;

    CRemoteController& m_view;
    QString m_target;
};
