#pragma once

#include <QString>

// The log-in that a quick-connect history entry carries as its data: login and password joined by ",",
// the password protected like site passwords.
struct CQuickConnectLogin
{
    QString login;
    QString password;

    // Split at the first ",": a login that held a comma gives the rest to the password.
    static CQuickConnectLogin FromData(const QString& data);
    QString ToData() const;
};
