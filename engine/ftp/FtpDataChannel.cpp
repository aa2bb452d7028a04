// FTP data connections: PASV/PORT (RFC 959), EPSV/EPRT (RFC 2428), protected per RFC 4217.
#include "engine/ftp/FtpDataChannel.h"

#include "engine/net/CancelToken.h"
#include "engine/ftp/ControlChannel.h"
#include "engine/ftp/FtpCapabilities.h"
#include "engine/ftp/PassiveReply.h"
#include "engine/net/ProxyConnector.h"
#include "engine/net/TcpListener.h"
#include "engine/net/TcpTransport.h"
#include "engine/net/TlsTransport.h"

#include <QCoreApplication>

#include <poll.h>

namespace
{
QString OpenFailed()
{
    return QCoreApplication::translate("FtpDataChannel", "無法建立資料連線");
}

QByteArray EprtArgument(const CSocketAddress& address)
{
    return "|" + QByteArray(address.IsIpv6() ? "2" : "1") + "|" + address.Host() + "|" +
           QByteArray::number(address.Port()) + "|";
}
} // namespace

CFtpDataChannel::CFtpDataChannel(CControlChannel& control, const CCancelToken& cancel,
                                 FtpCapabilities& capabilities, const FtpDataSettings& settings)
    : m_control(control), m_cancel(cancel), m_capabilities(capabilities), m_settings(settings)
{
}

CFtpDataChannel::~CFtpDataChannel() = default;

FtpResult CFtpDataChannel::Prepare()
{
    return m_settings.passive ? PreparePassive() : PrepareActive();
}

bool CFtpDataChannel::IsUnsupported(const FtpReply& reply)
{
    return reply.code == 500 || reply.code == 501 || reply.code == 502 || reply.code == 504 ||
           reply.code == 522;
}

FtpResult CFtpDataChannel::PreparePassive()
{
    if (m_capabilities.epsv != FtpSupport::No)
    {
        const ReplyResult epsv = m_control.Command("EPSV", m_settings.timeoutMs);
        if (!epsv.io.Ok())
            return FtpResult::FromIo(OpenFailed(), epsv.io);
        if (epsv.reply.IsPositive())
        {
            const std::optional<quint16> port = CPassiveReply::ParseEpsv(epsv.reply.LastText());
            if (!port)
                return FtpResult::Failure(
                    FtpStatus::Protocol,
                    QCoreApplication::translate("FtpDataChannel", "無法解讀 EPSV 回應：") +
                        QString::fromUtf8(epsv.reply.Text()),
                    epsv.reply);
            m_capabilities.epsv = FtpSupport::Yes;
            if (m_settings.proxy.IsTunnel())
                return ConnectThroughProxy(*port);
            CSocketAddress address = m_settings.controlPeer;
            address.SetPort(*port);
            return ConnectTo(address);
        }
        if (!IsUnsupported(epsv.reply) || m_capabilities.epsv == FtpSupport::Yes)
            return FtpResult::Refused(OpenFailed(), epsv.reply);
        m_capabilities.epsv = FtpSupport::No;
        m_control.Log(FtpLogKind::Info,
                      QCoreApplication::translate("FtpDataChannel", "伺服器不支援 EPSV，改用 PASV").toUtf8());
    }
    const ReplyResult pasv = m_control.Command("PASV", m_settings.timeoutMs);
    if (!pasv.io.Ok())
        return FtpResult::FromIo(OpenFailed(), pasv.io);
    if (!pasv.reply.IsPositive())
        return FtpResult::Refused(OpenFailed(), pasv.reply);
    const std::optional<CSocketAddress> offered = CPassiveReply::ParsePasv(pasv.reply.LastText());
    if (!offered)
        return FtpResult::Failure(FtpStatus::Protocol,
                                  QCoreApplication::translate("FtpDataChannel", "無法解讀被動模式回應：") +
                                      QString::fromUtf8(pasv.reply.Text()),
                                  pasv.reply);
    // The proxy dials the server itself: an address the reply names could point it anywhere.
    if (m_settings.proxy.IsTunnel())
        return ConnectThroughProxy(offered->Port());
    const CSocketAddress chosen = CPassiveReply::Choose(*offered, m_settings.controlPeer);
    if (!chosen.SameHost(*offered))
        m_control.Log(FtpLogKind::Info,
                      QCoreApplication::translate("FtpDataChannel", "被動模式位址 %1 無法從這裡連線，改用 %2")
                          .arg(QString::fromLatin1(offered->Host()), QString::fromLatin1(chosen.Host()))
                          .toUtf8());
    return ConnectTo(chosen);
}

FtpResult CFtpDataChannel::ConnectTo(const CSocketAddress& address)
{
    auto tcp = std::make_unique<CTcpTransport>(m_cancel);
    const IoResult io = tcp->Connect(address, m_settings.timeoutMs);
    if (!io.Ok())
        return FtpResult::FromIo(
            OpenFailed() + QStringLiteral(" ") + QString::fromLatin1(address.HostAndPort()), io);
    m_transport = std::move(tcp);
    return FtpResult::Success();
}

FtpResult CFtpDataChannel::ConnectThroughProxy(quint16 port)
{
    IoResult io;
    std::unique_ptr<CTcpTransport> tcp = CProxyConnector(m_settings.proxy, m_cancel)
                                             .Connect(m_settings.serverHost, port, m_settings.timeoutMs, &io);
    if (!tcp)
        return FtpResult::FromIo(OpenFailed() + QStringLiteral(" ") +
                                     QString::fromUtf8(m_settings.serverHost) + QStringLiteral(":") +
                                     QString::number(port),
                                 io);
    m_transport = std::move(tcp);
    return FtpResult::Success();
}

