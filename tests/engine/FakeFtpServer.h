#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

// What the fake server does when a command arrives.
struct FakeResponse
{
    enum class Data
    {
        None,
        Send,        // send the payload on the data connection, then close it
        SendAndDrop, // send the payload, then close the data and the control connection
        Receive,     // read the data connection to its end (kept in Received())
        Stall        // open the data connection and send nothing until the client acts
    };

    // Sent as they are, so tests can send bare LF, NUL bytes or half replies. "%EPSV" becomes the
    // passive port, "%PASVPORT" its two PASV numbers. Empty: the server stays silent.
    QByteArray reply;
    Data data = Data::None;
    QByteArray payload;
    QByteArray after;      // sent once the data action is over
    bool drop = false;     // close the control connection after everything else
    bool fromRest = false; // send the payload from the offset the last REST named
    qint64 limit = -1;     // Receive: close the data connection after this many bytes
};

// A scripted FTP server on 127.0.0.1 (or ::1) with a port picked by the kernel, on its own thread.
// Commands nobody scripted get ordinary replies; every command received is recorded.
class CFakeFtpServer
{
public:
    explicit CFakeFtpServer(bool ipv6 = false);
    ~CFakeFtpServer();
    CFakeFtpServer(const CFakeFtpServer&) = delete;
    CFakeFtpServer& operator=(const CFakeFtpServer&) = delete;

    // Before Start() only.
    void SetGreeting(const QByteArray& raw) { m_greeting = raw; }
    // Successive commands with this verb take successive responses; the last one repeats. Scripting
    // a verb again starts its new list from the top.
    void On(const QByteArray& verb, const QList<FakeResponse>& responses);
    void On(const QByteArray& verb, const QByteArray& reply);

    bool Start(QString* error);
    bool IsStarted() const { return m_port != 0; }
    quint16 Port() const { return m_port; }
    QList<QByteArray> Commands() const;
    QByteArray Received() const;
    int Connections() const { return m_connections; }
    // Waits (bounded) until a command starting with prefix has arrived.
    bool WaitForCommand(const QByteArray& prefix, int timeoutMs) const;

private:
    void Run();
    bool Respond(int fd, const QByteArray& line);
    FakeResponse Next(const QByteArray& verb);
    int OpenData();
    void RunData(int control, int data, const FakeResponse& response);
    bool WaitReadable(int fd) const;

    QByteArray m_greeting = "220 Fake FTP server ready\r\n";
    QHash<QByteArray, QList<FakeResponse>> m_script;
    QHash<QByteArray, int> m_used;
    bool m_ipv6 = false;
    int m_listener = -1;
    int m_passive = -1;
    int m_stop = -1;
    quint16 m_port = 0;
    QByteArray m_activeHost;
    quint16 m_activePort = 0;
    qint64 m_rest = 0;
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    QList<QByteArray> m_commands;
    QByteArray m_received;
    std::thread m_thread;
};
