#include "transfer/UploadThread.h"

#include "common/LogLine.h"
#include "transfer/AsciiTypes.h"
#include "transfer/RemotePath.h"
#include "transfer/WorkerPaths.h"

#include <QCoreApplication>
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
    return QCoreApplication::translate("UploadThread", "檔案上傳完成");
}

QString CUploadThread::CancelledMessage() const
{
    return JobCancelledMessage(JobKind::Upload);
}

CWorkerStep CUploadThread::RunJob()
{
    const QList<CTransferEntry> work = BuildWorkList();
    for (const CTransferEntry& entry : work)
    {
        const QString localPath = LocalPartOf(entry.name);
        const CWorkerStep step =
            UploadEntry(entry, localPath, RemotePathFor(localPath, RemotePartOf(entry.name)));
        if (!step.IsOk())
            return step;
    }
    return CWorkerStep::Ok();
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
        Note(QCoreApplication::translate("UploadThread", "資料夾層數過深，略過：%1").arg(folder));
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

CWorkerStep CUploadThread::UploadEntry(CTransferEntry entry, const QString& localPath,
                                       const QString& remotePath)
{
    if (!(entry.attributes & kAttributeFolder))
        return UploadFile(entry, localPath, remotePath);
    // A folder that is there already is as good as a new one.
    Connection().MakeFolder(remotePath);
    entry.name = remotePath;
    Q_EMIT Relay(this, entry);
    return CWorkerStep::Ok();
}

CWorkerStep CUploadThread::UploadFile(CTransferEntry entry, const QString& localPath,
                                      const QString& remotePath)
{
    entry.size = QFileInfo(localPath).size();
    ChooseTransferMode(Job().transferType, localPath, *this);
    Progress().SetLine1(
        QCoreApplication::translate("UploadThread", "複製中 '%1'").arg(RemoteNameOf(remotePath)));
    Progress().SetLine2(QCoreApplication::translate("UploadThread", "由 '%1' 到 '%2'")
                            .arg(AbbreviateFolder(LocalFolderOf(localPath)), Job().host));
    ReportStatus(localPath, QCoreApplication::translate("UploadThread", "上傳中"));
    bool resume = entry.attributes & kAttributeResume;
    CWorkerStep step = TransferFile(
        RemoteNameOf(remotePath), resume,
        [&](bool resumed, const FtpProgressHook& progress)
        {
            const FtpResult entered = EnterFolder(RemoteFolderOf(remotePath));
            if (!entered.Ok())
                return entered;
            return Connection().Upload(localPath, remotePath,
                                       resumed ? FtpUploadMode::Resume : FtpUploadMode::Replace, progress);
        });
    if (step.IsOk() && Settings().preserveTime)
        SendLocalTime(localPath, remotePath);
    if (step.IsOk())
        step = VerifyChecksum(
            localPath, remotePath,
            QCoreApplication::translate("UploadThread", "檔案完整性檢查失敗！FTP伺服器不支援 CRC！"),
            QCoreApplication::translate("UploadThread",
                                        "檔案完整性檢查失敗！ 本機 CRC 檢查與遠端檔案不相符！"));
    if (!step.IsOk())
    {
        const CTransferEntry named{localPath + u'|' + remotePath, entry.attributes, entry.size,
                                   entry.modified};
        return Settle(step, named, remotePath);
    }
    CountCopied(entry.size);
    AddDoneBytes(entry.size);
    entry.name = remotePath;
    Q_EMIT Relay(this, entry);
    return step;
}

FtpResult CUploadThread::EnterFolder(const QString& folder)
{
    if (folder == m_enteredFolder)
        return FtpResult::Success();
    const FtpResult made = Connection().MakeFolders(folder);
    if (made.Ok())
        m_enteredFolder = folder;
    return made;
}

void CUploadThread::SendLocalTime(const QString& localPath, const QString& remotePath)
{
    const QFileInfo info(localPath);
    if (!info.exists())
        return;
    if (!Connection().Ftp())
    {
        const FtpResult set = Connection().SetModifiedTime(remotePath, info.lastModified().toUTC());
        if (!set.Ok())
            Note(QCoreApplication::translate("UploadThread", "伺服器不接受檔案時間 %1：%2")
                     .arg(remotePath, set.message));
        return;
    }
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
        const FtpResult reply = Connection().Raw(QStringLiteral("%1 %2 %3").arg(verb, time, remotePath));
        if (reply.Ok() && reply.reply.IsPositive())
        {
            m_mfmtFirst = verb == QLatin1String("MFMT");
            return;
        }
        if (reply.reply.code != 0 || refusal.isEmpty())
            refusal = reply.reply.code != 0 ? QString::fromUtf8(reply.reply.Text()) : reply.message;
    }
    Note(QCoreApplication::translate("UploadThread", "伺服器不接受檔案時間 %1：%2").arg(remotePath, refusal));
}
