#pragma once

#include "engine/FtpResult.h"
#include "engine/sftp/SftpMessage.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <memory>
#include <vector>

class CSshChannel;

// SFTP packets over one SSH channel: requests wait in a queue and go out as the channel's window allows,
// answers are cut out of the incoming bytes. Many requests may be in flight; an answer nobody waits for
// any more (its request was abandoned) is dropped by whoever reads it.
class CSftpConnection
{
public:
    // Larger answers are refused: no version 3 answer we ask for comes near it.
    static constexpr qint64 kMaxMessage = 4 * 1024 * 1024;

    CSftpConnection(std::unique_ptr<CSshChannel> channel, int timeoutMs);
    ~CSftpConnection();

    quint32 NextId() { return m_nextId++; }
    void Queue(quint32 id, const QByteArray& packet);
    // Forgets queued packets that have not started to go out and returns their ids (after a cancel).
    std::vector<quint32> DropUnsent();
    bool IsBroken() const { return m_broken; }
    // The stream is out of step (answers owed that never came): nothing more can go over it.
    void MarkBroken() { m_broken = true; }
    int TimeoutMs() const { return m_timeoutMs; }

    // Sends what is queued and returns the next whole answer; fails after timeoutMs without one.
    FtpValue<SftpMessage> Next(const QString& what, int timeoutMs);
    FtpValue<SftpMessage> Next(const QString& what) { return Next(what, m_timeoutMs); }
    // Sends what is queued as far as the channel takes it now, without waiting; the rest goes with the
    // next exchange, which also meets any failure.
    void SendQueued();
    // Queues one request and returns its answer.
    FtpValue<SftpMessage> Exchange(quint32 id, const QByteArray& packet, const QString& what);

    enum class Frame
    {
        Incomplete,
        Ready,
        Broken
    };
    // Cuts the next whole message out of the bytes received from *position on and moves past it;
    // Broken for a length no answer can have.
    static Frame TakeFrame(const QByteArray& in, qsizetype* position, SftpMessage* message);

private:
    struct Outgoing
    {
        quint32 id;
        QByteArray bytes;
    };

    // Moves bytes both ways as far as possible without waiting; *moved tells whether anything moved.
    IoResult Move(bool* moved);
    IoResult Send(bool* moved);
    IoResult Receive(bool* moved);
    FtpResult Fail(FtpStatus status, const QString& text);

    std::unique_ptr<CSshChannel> m_channel;
    int m_timeoutMs;
    quint32 m_nextId = 1;
    std::deque<Outgoing> m_out;
    qsizetype m_sentOfFront = 0;
    QByteArray m_in;
    qsizetype m_inPosition = 0;
    bool m_broken = false;
};
