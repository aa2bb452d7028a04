#include "fuzz/FuzzTargets.h"

#include "app/StringList.h"
#include "cli/FtpUrl.h"
#include "cli/ProxyUrl.h"
#include "engine/ftp/ControlChannel.h"
#include "engine/ftp/FtpFeatures.h"
#include "engine/ftp/ListParser.h"
#include "engine/ftp/PassiveReply.h"
#include "engine/ftp/ReplyParser.h"
#include "engine/keys/KnownHosts.h"
#include "engine/net/Transport.h"
#include "engine/sftp/SftpAttributes.h"
#include "engine/sftp/SftpClient.h"
#include "engine/sftp/SftpConnection.h"
#include "engine/sftp/SftpNameList.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"
#include "engine/sftp/SftpStatus.h"
#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"
#include "packing/ZipPack.h"
#include "security/TrustedCertificates.h"
#include "session/QuickConnectLogin.h"
#include "session/SessionUrl.h"
#include "sites/Base64.h"
#include "sites/PasswordCipher.h"
#include "sites/SiteList.h"
#include "transfer/OverwriteRule.h"
#include "transfer/RenameRule.h"
#include "transfer/Wildcard.h"
#include "xml/XmlDocument.h"
#include "xml/XmlText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{
[[noreturn]] void Broken(const char* condition, int line)
{
    std::fprintf(stderr, "fuzz check failed (FuzzTargets.cpp:%d): %s\n", line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? void() : Broken(#condition, __LINE__))

// Parsers of stored files take a path: each target gets an emptied folder of its own.
QString ScratchFolder(const char* name)
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/zentrava-fuzz-XXXXXX"));
    QDir folder(root.filePath(QString::fromLatin1(name)));
    folder.removeRecursively();
    QDir().mkpath(folder.path());
    return folder.path();
}

QString WriteScratch(const char* folder, const char* name, const QByteArray& bytes)
{
    QFile file(ScratchFolder(folder) + u'/' + QString::fromLatin1(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        Broken("the scratch file can be written", __LINE__);
    return file.fileName();
}

// A server's side of the control connection, handed out in uneven pieces so replies break across reads.
class CBytesTransport final : public CTransport
{
public:
    explicit CBytesTransport(const QByteArray& bytes) : m_bytes(bytes) {}
    IoResult Read(char* data, qint64 size, int) override
    {
        const qint64 count =
            qMin(qMin(size, qint64(1 + m_position % 61)), qint64(m_bytes.size() - m_position));
        if (count <= 0)
            return IoResult::Fail(IoStatus::Closed);
        memcpy(data, m_bytes.constData() + m_position, size_t(count));
        m_position += count;
        return IoResult::Done(count);
    }
    IoResult Write(const char*, qint64 size, int) override { return IoResult::Done(size); }
    IoResult Finish(int) override { return IoResult::Done(); }
    void Abort() override {}
    int Fd() const override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_position = 0;
};

void FtpReplies(const QByteArray& input)
{
    CControlChannel channel;
    channel.Attach(std::make_unique<CBytesTransport>(input));
    for (;;)
    {
        const ReplyResult read = channel.ReadReply(1000);
        if (!read.io.Ok())
            return;
        const FtpReply& reply = read.reply;
        FUZZ_CHECK(reply.code >= 100 && reply.code <= 599 && !reply.lines.isEmpty());
        CReplyParser::QuotedPath(reply);
        CReplyParser::TransferSize(reply);
        CReplyParser::Timestamp(reply.LastText());
        CReplyParser::HashChecksum(reply);
        for (ChecksumKind kind : {ChecksumKind::Crc32, ChecksumKind::Md5, ChecksumKind::Sha1})
            CReplyParser::CommandChecksum(reply, kind);
        const CFtpFeatures features = CFtpFeatures::Parse(reply);
        features.HashAlgorithms();
        features.SelectedHash();
    }
}

void PassiveReplies(const QByteArray& input)
{
    if (const std::optional<CSocketAddress> offered = CPassiveReply::ParsePasv(input))
    {
        FUZZ_CHECK(offered->IsValid() && !offered->IsIpv6());
        CPassiveReply::Choose(*offered, CSocketAddress::FromNumeric("127.0.0.1", 21));
        CPassiveReply::Choose(*offered, CSocketAddress::FromNumeric("203.0.113.9", 21));
    }
    if (const std::optional<quint16> port = CPassiveReply::ParseEpsv(input))
        FUZZ_CHECK(*port != 0);
}

void Listings(const QByteArray& input)
{
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    for (bool mlsd : {false, true})
    {
        for (const ListItem& item : CListParser::ParseListing(input, mlsd, now))
            FUZZ_CHECK(!item.name.isEmpty() && item.name != "." && item.name != "..");
    }
}

void SftpAnswers(const QByteArray& input)
{
    qsizetype position = 0;
    SftpMessage message;
    while (CSftpConnection::TakeFrame(input, &position, &message) == CSftpConnection::Frame::Ready)
    {
        CSftpReader reader(message.body);
        SftpAttributes attributes;
        SftpStatus status;
        QHash<QByteArray, QByteArray> extensions;
        FtpListing listing;
        QList<QByteArray> skipped;
        switch (message.type)
        {
        case Sftp::Version:
            CSftpClient::ReadExtensions(message.body, &extensions);
            break;
        case Sftp::Name:
            CSftpNameList::Read(message.body, 100, &listing.items, &listing.lines, &skipped);
            FUZZ_CHECK(listing.items.size() <= 100 &&
                       qsizetype(listing.items.size()) == listing.lines.size());
            break;
        case Sftp::Attrs:
            if (SftpAttributes::Read(reader, &attributes))
                CSftpNameList::ItemOf("name", {}, attributes);
            break;
        case Sftp::Status:
            if (SftpStatus::Read(reader, &status))
                status.ToResult(QStringLiteral("fuzz"));
            break;
        default:
            if (const std::optional<SshHostKey> key = SshHostKey::FromBlob(message.body))
                key->Fingerprint();
        }
    }
}

// An Ed25519 host key in SSH wire form; seeds name it in base64 so that known and changed keys are reached.
SshHostKey FixedHostKey()
{
    QByteArray blob = QByteArray::fromHex("0000000b") + "ssh-ed25519" + QByteArray::fromHex("00000020");
    blob += QByteArray(32, '\x5a');
    return *SshHostKey::FromBlob(blob);
}

void KnownHostsLines(const QByteArray& input)
{
    CKnownHosts hosts(WriteScratch("known_hosts", "known_hosts", input));
    if (!hosts.Load().Ok())
        return;
    const SshHostKey key = FixedHostKey();
    hosts.Check("example.org", 22, key);
    hosts.Check("example.org", 2222, key);
    hosts.Check("::1", 22, key);
    hosts.Check("192.0.2.1", 22, key);
}

void Addresses(const QByteArray& input)
{
    const QString text = QString::fromUtf8(input);
    const CFtpUrl url = CFtpUrl::Parse(text);
    if (url.IsValid())
    {
        FUZZ_CHECK(url.Port() >= 1 && url.Port() <= 65535 && !url.Host().isEmpty());
        url.Display();
    }
    const CProxyUrl proxy = CProxyUrl::Parse(text);
    if (proxy.IsValid())
        FUZZ_CHECK(proxy.Port() >= 0 && proxy.Port() <= 65535);
    if (const std::optional<CSessionUrl> session = CSessionUrl::Parse(text))
        FUZZ_CHECK(session->port >= 0 && session->port <= 65535);
    CQuickConnectLogin::FromData(text);
}

// Nothing read from a tag holds "<", ">" or a line break, nor text a "<": what the writer makes of it keeps
// its structure.
bool HoldsNoMarkup(const CXmlElement& element)
{
    QByteArray tag = element.Name();
    for (const auto& [key, value] : element.Attributes())
        tag += key + value;
    bool clean =
        !tag.contains('<') && !tag.contains('>') && !tag.contains('\n') && !element.RawValue().contains('<');
    for (const auto& child : element.Children())
        clean = clean && HoldsNoMarkup(*child);
    return clean;
}

void XmlDocuments(const QByteArray& input)
{
    for (bool quotes : {false, true})
    {
        const QByteArray escaped = EscapeXmlText(input, quotes);
        FUZZ_CHECK(std::all_of(escaped.begin(), escaped.end(),
                               [](char c) { return uchar(c) < 128 && c != '<' && c != '>'; }));
        FUZZ_CHECK(UnescapeXmlText(escaped) == input);
    }
    FUZZ_CHECK(UnescapeXmlText(input).size() <= input.size());
    CXmlDocument document;
    const bool complete = document.Parse(input);
    FUZZ_CHECK(HoldsNoMarkup(*document.GetRoot()));
    if (!complete)
        return;
    // What the writer writes, the reader reads again (else the next load would set a saved file aside),
    // and from the first save on, loading and saving change nothing.
    CXmlDocument again;
    FUZZ_CHECK(again.Parse(document.GetXml()));
    const QByteArray saved = again.GetXml();
    CXmlDocument third;
    FUZZ_CHECK(third.Parse(saved) && third.GetXml() == saved);
}

void SiteFiles(const QByteArray& input)
{
    CSiteList sites(ScratchFolder("sites") + QStringLiteral("/sites.xml"));
    sites.Document().Parse(input);
    for (const QString& path : sites.SitePaths())
    {
        CFtpSite site;
        sites.LoadSiteByPath(path, site);
    }
}

void CertificateFiles(const QByteArray& input)
{
    CTrustedCertificates store(WriteScratch("certificates", "certifates.xml", input));
    if (!store.Load())
        return;
    for (const QByteArray& certificate : store.Certificates())
        store.Accepts(certificate, "example.org", 990);
}

void StoredLists(const QByteArray& input)
{
    CStringList list;
    if (list.Deserialize(input))
    {
        CStringList again;
        FUZZ_CHECK(again.Deserialize(list.Serialize()) && again.Items() == list.Items());
        // Stored rules meet the names a server lists: each item is a rule, the next one a name.
        const QStringList& items = list.Items();
        for (qsizetype i = 0; i < items.size(); ++i)
        {
            COverwriteRule::FromText(items[i]);
            const CRenameRule rule = CRenameRule::FromText(items[i]);
            const QString name = items.value(i + 1);
            MatchWildcard(name, rule.pattern, false);
            RenameByPattern(name, rule.newName);
        }
    }
    QList<QByteArray> strings;
    CStringList::DeserializeStrings(input, strings);
}

void ProtectedPasswords(const QByteArray& input)
{
    FUZZ_CHECK(Base64Decode(Base64Encode(input)) == input);
    // Into a buffer short of the whole, decoding stops before the first group that does not fit.
    const QByteArray whole = Base64Decode(input);
    char out[47];
    qsizetype outLength = sizeof out;
    FUZZ_CHECK(
        Base64Decode(input.constData(), input.size(), reinterpret_cast<unsigned char*>(out), &outLength));
    FUZZ_CHECK(outLength >= 0 && outLength <= qsizetype(sizeof out) &&
               whole.startsWith(QByteArray(out, outLength)));
    FUZZ_CHECK(outLength == whole.size() || outLength % 3 == 0);
    CPasswordCipher cipher;
    cipher.SetKey(CPasswordCipher::kSettingsPassPhrase);
    cipher.Decrypt(input);
    FUZZ_CHECK(cipher.Decrypt(cipher.Encrypt(input)) == input);
}

void ZipEntryNames(const QByteArray& input)
{
    const std::optional<QStringList> parts = CZipPack::SafePathParts(QString::fromUtf8(input));
    if (!parts)
        return;
    FUZZ_CHECK(!parts->isEmpty());
    for (const QString& part : *parts)
    {
        FUZZ_CHECK(!part.isEmpty() && part != u"." && part != u"..");
        FUZZ_CHECK(!part.contains(u'/') && !part.contains(u'\\') && !part.contains(QChar()));
    }
}

class CSilentProgress final : public CPackProgress
{
    bool Step(const QString&, qint64, qint64) override { return true; }
};

void ZipArchives(const QByteArray& input)
{
    const QString archive = WriteScratch("zip", "a.zip", input);
    CSilentProgress progress;
    UnpackZip({archive}, progress);
    // Whatever the archive names, nothing lands beside the destination folder.
    const QStringList beside =
        QDir(QFileInfo(archive).path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    FUZZ_CHECK(beside == QStringList{QStringLiteral("a")} ||
               beside == (QStringList{QStringLiteral("a"), QStringLiteral("a.zip")}) ||
               beside == QStringList{QStringLiteral("a.zip")});
}

constexpr FuzzTarget kTargets[] = {
    {"ftp_reply", FtpReplies},     {"ftp_passive", PassiveReplies},   {"ftp_listing", Listings},
    {"sftp_packets", SftpAnswers}, {"known_hosts", KnownHostsLines},  {"urls", Addresses},
    {"xml", XmlDocuments},         {"sites_xml", SiteFiles},          {"certificates_xml", CertificateFiles},
    {"string_list", StoredLists},  {"passwords", ProtectedPasswords}, {"zip_names", ZipEntryNames},
    {"zip_archive", ZipArchives},
};
} // namespace

std::span<const FuzzTarget> FuzzTargets()
{
    return kTargets;
}

const FuzzTarget* FindFuzzTarget(std::string_view name)
{
    for (const FuzzTarget& target : kTargets)
    {
        if (name == target.name)
            return &target;
    }
    return nullptr;
}
