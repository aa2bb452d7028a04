#pragma once

#include "security/TrustedCertificates.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CMainFrame;
class CSingleInstance;

// The program: its start-up, the values every window shares, and the main frame.
class CZentravaApp : public QObject
{
    Q_OBJECT

public:
    enum class StartResult
    {
        Run,       // this process is the program: run the event loop
        HandedOver // a running program took the command line: end
    };

    explicit CZentravaApp(QObject* parent = nullptr);
    ~CZentravaApp() override;

    // The one application object, while it exists.
    static CZentravaApp* Instance();

    // Hands the command line to a program already running under this server name, or becomes that
    // program and starts up.
    StartResult Start(const QStringList& arguments, const QString& serverName);
    // The start-up steps themselves: settings, the frame, the first connection window, showing the frame.
    void InitInstance(const QStringList& arguments);

    // The site path or address given on the command line, or empty.
    static QString CommandLineTarget(const QStringList& arguments);

    // 0 detect automatically, 1 ASCII, 2 binary.
    int TransferType() const { return m_transferType; }
    // Takes the program-wide transfer type and writes it to the settings.
    void SetTransferType(int type);
    CTrustedCertificates& TrustedCertificates() { return m_trustedCertificates; }
    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    void OpenFirstWindows(const QString& target);

    int m_transferType = 0;
    CTrustedCertificates m_trustedCertificates;
    std::unique_ptr<CMainFrame> m_frame;
    CSingleInstance* m_instance = nullptr;
};
