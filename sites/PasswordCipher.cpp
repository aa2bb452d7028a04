#include "sites/PasswordCipher.h"

#include "sites/Base64.h"
#include "sites/Rc4.h"

#include <QCryptographicHash>

namespace
{

CRc4 MakeRc4(const QByteArray& key)
{
    return CRc4(QCryptographicHash::hash(key, QCryptographicHash::Md5));
}

} // namespace

void CPasswordCipher::SetKey(const QByteArray& key)
{
    m_key = key;
}

QByteArray CPasswordCipher::Encrypt(const QByteArray& plainText) const
{
    if (plainText.isEmpty() || m_key.isEmpty())
        return plainText;
    return Base64Encode(MakeRc4(m_key).Apply(plainText));
}

QByteArray CPasswordCipher::Decrypt(const QByteArray& cipherText) const
{
    if (cipherText.isEmpty() || m_key.isEmpty())
        return cipherText;
    return MakeRc4(m_key).Apply(Base64Decode(cipherText));
}
