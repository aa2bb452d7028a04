#include "transfer/DownloadThread.h"

#include "app/Profile.h"
#include "engine/RemoteName.h"
#include "session/FtpConnectionDLX.h"
#include "common/PumpWait.h"
#include "common/LogLine.h"
#include "transfer/AsciiTypes.h"
#include "transfer/PassiveReply.h"
#include "transfer/RemotePath.h"
#include "transfer/RenameRule.h"
#include "transfer/WorkerPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

#include <fcntl.h>
#include <sys/stat.h>

namespace
{
const QString kSiteMarker = QStringLiteral("ftp:\\");
// Deeper folders than this are taken for a link loop.
constexpr int kMaxFolderDepth = 64;

// Prompts for a job whose overwrite-prompt flag is off: the replace prompt overwrites unasked.
class CUnaskedReplace final : public IOverwritePrompts
{
public:
    explicit CUnaskedReplace(IOverwritePrompts& prompts) : m_prompts(prompts) {}
    OverwriteAction AskReplace(const COverwritePromptInfo&) override { return OverwriteAction::Overwrite; }
    OverwriteAction AskResume(const COverwritePromptInfo& info) override { return m_prompts.AskResume(info); }
    QString AskNewName(const QString& original, const QString& proposed) override
    {
        return m_prompts.AskNewName(original, proposed);
    }

private:
    IOverwritePrompts& m_prompts;
};

QString NameOf(const QString& remotePath)
{
    return remotePath.mid(remotePath.lastIndexOf(u'/') + 1);
}

bool IsInside(const QString& path, const QString& folder)
{
    const QString root = QDir::cleanPath(QDir(folder).absolutePath());
    const QString cleaned = QDir::cleanPath(QDir(root).absoluteFilePath(path));
    return cleaned.startsWith(root == QLatin1String("/") ? root : root + u'/');
}
} // namespace

CDownloadThread::CDownloadThread(const CTransferJob& job, const CWorkerSettings& settings,
                                 IOverwritePrompts& prompts, TransferProgressMaker makeProgress)
    : CFtpTransferWorker(Kind::Download, job, settings, prompts, std::move(makeProgress))
{
}

CDownloadThread::~CDownloadThread()
{
    StopThread();
}

QString CDownloadThread::CompletedMessage() const
{
    return QStringLiteral("下載完成！");
}

QString CDownloadThread::CancelledMessage() const
{
    return QStringLiteral("取消下載！");
}

CWorkerStep CDownloadThread::CheckJob()
{
    if (!IsServerCopy())
        return CWorkerStep::Ok();
    if (!Settings().destinationSite)
        return CWorkerStep::Failed(
            QStringLiteral("找不到目的站台 '%1'")
                .arg(Job().localFolder.mid(Job().localFolder.indexOf(kSiteMarker) + kSiteMarker.size())));
    // The two servers talk to each other in the clear; an encrypted or SSH site cannot take part.
    if (Job().protocolType != CFtpSite::ProtocolFtp ||
        Settings().destinationSite->ProtocolType != CFtpSite::ProtocolFtp)
        return CWorkerStep::Failed(
            QStringLiteral("站台對站台傳遞只支援 FTP 站台，來源或目的站台使用 FTPS 或 SFTP"));
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::RunJob()
{
    m_filter = LoadFilterLists(Settings().filter);
    m_resumeAllowed = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("DisableResume")) == 0;
    QList<CTransferEntry> work;
    const CWorkerStep built = BuildWorkList(work);
    if (!built.IsOk())
        return built;
    if (IsServerCopy())
        return CopyToSite(work);
    return DownloadAll(work);
}