FtpResult CFtpDataChannel::PrepareActive()
{
    // The server could not reach a port that listens here; the proxy offers no listening for it.
    if (m_settings.proxy.IsTunnel())
        return FtpResult::Failure(
            FtpStatus::BadRequest,
            OpenFailed() +
                QCoreApplication::translate("FtpDataChannel", "：透過 SOCKS 或 HTTP proxy 只能使用被動模式"));
    const CSocketAddress local = CSocketAddress::LocalOf(m_control.Transport()->Fd());
    m_listener = std::make_unique<CTcpListener>(m_cancel);
    IoResult io = m_listener->Listen(local);
    if (!io.Ok())
        return FtpResult::FromIo(OpenFailed(), io);
    CSocketAddress announced = local;
    announced.SetPort(m_listener->Port());
    if (m_capabilities.eprt != FtpSupport::No)
    {
        const ReplyResult eprt = m_control.Command("EPRT " + EprtArgument(announced), m_settings.timeoutMs);
        if (!eprt.io.Ok())
            return FtpResult::FromIo(OpenFailed(), eprt.io);
        if (eprt.reply.IsPositive())
        {
            m_capabilities.eprt = FtpSupport::Yes;
            return FtpResult::Success(eprt.reply);
        }
        if (!IsUnsupported(eprt.reply) || m_capabilities.eprt == FtpSupport::Yes || announced.IsIpv6())
            return FtpResult::Refused(OpenFailed(), eprt.reply);
        m_capabilities.eprt = FtpSupport::No;
        m_control.Log(FtpLogKind::Info,
                      QCoreApplication::translate("FtpDataChannel", "伺服器不支援 EPRT，改用 PORT").toUtf8());
    }
    const ReplyResult port = m_control.Command("PORT " + CPassiveReply::PortArgument(announced), m_settings.timeoutMs);
    if (!port.io.Ok())
        return FtpResult::FromIo(OpenFailed(), port.io);
    if (!port.reply.IsPositive())
        return FtpResult::Refused(OpenFailed(), port.reply);
    return FtpResult::Success(port.reply);
}

FtpResult CFtpDataChannel::Attach()
{
    const FtpResult accepted = m_listener ? AcceptActive() : FtpResult::Success();
    if (!accepted.Ok() || !m_settings.tls)
        return accepted;
    FtpResult secured = StartTls();
    secured.reply = accepted.reply;
    return secured;
}

FtpResult CFtpDataChannel::AcceptActive()
{
    // The server may give up instead of connecting, or connect, send everything and report success
    // before the connection is taken: watch the control connection as well.
    FtpReply final;
    for (;;)
    {
        int which = 0;
        const bool replyWaiting = m_control.HasBufferedBytes() && final.code == 0;
        const IoStatus status =
            replyWaiting ? IoStatus::Ok
                         : m_cancel.WaitEither(m_listener->Fd(), POLLIN, m_control.Transport()->Fd(), POLLIN,
                                               m_settings.timeoutMs, &which);
        if (status != IoStatus::Ok)
            return FtpResult::FromIo(OpenFailed(), IoResult::Fail(status));
        if (which == 0 && !replyWaiting)
            break;
        const ReplyResult reply = m_control.ReadReply(m_settings.timeoutMs);
        if (!reply.io.Ok())
            return FtpResult::FromIo(OpenFailed(), reply.io);
        if (!reply.reply.IsPreliminary() && !reply.reply.IsPositive())
            return FtpResult::Refused(OpenFailed(), reply.reply);
        if (reply.reply.IsPositive())
            final = reply.reply;
    }
    auto tcp = std::make_unique<CTcpTransport>(m_cancel);
    const IoResult io = m_listener->Accept(m_settings.timeoutMs, *tcp);
    m_listener.reset();
    if (!io.Ok())
        return FtpResult::FromIo(OpenFailed(), io);
    // Anyone could connect to the announced port; only the server may feed the transfer.
    const CSocketAddress from = CSocketAddress::PeerOf(tcp->Fd());
    if (!from.SameHost(m_settings.controlPeer))
    {
        tcp->Abort();
        return FtpResult::Failure(FtpStatus::Protocol,
                                  QCoreApplication::translate("FtpDataChannel", "資料連線來自非預期的位址 ") +
                                      QString::fromLatin1(from.Host()));
    }
    m_transport = std::move(tcp);
    return FtpResult::Success(final);
}

FtpResult CFtpDataChannel::StartTls()
{
    auto tls = std::make_unique<CTlsTransport>(std::move(m_transport), *m_settings.tls, m_cancel);
    const IoResult io = tls->Handshake(m_settings.tlsHost, true, m_settings.timeoutMs);
    if (!io.Ok())
    {
        tls->Abort();
        return FtpResult::FromIo(QCoreApplication::translate("FtpDataChannel", "資料連線的 TLS 交握失敗"),
                                 io);
    }
    m_transport = std::move(tls);
    return FtpResult::Success();
}

IoResult CFtpDataChannel::Finish()
{
    if (!m_transport)
        return IoResult::Done();
    const IoResult io = m_transport->Finish(m_settings.timeoutMs);
    m_transport.reset();
    return io;
}

void CFtpDataChannel::Abort()
{
    m_listener.reset();
    if (m_transport)
        m_transport->Abort();
    m_transport.reset();
}
