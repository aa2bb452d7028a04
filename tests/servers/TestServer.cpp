#include "TestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace
{
// start.sh waits a few seconds for an answer and tries new ports up to three times.
constexpr int kStartTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 20000;

QString ScriptsDir()
{
    const QByteArray top = qgetenv("ZENTRAVA_SOURCE_DIR");
    if (!top.isEmpty())
    {
        return QString::fromLocal8Bit(top) + QStringLiteral("/tests/servers");
    }
    return QStringLiteral(ZENTRAVA_TEST_SERVERS_DIR);
}

QHash<QString, QString> ParseValues(const QByteArray& output)
{
    QHash<QString, QString> values;
    for (const QByteArray& line : output.split('\n'))
    {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
        {
            values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
        }
    }
    return values;
}

QString Failure(const QString& kind, const QString& reason)
{
    return QStringLiteral("test server '%1' did not start: %2").arg(kind, reason.trimmed());
}
} // namespace

CTestServer::CTestServer(const QString& kind)
    : m_kind(kind), m_stateDir(QDir::tempPath() + QStringLiteral("/zentrava-server-XXXXXX"))
{
}

CTestServer::~CTestServer()
{
    Stop();
}

bool CTestServer::Start(QString* error)
{
    if (!m_stateDir.isValid())
    {
        *error = Failure(m_kind, QStringLiteral("no temporary folder: ") + m_stateDir.errorString());
        return false;
    }
    m_startTried = true;
    QProcess script;
    // With our PID the server also ends when this program crashes or is killed before Stop().
    script.start(QStringLiteral("/bin/bash"),
                 {ScriptsDir() + QStringLiteral("/start.sh"), m_kind, m_stateDir.path(),
                  QString::number(QCoreApplication::applicationPid())});
    if (!script.waitForFinished(kStartTimeoutMs))
    {
        script.kill();
        script.waitForFinished();
        *error = Failure(m_kind, QStringLiteral("start.sh did not finish: ") + script.errorString());
        return false;
    }
    const QString stderrText = QString::fromLocal8Bit(script.readAllStandardError());
    if (script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0)
    {
        *error = Failure(m_kind, stderrText.isEmpty() ? script.errorString() : stderrText);
        return false;
    }
    m_values = ParseValues(script.readAllStandardOutput());
    if (Value(QStringLiteral("PID")).isEmpty() || Port() == 0)
    {
        *error = Failure(m_kind, QStringLiteral("start.sh printed no PID and PORT"));
        return false;
    }
    return true;
}

void CTestServer::Stop()
{
    if (!m_startTried)
    {
        return;
    }
    m_startTried = false;
    QProcess script;
    script.start(QStringLiteral("/bin/bash"), {ScriptsDir() + QStringLiteral("/stop.sh"), m_stateDir.path()});
    script.waitForFinished(kStopTimeoutMs);
}

QString CTestServer::Value(const QString& key) const
{
    return m_values.value(key);
}

quint16 CTestServer::Port() const
{
    return Value(QStringLiteral("PORT")).toUShort();
}

quint16 CTestServer::TlsPort() const
{
    return Value(QStringLiteral("TLS_PORT")).toUShort();
}

QString CTestServer::User() const
{
    return Value(QStringLiteral("USER"));
}

QString CTestServer::Password() const
{
    return Value(QStringLiteral("PASSWORD"));
}

QString CTestServer::Root() const
{
    return Value(QStringLiteral("ROOT"));
}