CWorkerStep CDownloadThread::BuildWorkList(QList<CTransferEntry>& work)
{
    QString folder = RemoteFolder();
    while (folder.endsWith(u'/'))
        folder.chop(1);
    for (CTransferEntry entry : Job().files)
    {
        const bool isFolder = entry.attributes & kAttributeFolder;
        // An entry may name a file below the job's folder ("sub/name"); the filter looks at its name.
        if (!PassesFilter(m_filter, NameOf(entry.name), isFolder))
            continue;
        entry.name = CollapseSlashes(folder + u'/' + entry.name);
        if (!isFolder)
        {
            // A size above 0 comes from a listing; 0 may just mean unknown.
            if (entry.size > 0)
                m_listedSizes.insert(entry.name, entry.size);
            AddTotalBytes(entry.size);
        }
        work.append(entry);
        if (!isFolder)
            continue;
        const CWorkerStep listed = AddFolder(entry.name, 0, work);
        if (!listed.IsOk())
            return listed;
    }
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::AddFolder(const QString& folder, int depth, QList<CTransferEntry>& work)
{
    if (depth > kMaxFolderDepth)
    {
        Note(QStringLiteral("資料夾層數過深，略過：%1").arg(folder));
        return CWorkerStep::Ok();
    }
    const CWorkerStep listed = Run([&] { Ftp().List(folder); });
    if (listed.result == CWorkerStep::Result::Cancelled)
        return listed;
    if (!listed.IsOk())
    {
        Note(listed.message);
        return CWorkerStep::Ok();
    }
    const std::vector<ListItem> items = Ftp().Items();
    for (const ListItem& item : items)
    {
        const QString name = CRemoteName::ToText(item.name);
        if (!IsSafeRemoteName(name))
        {
            Note(QStringLiteral("略過不安全的遠端名稱：'%1'（%2）").arg(name, folder));
            continue;
        }
        const bool isFolder = item.kind == ListItem::Kind::Folder;
        if (!PassesFilter(m_filter, name, isFolder))
            continue;
        const CTransferEntry entry{CollapseSlashes(JoinRemotePath(folder, name)),
                                   isFolder ? kAttributeFolder : 0u, isFolder ? 0 : item.size, item.modified};
        work.append(entry);
        if (item.kind == ListItem::Kind::File)
            m_listedSizes.insert(entry.name, entry.size);
        if (!isFolder)
        {
            AddTotalBytes(entry.size);
            continue;
        }
        const CWorkerStep below = AddFolder(entry.name, depth + 1, work);
        if (!below.IsOk())
            return below;
    }
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::DownloadAll(QList<CTransferEntry>& work)
{
    const bool subPath = QFileInfo(Job().localFolder).isDir() || work.size() > 1;
    CUnaskedReplace unasked(Prompts());
    IOverwritePrompts& prompts = Settings().overwritePrompt ? Prompts() : unasked;
    COverwriteResolver resolver(prompts, Settings().overrides.matchingFiles);
    // The next file is decided about and started while the one ahead of it still moves, so the
    // connection does not wait for this thread between files.
    std::optional<CStartedDownload> moving;
    while (!work.isEmpty())
    {
        const CTransferEntry entry = work.takeFirst();
        const QString localPath = LocalPathFor(entry, subPath);
        if (localPath.isEmpty())
        {
            Note(QStringLiteral("略過不安全的遠端名稱：'%1'").arg(entry.name));
            continue;
        }
        if (entry.attributes & kAttributeFolder)
        {
            QDir().mkpath(localPath);
            continue;
        }
        const std::optional<CStartedDownload> started =
            StartDownload(entry, localPath, work.isEmpty(), resolver);
        if (moving)
        {
            const CWorkerStep step = FinishDownload(*moving, started);
            if (!step.IsOk())
                return step;
        }
        moving = started;
        if (moving && !FilesMayOverlap())
        {
            const CWorkerStep step = FinishDownload(*moving, std::nullopt);
            moving.reset();
            if (!step.IsOk())
                return step;
        }
    }
    return moving ? FinishDownload(*moving, std::nullopt) : CWorkerStep::Ok();
}

QString CDownloadThread::LocalPathFor(const CTransferEntry& entry, bool subPath) const
{
    const QString folder = Job().localFolder;
    if (!subPath)
        return folder;
    const QString relative = StripCommonPrefix(entry.name, RemoteFolder());
    if (!IsSafeRelativePath(relative))
        return {};
    const QString path = CollapseSlashes(folder + u'/' + CRemoteName::LocalName(relative));
    return IsInside(path, folder) ? path : QString();
}

std::optional<CDownloadThread::CStartedDownload> CDownloadThread::StartDownload(const CTransferEntry& entry,
                                                                                const QString& localPath,
                                                                                bool lastFile,
                                                                                COverwriteResolver& resolver)
{
    const bool scheduled = Schedule().enabled;
    const CDownloadConflict conflict{
        entry.name, ApplyRenameRules(localPath), entry.size, entry.modified, lastFile, scheduled};
    const COverwriteChoice choice = resolver.ForDownload(conflict);
    if (choice.outcome == OverwriteOutcome::Skip)
    {
        AddDoneBytes(entry.size);
        return std::nullopt;
    }
    const CStartedDownload started{entry, choice.path,
                                   choice.outcome == OverwriteOutcome::Resume && m_resumeAllowed};
    const QString folder = LocalFolderOf(choice.path);
    if (!folder.isEmpty() && folder != m_madeFolder && QDir().mkpath(folder))
        m_madeFolder = folder;
    BeginDownload(started);
    return started;
}

void CDownloadThread::BeginDownload(const CStartedDownload& started)
{
    const QString name = NameOf(started.entry.name);
    ChooseTransferMode(Job().transferType, name, *this);
    Progress().SetLine1(QStringLiteral("複製中 '%1'").arg(name));
    Progress().SetLine2(QStringLiteral("由 '%1' 到 '%2'")
                            .arg(Job().host, AbbreviateFolder(LocalFolderOf(started.localPath))));
    Ftp().SetResume(started.resume);
    Ftp().SetKnownSize(m_listedSizes.value(started.entry.name, -1));
    ReportStatus(name, QStringLiteral("下載中"));
    StartCall([&] { Ftp().Download(started.localPath, started.entry.name); });
}

CWorkerStep CDownloadThread::FinishDownload(CStartedDownload& started,
                                            const std::optional<CStartedDownload>& next)
{
    const auto restart = [&]
    {
        BeginDownload(started);
        if (next)
            BeginDownload(*next);
        return CWorkerStep::Ok();
    };
    const CWorkerStep step =
        WaitForTransfer(NameOf(started.entry.name), started.resume, next.has_value(), restart);
    if (!step.IsOk())
        return step;
    if (Settings().preserveTime)
        StampRemoteTime(started.localPath, started.entry.modified);
    const CWorkerStep checked = VerifyChecksum(
        started.localPath, started.entry.name, QStringLiteral("檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！"),
        QStringLiteral("檔案完整性檢查失敗！ 本機 CRC 與遠端檔案不符合！"));
    if (checked.IsOk())
        AddDoneBytes(started.entry.size);
    return checked;
}

void CDownloadThread::StampRemoteTime(const QString& localPath, const QDateTime& remoteTime)
{
    if (!remoteTime.isValid())
        return;
    // Both times in one call on the path, without opening the file again. A file that refuses the
    // time keeps its own; the download itself went well.
    const qint64 ms = remoteTime.toMSecsSinceEpoch();
    const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    const timespec time{time_t(seconds), long(ms - seconds * 1000) * 1000000};
    const timespec times[2] = {time, time};
    utimensat(AT_FDCWD, QFile::encodeName(localPath).constData(), times, 0);
}

bool CDownloadThread::IsServerCopy() const
{
    return Job().localFolder.contains(kSiteMarker);
}

CWorkerStep CDownloadThread::CopyToSite(const QList<CTransferEntry>& work)
{
    Progress().SetLine2({});
    ReportStatus({}, QStringLiteral("連線中"));
    QString trace;
    CFtpConnectionDLX destination(&trace);
    destination.SetWaitTimeout(Settings().connectionTimeoutMs);
    CWorkerStep step = CWorkerStep::Ok();
    if (!destination.Connect(*Settings().destinationSite))
        step = CWorkerStep::Failed(destination.LastError());
    for (qsizetype i = 0; step.IsOk() && i < work.size(); ++i)
    {
        step = CopyEntry(destination, work[i]);
        AppendDetails(trace);
        trace.clear();
    }
    AppendDetails(trace);
    return step;
}

CWorkerStep CDownloadThread::CopyEntry(CFtpConnectionDLX& destination, const CTransferEntry& entry)
{
    const QString relative = StripCommonPrefix(entry.name, RemoteFolder());
    if (!IsSafeRelativePath(relative))
    {
        Note(QStringLiteral("略過不安全的遠端名稱：'%1'").arg(entry.name));
        return CWorkerStep::Ok();
    }
    const QString target = CollapseSlashes(destination.Component().RemoteFolder() + u'/' + relative);
    if (entry.attributes & kAttributeFolder)
    {
        destination.MakeFolder(target);
        return CWorkerStep::Ok();
    }
    ChooseTransferMode(Job().transferType, NameOf(entry.name), *this);
    const CWorkerStep step = CopyFile(destination, entry.name, target);
    if (!step.IsOk())
        return step;
    AddDoneBytes(entry.size);
    ReportProgress(0, 0);
    return step;
}

CWorkerStep CDownloadThread::CopyFile(CFtpConnectionDLX& destination, const QString& source,
                                      const QString& target)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    const QString folder = target.left(slash + 1);
    destination.MakeFolder(folder);
    if (!destination.CheckFolder(folder))
        return CWorkerStep::Failed(destination.LastError().isEmpty()
                                       ? QStringLiteral("無法進入目的資料夾 %1").arg(folder)
                                       : destination.LastError());
    Progress().SetLine1(QStringLiteral("複製中 '%1'").arg(target.mid(slash + 1)));
    Progress().SetLine2(QStringLiteral("由 '%1' 到 '%2'").arg(source, Job().host));
    Ftp().SetResume(false);
    ReportStatus(source, QStringLiteral("上傳中"));
    // Raw commands move no data themselves, so each side is told the type of the file.
    const QString type = FileIsAscii() ? QStringLiteral("TYPE A") : QStringLiteral("TYPE I");
    SendRaw(type);
    destination.SendCommand(type);
    const CWorkerStep pointed = PointDestinationAtSource(destination);
    if (!pointed.IsOk())
        return pointed;
    return RunCopy(destination, source, target);
}

CWorkerStep CDownloadThread::PointDestinationAtSource(CFtpConnectionDLX& destination)
{
    Ftp().SetPassive(true);
    const CRawReply pasv = SendRaw(QStringLiteral("PASV\r\n"));
    if (!pasv.answered || pasv.code == 0)
        return IsCancelled()
                   ? CWorkerStep::Cancelled()
                   : CWorkerStep::Failed(QStringLiteral("來源站台沒有回應 PASV 命令：%1").arg(pasv.text));
    if (pasv.code != 227)
        return CWorkerStep::Failed(pasv.text);
    const std::optional<CPassiveAddress> address = ParsePassiveReply(pasv.text);
    if (!address)
        return CWorkerStep::Failed(QStringLiteral("無效 PASV 回應"));
    destination.Component().SetPassive(false);
    QString reply;
    int code = 0;
    if (!destination.SendCommand(QStringLiteral("PORT %1").arg(address->PortArgument()), &reply, &code) ||
        code != 200)
        return CWorkerStep::Failed(reply.isEmpty() ? destination.LastError() : reply);
    return CWorkerStep::Ok();
}

CWorkerStep CDownloadThread::RunCopy(CFtpConnectionDLX& destination, const QString& source,
                                     const QString& target)
{
    // The destination is made ready to receive (its 1xx) before the source is told to send, so data
    // cannot reach it before STOR; the engine reports raw commands by their final reply.
    CFtpComponent& store = destination.Component();
    CEvent heard;
    bool ready = false;
    CRawReply stored;
    const QMetaObject::Connection preliminary = connect(&store, &CFtpComponent::PreTranslateReply, &store,
                                                        [&](int code, const QString&)
                                                        {
                                                            ready = ready || (code >= 100 && code < 200);
                                                            heard.Set();
                                                        });
    const QMetaObject::Connection final = connect(&store, &CFtpComponent::FTPReply, &store,
                                                  [&](const QString&, int code, const QString& reply)
                                                  {
                                                      stored = {true, code, reply};
                                                      heard.Set();
                                                  });
    const CWorkerStep step = CopyWhenReady(store, source, target, heard, ready, stored);
    disconnect(preliminary);
    disconnect(final);
    return step;
}

CWorkerStep CDownloadThread::CopyWhenReady(CFtpComponent& store, const QString& source, const QString& target,
                                           CEvent& heard, const bool& ready, const CRawReply& stored)
{
    store.RawCommand(QStringLiteral("STOR %1\r\n").arg(target));
    WaitForDestination(heard, [&] { return ready || stored.answered; });
    if (IsCancelled())
        return CWorkerStep::Cancelled();
    if (!ready)
        return CWorkerStep::Failed(stored.answered ? stored.text
                                                   : QStringLiteral("目的站台沒有回應 STOR %1").arg(target));
    const QString retr = QStringLiteral("RETR %1\r\n").arg(source);
    StartRaw(retr);
    const CRawReply sent = WaitRaw(retr, std::numeric_limits<int>::max());
    if (!sent.answered)
        return IsCancelled() ? CWorkerStep::Cancelled() : CWorkerStep::Failed(LastErrorText());
    if (sent.code != 226)
        return CWorkerStep::Failed(sent.text);
    WaitForDestination(heard, [&] { return stored.answered; });
    if (!stored.answered && IsCancelled())
        return CWorkerStep::Cancelled();
    if (!stored.answered || stored.code < 200 || stored.code >= 300)
        return CWorkerStep::Failed(stored.answered ? stored.text
                                                   : QStringLiteral("目的站台沒有確認 STOR %1").arg(target));
    return CWorkerStep::Ok();
}

void CDownloadThread::WaitForDestination(CEvent& heard, const std::function<bool()>& done)
{
    // Each reply line sets the event, and the final reply's line comes before the reply itself is
    // reported: one wake-up does not mean the awaited reply is in.
    const QDeadlineTimer deadline(Settings().connectionTimeoutMs);
    while (!done() && !IsCancelled() && !deadline.hasExpired())
    {
        PumpWaitEither(heard, CancelEvent(), int(deadline.remainingTime()));
        heard.Reset();
    }
}
