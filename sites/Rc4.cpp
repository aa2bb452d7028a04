#include "sites/Rc4.h"

#include <utility>

CRc4::CRc4(const QByteArray& key)
{
    for (int i = 0; i < 256; ++i)
        m_state[i] = static_cast<quint8>(i);
    quint8 j = 0;
    for (int i = 0; i < 256; ++i)
    {
        const quint8 keyByte = key.isEmpty() ? 0 : static_cast<quint8>(key[i % key.size()]);
        j = static_cast<quint8>(j + m_state[i] + keyByte);
        std::swap(m_state[i], m_state[j]);
    }
}

QByteArray CRc4::Apply(QByteArray data)
{
    for (char& byte : data)
    {
        m_i = static_cast<quint8>(m_i + 1);
        m_j = static_cast<quint8>(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        byte = static_cast<char>(byte ^ m_state[static_cast<quint8>(m_state[m_i] + m_state[m_j])]);
    }
    return data;
}
