#include "engine/ftp/AsciiConverter.h"

qint64 CAsciiConverter::ToLocal(const char* data, qint64 size, char* out)
{
    qint64 written = 0;
    for (qint64 i = 0; i < size; ++i)
    {
        const char c = data[i];
        if (m_heldCr && c != '\n')
            out[written++] = '\r';
        m_heldCr = c == '\r';
        if (!m_heldCr)
            out[written++] = c;
    }
    return written;
}

qint64 CAsciiConverter::FinishToLocal(char* out)
{
    if (!m_heldCr)
        return 0;
    m_heldCr = false;
    out[0] = '\r';
    return 1;
}

qint64 CAsciiConverter::ToWire(const char* data, qint64 size, char* out)
{
    qint64 written = 0;
    for (qint64 i = 0; i < size; ++i)
    {
        const char c = data[i];
        if (c == '\n' && !m_lastWasCr)
            out[written++] = '\r';
        out[written++] = c;
        m_lastWasCr = c == '\r';
    }
    return written;
}
