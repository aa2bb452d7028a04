#include "transfer/UploadThread.h"

#include "common/LogLine.h"
#include "transfer/AsciiTypes.h"
#include "transfer/RemotePath.h"
#include "transfer/WorkerPaths.h"

#include <QDir>
#include <QFileInfo>

namespace
{
// Deeper folders than this are taken for a link loop.
constexpr int kMaxFolderDepth = 64;

QString LocalPartOf(const QString& name)
{
    return name.section(u'|', 0, 0);
}

QString RemotePartOf(const QString& name)
{
    const qsizetype bar = name.indexOf(u'|');
    return bar < 0 ? QString() : name.mid(bar + 1);
}

QString WithoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// The folder part of a remote path, with its "/", and the name after it.
QString RemoteFolderOf(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString RemoteNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

bool IsPositive(int code)
{
    return code >= 200 && code < 300;
}
} // namespace

CUploadThread::CUploadThread(const CTransferJob& job, const CWorkerSettings& settings,
                             IOverwritePrompts& prompts, TransferProgressMaker makeProgress)
    : CFtpTransferWorker(Kind::Upload, job, settings, prompts, std::move(makeProgress))
{
}

CUploadThread::~CUploadThread()
{
    StopThread();
}

QString CUploadThread::CompletedMessage() const
{
    return QStringLiteral("檔案上傳完成");
}

QString CUploadThread::CancelledMessage() const
{
    return QStringLiteral("取消上傳");
}

CWorkerStep CUploadThread::RunJob()
{
    QList<CTransferEntry> work = BuildWorkList();
    // The next file of the same folder starts while the one ahead of it still moves, so the connection
    // does not wait for this thread between files.
    std::optional<CStartedUpload> moving;
    while (!work.isEmpty())
    {
        CTransferEntry entry = work.takeFirst();
        const QString localPath = LocalPartOf(entry.name);
        const QString remotePath = RemotePathFor(localPath, RemotePartOf(entry.name));
        // Anything else than such a file needs the connection to itself first.
        if (moving && !MayFollow(entry, remotePath))
        {
            const CWorkerStep step = FinishUpload(*moving, std::nullopt);
            moving.reset();
            if (!step.IsOk())
                return step;
        }
        std::optional<CStartedUpload> started;
        const CWorkerStep step = StartEntry(entry, localPath, remotePath, started);
        if (moving)
        {
            const CWorkerStep finished = FinishUpload(*moving, started);
            moving.reset();
            if (!finished.IsOk())
                return finished;
        }
        if (!step.IsOk())
            return step;
        moving = started;
    }
    return moving ? FinishUpload(*moving, std::nullopt) : CWorkerStep::Ok();
}

QList<CTransferEntry> CUploadThread::BuildWorkList()
{
    QList<CTransferEntry> work;
    for (const CTransferEntry& entry : Job().files)
    {
        work.append(entry);
        if (entry.attributes & kAttributeFolder)
            AddLocalFolder(LocalPartOf(entry.name), 0, work);
        else
            AddTotalBytes(QFileInfo(LocalPartOf(entry.name)).size());
    }
    if (!Job().files.isEmpty())
        m_baseFolder = LocalFolderOf(WithoutTrailingSlashes(LocalPartOf(Job().files.last().name)));
    return work;
}

void CUploadThread::AddLocalFolder(const QString& folder, int depth, QList<CTransferEntry>& work)
{
    if (depth > kMaxFolderDepth)
    {
        Note(QStringLiteral("資料夾層數過深，略過：%1").arg(folder));
        return;
    }
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries)
    {
        const bool isFolder = info.isDir();
        work.append({info.filePath(), isFolder ? kAttributeFolder : 0u, isFolder ? 0 : info.size(),
                     info.lastModified()});
        if (isFolder)
            AddLocalFolder(info.filePath(), depth + 1, work);
        else
            AddTotalBytes(info.size());
    }
}

QString CUploadThread::RemotePathFor(const QString& localPath, const QString& remoteName) const
{
    if (!remoteName.isEmpty())
    {
        // A bare name belongs in the job's folder, wherever earlier files took the connection.
        return remoteName.startsWith(u'/') ? remoteName : JoinRemotePath(RemoteFolder(), remoteName);
    }
    const QString relative = StripCommonPrefix(WithoutTrailingSlashes(localPath), m_baseFolder);
    return CollapseSlashes(RemoteFolder() + u'/' + relative);
}

