#include "cli/PackCommands.h"

#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "packing/PackProcedures.h"
#include "packing/PackProgress.h"

#include <QFileInfo>

#include <unistd.h>

namespace
{

// Shows the current file on a terminal; a pipe gets nothing but the result.
class CConsoleProgress : public CPackProgress
{
public:
    CConsoleProgress(QTextStream& err, std::optional<QString> password)
        : m_err(err), m_password(std::move(password)), m_terminal(isatty(STDERR_FILENO))
    {
    }

    ~CConsoleProgress() override
    {
        if (m_terminal && !m_lastFile.isEmpty())
            m_err << '\n' << Qt::flush;
    }

    // An encrypted archive was left unopened for want of a password.
    bool Declined() const { return m_declined; }

    std::optional<QString> Password(const QString& archive) override
    {
        if (!m_password)
        {
            m_err << "zentrava-cli: " << archive << " is encrypted; give its password with --password"
                  << Qt::endl;
            m_declined = true;
        }
        return m_password;
    }

protected:
    bool Step(const QString& file, qint64 done, qint64 total) override
    {
        if (m_terminal && (file != m_lastFile || done == total))
        {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            m_err << "\r\033[K" << percent << "% " << QFileInfo(file).fileName() << Qt::flush;
            m_lastFile = file;
        }
        return true;
    }

private:
    QTextStream& m_err;
    std::optional<QString> m_password;
    bool m_terminal;
    bool m_declined = false;
    QString m_lastFile;
};

int Report(const CPackResult& result, QTextStream& out, QTextStream& err)
{
    for (const QString& warning : result.Warnings())
        err << "zentrava-cli: " << warning << Qt::endl;
    if (result.IsDone())
    {
        out << result.Path() << Qt::endl;
        return result.Warnings().isEmpty() ? ExitSuccess : ExitFailure;
    }
    if (result.Status() == CPackResult::EStatus::Cancelled)
        err << "zentrava-cli: cancelled" << Qt::endl;
    else
        err << "zentrava-cli: "
            << (result.Message().isEmpty() ? QStringLiteral("nothing to pack") : result.Message())
            << (result.Detail().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(result.Detail()))
            << Qt::endl;
    return ExitFailure;
}

} // namespace

int RunPackCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words, {"o"}, {});
    const QStringList& positional = args.Positional();
    const QString kind = positional.value(0);
    const bool known =
        kind == QLatin1String("zip") || kind == QLatin1String("cab") || kind == QLatin1String("targz");
    if (!args.IsValid() || !known || positional.size() < 2)
    {
        if (!args.IsValid())
            err << "zentrava-cli: " << args.Error() << Qt::endl;
        err << "usage: zentrava-cli pack zip|cab|targz PATH... [-o DIR]" << Qt::endl;
        return ExitUsage;
    }
    QStringList paths;
    for (const QString& path : positional.mid(1))
    {
        if (!QFileInfo::exists(path))
        {
            err << "zentrava-cli: no such file or folder: " << path << Qt::endl;
            return ExitFailure;
        }
        paths.append(QFileInfo(path).absoluteFilePath());
    }
    const QString folder = args.Has("o") ? args.Value("o") : TemporaryFolder();
    if (!QFileInfo(folder).isDir())
    {
        err << "zentrava-cli: no such folder: " << folder << Qt::endl;
        return ExitFailure;
    }
    CConsoleProgress progress(err, std::nullopt);
    const QString target = QFileInfo(folder).absoluteFilePath();
    if (kind == QLatin1String("zip"))
        return Report(PackZip(paths, progress, target), out, err);
    if (kind == QLatin1String("cab"))
        return Report(PackCab(paths, progress, target), out, err);
    return Report(PackTarGz(paths, progress, target), out, err);
}

int RunUnpackCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words, {"password"}, {});
    if (!args.IsValid() || args.Positional().size() != 1)
    {
        if (!args.IsValid())
            err << "zentrava-cli: " << args.Error() << Qt::endl;
        err << "usage: zentrava-cli unpack ARCHIVE.zip [--password W]" << Qt::endl;
        return ExitUsage;
    }
    const QFileInfo archive(args.Positional()[0]);
    if (!archive.isFile() || archive.suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) != 0)
    {
        err << "zentrava-cli: not a .zip file: " << archive.filePath() << Qt::endl;
        return ExitFailure;
    }
    std::optional<QString> password;
    if (args.Has("password"))
        password = args.Value("password");
    CConsoleProgress progress(err, password);
    const int result = Report(UnpackZip({archive.absoluteFilePath()}, progress), out, err);
    return progress.Declined() ? ExitFailure : result;
}
