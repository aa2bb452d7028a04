#include "ui/frame/ZentravaApp.h"

#include "app/Profile.h"
#include "platform/SingleInstance.h"
#include "ui/frame/MainFrame.h"

namespace
{

CZentravaApp* g_instance = nullptr;
const QString kSettings = QStringLiteral("Settings");
// A running program that does not answer within this time is taken as gone.
constexpr int kHandOverTimeoutMs = 3000;

} // namespace

CZentravaApp::CZentravaApp(QObject* parent) : QObject(parent)
{
    g_instance = this;
}

CZentravaApp::~CZentravaApp()
{
    g_instance = nullptr;
}

CZentravaApp* CZentravaApp::Instance()
{
    return g_instance;
}

QString CZentravaApp::CommandLineTarget(const QStringList& arguments)
{
    return arguments.value(1);
}

CZentravaApp::StartResult CZentravaApp::Start(const QStringList& arguments, const QString& serverName)
{
    const QString target = CommandLineTarget(arguments);
    const QStringList handed = target.isEmpty() ? QStringList() : QStringList{target};
    if (CSingleInstance::SendToRunning(serverName, handed, kHandOverTimeoutMs))
        return StartResult::HandedOver;
    m_instance = new CSingleInstance(serverName, this);
    if (!m_instance->Listen())
        qWarning("zentrava: another start is listening on %s; this one runs on its own",
                 qPrintable(serverName));
    InitInstance(arguments);
    connect(m_instance, &CSingleInstance::MessageReceived, m_frame.get(), &CMainFrame::HandOver);
    return StartResult::Run;
}

void CZentravaApp::InitInstance(const QStringList& arguments)
{
    const CStoredFileLoad settings = CheckProfileFile();
    m_transferType = GetProfileInt(kSettings, QStringLiteral("TransferType"));
    // A missing file leaves the list empty, as on a first start.
    const CStoredFileLoad certificates = m_trustedCertificates.Load();
    m_frame = std::make_unique<CMainFrame>();
    m_frame->ReportDamagedFile(settings);
    m_frame->ReportDamagedFile(certificates);
    OpenFirstWindows(CommandLineTarget(arguments));
    m_frame->ShowWithSavedPlacement();
    m_frame->OfferWizardOnFirstStart();
}

void CZentravaApp::OpenFirstWindows(const QString& target)
{
    m_frame->OpenConnection(target);
    if (!target.isEmpty() || GetProfileInt(kSettings, QStringLiteral("StartupOption")) != 1)
        return;
    const QString lastSite = GetProfileString(kSettings, QStringLiteral("LastSite"));
    if (!lastSite.isEmpty())
        m_frame->ConnectInFirstWindow(lastSite);
}

void CZentravaApp::SetTransferType(int type)
{
    m_transferType = type;
    WriteProfileInt(kSettings, QStringLiteral("TransferType"), type);
}
