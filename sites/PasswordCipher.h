#pragma once

#include <QByteArray>

// Protects short secrets (site passwords, the master password) as Base64 text of their RC4 cipher text. The
// RC4 key is the full 16-byte MD5 digest of the key string, as the enhanced and strong Windows providers
// derive it, so values written by the Windows program read back. There is no verifier: a wrong key decrypts
// to other bytes, not to an error.
class CPasswordCipher
{
public:
    // The key that protects the master password itself in the settings store.
    static constexpr char kSettingsPassPhrase[] = "VexholdtPamOri";

    void SetKey(const QByteArray& key);

    // Empty text or an empty key give the text unchanged.
    QByteArray Encrypt(const QByteArray& plainText) const;
    QByteArray Decrypt(const QByteArray& cipherText) const;

private:
    QByteArray m_key;
};