bool CUploadThread::MayFollow(const CTransferEntry& entry, const QString& remotePath) const
{
    if ((entry.attributes & kAttributeFolder) || Settings().preserveTime || !FilesMayOverlap())
        return false;
    return RemoteFolderOf(remotePath) == m_enteredFolder;
}

CWorkerStep CUploadThread::StartEntry(CTransferEntry& entry, const QString& localPath,
                                      const QString& remotePath, std::optional<CStartedUpload>& started)
{
    if (entry.attributes & kAttributeFolder)
    {
        // A folder that is there already is as good as a new one.
        Run([&] { Ftp().MakeFolder(remotePath); });
        entry.name = remotePath;
        Q_EMIT Relay(this, entry);
        return CWorkerStep::Ok();
    }
    const CWorkerStep entered = EnterFolder(RemoteFolderOf(remotePath));
    if (!entered.IsOk())
        return entered;
    entry.size = QFileInfo(localPath).size();
    started = CStartedUpload{entry, localPath, remotePath, bool(entry.attributes & kAttributeResume)};
    BeginUpload(*started);
    return CWorkerStep::Ok();
}

void CUploadThread::BeginUpload(const CStartedUpload& started)
{
    ChooseTransferMode(Job().transferType, started.localPath, *this);
    Progress().SetLine1(QStringLiteral("複製中 '%1'").arg(RemoteNameOf(started.remotePath)));
    Progress().SetLine2(QStringLiteral("由 '%1' 到 '%2'")
                            .arg(AbbreviateFolder(LocalFolderOf(started.localPath)), Job().host));
    Ftp().SetResume(started.resume);
    ReportStatus(started.localPath, QStringLiteral("上傳中"));
    StartCall([&] { Ftp().Upload(started.localPath, started.remotePath); });
}

CWorkerStep CUploadThread::FinishUpload(CStartedUpload& started, const std::optional<CStartedUpload>& next)
{
    const auto restart = [&]
    {
        // A new connection starts in the job's folder.
        m_enteredFolder.clear();
        const CWorkerStep entered = EnterFolder(RemoteFolderOf(started.remotePath));
        if (!entered.IsOk())
            return entered;
        BeginUpload(started);
        if (next)
            BeginUpload(*next);
        return CWorkerStep::Ok();
    };
    const CWorkerStep step =
        WaitForTransfer(RemoteNameOf(started.remotePath), started.resume, next.has_value(), restart);
    if (!step.IsOk())
        return step;
    if (Settings().preserveTime)
        SendLocalTime(started.localPath, started.remotePath);
    const CWorkerStep checked = VerifyChecksum(
        started.localPath, started.remotePath, QStringLiteral("檔案完整性檢查失敗！FTP伺服器不支援 CRC！"),
        QStringLiteral("檔案完整性檢查失敗！ 本機 CRC 檢查與遠端檔案不相符！"));
    if (!checked.IsOk())
        return checked;
    AddDoneBytes(started.entry.size);
    started.entry.name = started.remotePath;
    Q_EMIT Relay(this, started.entry);
    return checked;
}

CWorkerStep CUploadThread::EnterFolder(const QString& folder)
{
    // Files of one folder follow each other: it is made and entered once for all of them.
    if (folder == m_enteredFolder)
        return CWorkerStep::Ok();
    Run([&] { Ftp().MakeFolder(folder); });
    if (Ftp().CheckFolder(folder) != 0)
        return CWorkerStep::Failed(LastErrorText());
    Ftp().SetRemoteFolder(folder);
    m_enteredFolder = folder;
    return CWorkerStep::Ok();
}

void CUploadThread::SendLocalTime(const QString& localPath, const QString& remotePath)
{
    const QFileInfo info(localPath);
    if (!info.exists())
        return;
    // Servers read these times as UTC (RFC 3659).
    const QString time = info.lastModified().toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
    // MDTM first; a server that refused it and took MFMT gets MFMT first for the job's later files,
    // one round trip a file instead of two.
    QStringList verbs{QStringLiteral("MDTM"), QStringLiteral("MFMT")};
    if (m_mfmtFirst)
        verbs.swapItemsAt(0, 1);
    QString refusal;
    for (const QString& verb : verbs)
    {
        const CRawReply reply = SendRaw(QStringLiteral("%1 %2 %3").arg(verb, time, remotePath));
        if (reply.answered && IsPositive(reply.code))
        {
            m_mfmtFirst = verb == QLatin1String("MFMT");
            return;
        }
        if (reply.answered || refusal.isEmpty())
            refusal = reply.text;
    }
    Note(QStringLiteral("伺服器不接受檔案時間 %1：%2").arg(remotePath, refusal));
}
