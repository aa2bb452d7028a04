#pragma once

#include <QtGlobal>

// Line ends for ASCII transfers: CR LF on the wire, LF on disk. Works block by block, keeping the
// state a line end split between two blocks needs.
class CAsciiConverter
{
public:
    // CR LF becomes LF; a lone CR stays. out needs room for size + 1 bytes. Returns the bytes written.
    qint64 ToLocal(const char* data, qint64 size, char* out);
    // Writes a CR still held back at the end of the stream (at most one byte).
    qint64 FinishToLocal(char* out);
    // LF becomes CR LF; an existing CR LF stays as it is. out needs room for 2 * size bytes.
    qint64 ToWire(const char* data, qint64 size, char* out);

private:
    bool m_heldCr = false;
    bool m_lastWasCr = false;
};
