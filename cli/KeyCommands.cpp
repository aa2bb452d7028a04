#include "cli/KeyCommands.h"

#include "cli/Arguments.h"
#include "cli/ExitCodes.h"
#include "engine/keys/KeyCertificate.h"
#include "security/IdentityFiles.h"

#include <QFile>

namespace
{
const char kKeygenUsage[] =
    "usage: zentrava-cli keygen [--type ed25519|rsa|dsa] [--bits 512|1024|2048|4096]\n"
    "         [--passphrase W | --passphrase-file FILE] [--private PATH] [--public PATH]";
const char kCertgenUsage[] =
    "usage: zentrava-cli certgen --name N [--out DIR] [--bits 512|1024|2048|4096] [--expires YYYY-MM-DD]\n"
    "         [--cn NAME] [--org O] [--unit U] [--country CC] [--state S] [--city C] [--email E]\n"
    "         [--passphrase W | --passphrase-file FILE]";
const char kCertUsage[] = "usage: zentrava-cli cert show FILE";

const QList<std::pair<QString, CertificateField>> kSubjectOptions = {
    {QStringLiteral("country"), CertificateField::Country},
    {QStringLiteral("state"), CertificateField::State},
    {QStringLiteral("city"), CertificateField::City},
    {QStringLiteral("org"), CertificateField::Organisation},
    {QStringLiteral("unit"), CertificateField::Unit},
    {QStringLiteral("cn"), CertificateField::CommonName},
    {QStringLiteral("email"), CertificateField::Email},
};

int Usage(QTextStream& err, const char* usage, const QString& problem)
{
    err << "zentrava-cli: " << problem << "\n" << usage << Qt::endl;
    return ExitUsage;
}

int Failure(QTextStream& err, const QString& problem)
{
    err << "zentrava-cli: " << problem << Qt::endl;
    return ExitFailure;
}

// The sizes the wizards offer; an option left out keeps the wizard's default.
bool ParseBits(const CArguments& args, int* bits)
{
    if (!args.Has(QStringLiteral("bits")))
        return true;
    const int value = args.Value(QStringLiteral("bits")).toInt();
    if (value != 512 && value != 1024 && value != 2048 && value != 4096)
        return false;
    *bits = value;
    return true;
}

// The pass phrase from --passphrase, or the first line of --passphrase-file (which keeps it out of the
// process list). Empty problem on success; usage says whether a problem is the command line's.
struct Passphrase
{
    QByteArray value;
    QString problem;
    bool usage = false;
};

Passphrase ReadPassphrase(const CArguments& args)
{
    const bool given = args.Has(QStringLiteral("passphrase"));
    if (!args.Has(QStringLiteral("passphrase-file")))
        return {given ? args.Value(QStringLiteral("passphrase")).toUtf8() : QByteArray(), {}, false};
    if (given)
        return {{}, QStringLiteral("give either --passphrase or --passphrase-file"), true};
    const QString path = args.Value(QStringLiteral("passphrase-file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{},
                QStringLiteral("cannot read the pass phrase file %1: %2").arg(path, file.errorString()),
                false};
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return {line, {}, false};
}

int Report(const IdentityFiles& files, QTextStream& out, QTextStream& err)
{
    if (!files.Ok())
        return Failure(err, files.error);
    out << "private key: " << files.privateKeyPath << "\n";
    if (!files.publicKeyPath.isEmpty())
        out << "public key: " << files.publicKeyPath << "\n" << files.publicKey;
    if (!files.certificatePath.isEmpty())
        out << "certificate: " << files.certificatePath << "\n";
    out.flush();
    return ExitSuccess;
}
} // namespace

int RunKeygenCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words,
                          {QStringLiteral("type"), QStringLiteral("bits"), QStringLiteral("passphrase"),
                           QStringLiteral("passphrase-file"), QStringLiteral("private"),
                           QStringLiteral("public")},
                          {});
    if (!args.IsValid())
        return Usage(err, kKeygenUsage, args.Error());
    if (!args.Positional().isEmpty())
        return Usage(err, kKeygenUsage,
                     QStringLiteral("keygen takes no arguments: %1").arg(args.Positional()[0]));
    KeyPairAnswers answers;
    const QString type = args.Value(QStringLiteral("type")).toLower();
    if (type == QLatin1String("rsa"))
        answers.type = KeyAlgorithm::Rsa;
    else if (type == QLatin1String("dsa"))
        answers.type = KeyAlgorithm::Dsa;
    else if (!type.isEmpty() && type != QLatin1String("ed25519"))
        return Usage(err, kKeygenUsage, QStringLiteral("unknown key type: %1").arg(type));
    if (!ParseBits(args, &answers.bits))
        return Usage(err, kKeygenUsage,
                     QStringLiteral("unsupported key size: %1").arg(args.Value(QStringLiteral("bits"))));
    const Passphrase passphrase = ReadPassphrase(args);
    if (!passphrase.problem.isEmpty())
        return passphrase.usage ? Usage(err, kKeygenUsage, passphrase.problem)
                                : Failure(err, passphrase.problem);
    answers.passphrase = passphrase.value;
    answers.privateKeyPath = args.Value(QStringLiteral("private"));
    answers.publicKeyPath = args.Value(QStringLiteral("public"));
    return Report(GenerateKeyPair(answers), out, err);
}

int RunCertgenCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    QSet<QString> valueOptions{QStringLiteral("name"),       QStringLiteral("out"),
                               QStringLiteral("bits"),       QStringLiteral("expires"),
                               QStringLiteral("passphrase"), QStringLiteral("passphrase-file")};
    for (const auto& [option, field] : kSubjectOptions)
        valueOptions.insert(option);
    const CArguments args(words, valueOptions, {});
    if (!args.IsValid())
        return Usage(err, kCertgenUsage, args.Error());
    if (!args.Positional().isEmpty())
        return Usage(err, kCertgenUsage,
                     QStringLiteral("certgen takes no arguments: %1").arg(args.Positional()[0]));
    CertificateAnswers answers;
    answers.name = args.Value(QStringLiteral("name"));
    if (answers.name.isEmpty())
        return Usage(err, kCertgenUsage, QStringLiteral("certgen needs --name"));
    answers.outputFolder = args.Value(QStringLiteral("out"));
    if (!ParseBits(args, &answers.bits))
        return Usage(err, kCertgenUsage,
                     QStringLiteral("unsupported key size: %1").arg(args.Value(QStringLiteral("bits"))));
    if (args.Has(QStringLiteral("expires")))
    {
        const QDate date = QDate::fromString(args.Value(QStringLiteral("expires")), Qt::ISODate);
        answers.expires = QDateTime(date, QTime(12, 0));
        if (!date.isValid() || answers.expires <= QDateTime::currentDateTime())
            return Usage(err, kCertgenUsage,
                         QStringLiteral("--expires needs a future date as YYYY-MM-DD: %1")
                             .arg(args.Value(QStringLiteral("expires"))));
    }
    for (const auto& [option, field] : kSubjectOptions)
    {
        if (args.Has(option))
            answers.subject.insert(field, args.Value(option));
    }
    const Passphrase passphrase = ReadPassphrase(args);
    if (!passphrase.problem.isEmpty())
        return passphrase.usage ? Usage(err, kCertgenUsage, passphrase.problem)
                                : Failure(err, passphrase.problem);
    answers.passphrase = passphrase.value;
    return Report(GenerateCertificate(answers), out, err);
}

int RunCertCommand(const QStringList& words, QTextStream& out, QTextStream& err)
{
    const CArguments args(words, {}, {});
    if (!args.IsValid())
        return Usage(err, kCertUsage, args.Error());
    if (args.Positional().size() != 2 || args.Positional()[0] != QLatin1String("show"))
        return Usage(err, kCertUsage, QStringLiteral("cert takes: show FILE"));
    CKeyCertificate certificate;
    const FtpResult loaded = certificate.LoadCertificate(args.Positional()[1]);
    if (!loaded.Ok())
        return Failure(err, loaded.message);
    out << "Issuer: " << certificate.IssuerText() << "\n"
        << "Subject: " << certificate.SubjectText() << "\n"
        << "Expires: " << certificate.ExpiryText() << "\n\n"
        << certificate.Dump() << Qt::flush;
    return ExitSuccess;
}
