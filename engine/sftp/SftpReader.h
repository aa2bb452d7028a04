#pragma once

#include <QByteArray>

// Reads the fields of one SFTP message body. Every call checks the bytes left and returns false when they
// do not suffice, so a short or garbled message is refused instead of read past its end.
class CSftpReader
{
public:
    explicit CSftpReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool Byte(quint8* value);
    bool Uint32(quint32* value);
    bool Uint64(quint64* value);
    bool String(QByteArray* value);
    // Skips a string without copying it.
    bool SkipString();
    // Everything not read yet (check-file answers end in raw hash bytes).
    QByteArray Rest();
    bool AtEnd() const { return m_position == m_bytes.size(); }

private:
    bool Has(qsizetype size) const { return size >= 0 && m_bytes.size() - m_position >= size; }

    QByteArray m_bytes; // shared with the caller's copy, not duplicated
    qsizetype m_position = 0;
};
