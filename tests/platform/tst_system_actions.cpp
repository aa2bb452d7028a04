#include "platform/FakeSystemServices.h"
#include "platform/PrivateBus.h"
#include "support/Rows.h"

#include "platform/SystemActions.h"

#include <QRegularExpression>

using Connection = CFakeSystemServices::ActiveConnection;
Q_DECLARE_METATYPE(QList<Connection>)

class TestSystemActions : public QObject
{
    Q_OBJECT

private:
    CSystemActions Actions() { return CSystemActions(m_bus->Connect(m_clientName)); }

    std::unique_ptr<CPrivateBus> m_bus;
    std::unique_ptr<CFakeSystemServices> m_services;
    const QString m_clientName = QStringLiteral("client");

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<CPrivateBus>();
        QString error;
        QVERIFY2(m_bus->Start(&error), qPrintable(error));
        m_services = std::make_unique<CFakeSystemServices>();
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(m_clientName);
        m_services.reset();
        m_bus.reset();
    }

    // Hang-up deactivates only dial-up connections. Log-off without XDG_SESSION_ID asks for the session of
    // the calling process. (Power off and log off with the variable set are the main window's tests.)
    void callsTheServices_data()
    {
        Columns<QList<Connection>, bool, QStringList, bool>({"connections", "logOff", "calls", "ok"});
        const Connection wired{"802-3-ethernet", 1}, wifi{"802-11-wireless", 2}, gsm{"gsm", 8},
            cdma{"cdma", 8};
        const Connection pppoe{"pppoe", 1}, panu{"bluetooth", 5, "panu"}, dun{"bluetooth", 5, "dun"};
        const Connection overModem{"vpn-like", 8}, refusing{"gsm", 8, {}, true};
        const auto deactivated = [](const QList<int>& indexes)
        {
            QStringList calls;
            for (int index : indexes)
                calls << "DeactivateConnection " + CFakeSystemServices::ActivePath(index);
            return calls;
        };
        Row("none active", QList<Connection>{}, false, QStringList(), true);
        Row("no dial-up", QList{wired, wifi, panu}, false, QStringList(), true);
        Row("mixed", QList{wired, gsm, wifi, cdma, pppoe, panu, dun, overModem}, false,
            deactivated({1, 3, 4, 6, 7}), true);
        // The refused one is tried; the ones after it are left alone.
        Row("stops at first failure", QList{gsm, wired, refusing, cdma}, false, deactivated({0, 2}), false);
        Row("log off", QList<Connection>{}, true,
            QStringList({"GetSessionByPID 0", "TerminateSession " + CFakeSystemServices::kSessionId}), true);
    }

    void callsTheServices()
    {
        QFETCH(QList<Connection>, connections);
        QFETCH(bool, logOff);
        QFETCH(bool, ok);
        m_services->connections = connections;
        QVERIFY(m_services->Start(m_bus->Address(), true, true));
        const QByteArray savedSession = qgetenv("XDG_SESSION_ID");
        qunsetenv("XDG_SESSION_ID");
        const CSystemActions::Result result = logOff ? Actions().LogOff() : Actions().HangUpDialUp();
        qputenv("XDG_SESSION_ID", savedSession);
        QCOMPARE(result.ok, ok);
        QTEST(m_services->Calls(), "calls");
        QVERIFY2(ok ? result.reason.isEmpty()
                    : result.reason.contains("org.freedesktop.NetworkManager") &&
                          result.reason.contains("Access denied"),
                 qPrintable(result.reason));
    }

    // Without the services (both names free on the bus: the other service must not be mistaken for them)
    // every action fails, naming the missing service.
    void failsWithoutTheServices()
    {
        QVERIFY(m_services->Start(m_bus->Address(), false, false));
        CSystemActions actions = Actions();
        qputenv("XDG_SESSION_ID", "42");
        const QList<std::pair<CSystemActions::Result, QString>> results = {
            {actions.HangUpDialUp(), "NetworkManager"},
            {actions.PowerOff(), "login1"},
            {actions.LogOff(), "login1"}};
        qunsetenv("XDG_SESSION_ID");
        for (const auto& [result, service] : results)
            QVERIFY2(!result.ok && result.reason.contains(
                                       QRegularExpression("org.freedesktop." + service + ".*沒有執行")),
                     qPrintable(result.reason));
        QVERIFY(m_services->Calls().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSystemActions)
#include "tst_system_actions.moc"
