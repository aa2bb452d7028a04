#pragma once

#include <QString>

// What a keyring call gave: the secret, a missing entry, or a failure with the keyring's own message.
struct CKeyringResult
{
    enum Status
    {
        Done,
        Missing,
        Error
    };

    Status status = Error;
    QString value;
    QString error;

    bool Failed() const { return status == CKeyringResult::Error; }
};

// The desktop's keyring (the freedesktop Secret Service, or KWallet) under the program's own service
// name. Each call waits for the keyring's answer, bounded by a time-out, and keeps the calling thread's
// events flowing meanwhile.
class CKeyringStore
{
public:
    CKeyringResult Read(const QString& key) const;
    CKeyringResult Write(const QString& key, const QString& value) const;
    // Removing a missing entry is done, not failed.
    CKeyringResult Remove(const QString& key) const;

    // Whether a keyring answers on the session bus now.
    static bool Available();
};
