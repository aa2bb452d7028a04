#include "security/IdentityFiles.h"

#include "app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

namespace
{
QString MakeFolder(const QString& folder)
{
    if (QDir().mkpath(folder))
        return {};
    return QCoreApplication::translate("IdentityFiles", "無法建立資料夾 \"%1\"").arg(folder);
}

QString MakeFolderOf(const QString& path)
{
    return MakeFolder(QFileInfo(path).absolutePath());
}

// user@host, as ssh-keygen marks the keys it makes.
QByteArray KeyComment()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QStringLiteral("zentrava");
    return (user + u'@' + QSysInfo::machineHostName()).toUtf8();
}

QString WritePublicKey(const QString& path, const QByteArray& line)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(line) == line.size() && file.commit())
        return {};
    return QCoreApplication::translate("IdentityFiles", "無法寫入公開金鑰 \"%1\"：%2")
        .arg(path, file.errorString());
}

// The output folder without its trailing separators, plus exactly one.
QString FolderWithSeparator(const QString& folder)
{
    QString trimmed = folder;
    while (trimmed.endsWith(u'/'))
        trimmed.chop(1);
    return trimmed + u'/';
}

// The name becomes a file name inside the output folder, never a path elsewhere.
QString CheckCertificateName(const QString& name)
{
    if (name.isEmpty())
        return QCoreApplication::translate("IdentityFiles", "請輸入憑證名稱");
    if (name.contains(u'/') || name.contains(QChar(0)))
        return QCoreApplication::translate("IdentityFiles", "憑證名稱「%1」不能當作檔案名稱").arg(name);
    return {};
}

CertificateRequest RequestFrom(const CertificateAnswers& answers)
{
    CertificateRequest request;
    request.name = answers.name;
    request.subject = answers.subject;
    request.notBefore = QDateTime::currentDateTimeUtc();
    request.notAfter = answers.expires.isValid() ? answers.expires : DefaultCertificateExpiry();
    return request;
}
} // namespace

QString SecurityFolder()
{
    return CDataFolder::FilePath(QStringLiteral("Security"));
}

QString DefaultPrivateKeyPath()
{
    return SecurityFolder() + QStringLiteral("/identity.key");
}

QString DefaultPublicKeyPath()
{
    return SecurityFolder() + QStringLiteral("/identity.pub");
}

QDateTime DefaultCertificateExpiry()
{
    return QDateTime(QDate::currentDate().addYears(1), QTime(12, 0));
}

IdentityFiles GenerateKeyPair(const KeyPairAnswers& answers)
{
    IdentityFiles files;
    files.privateKeyPath =
        answers.privateKeyPath.isEmpty() ? DefaultPrivateKeyPath() : answers.privateKeyPath;
    files.publicKeyPath = answers.publicKeyPath.isEmpty() ? DefaultPublicKeyPath() : answers.publicKeyPath;
    files.error = MakeFolderOf(files.privateKeyPath);
    if (files.error.isEmpty())
        files.error = MakeFolderOf(files.publicKeyPath);
    if (!files.Ok())
        return files;
    CKeyCertificate key;
    FtpResult done = key.GenerateKey(answers.type, answers.bits);
    if (done.Ok())
        done = key.WritePrivateKey(files.privateKeyPath, answers.passphrase);
    if (!done.Ok())
    {
        files.error = done.message;
        return files;
    }
    const QByteArray publicKey = key.PublicKeyText();
    if (publicKey.isEmpty())
    {
        files.error = QCoreApplication::translate("IdentityFiles", "無法取得公開金鑰");
        return files;
    }
    files.publicKey = publicKey + ' ' + KeyComment() + '\n';
    files.error = WritePublicKey(files.publicKeyPath, files.publicKey);
    return files;
}

IdentityFiles CertificateFiles(const CertificateAnswers& answers)
{
    IdentityFiles files;
    files.error = CheckCertificateName(answers.name);
    const QString folder =
        FolderWithSeparator(answers.outputFolder.isEmpty() ? SecurityFolder() : answers.outputFolder);
    files.privateKeyPath = folder + answers.name + QStringLiteral(".key");
    files.certificatePath = folder + answers.name + QStringLiteral(".crt");
    return files;
}

IdentityFiles GenerateCertificate(const CertificateAnswers& answers)
{
    IdentityFiles files = CertificateFiles(answers);
    if (!files.Ok())
        return files;
    files.error = MakeFolder(QFileInfo(files.certificatePath).absolutePath());
    if (!files.Ok())
        return files;
    // The certificate is made before anything is written, so a refused field leaves no lone key behind.
    CKeyCertificate key;
    FtpResult done = key.GenerateKey(KeyAlgorithm::Rsa, answers.bits);
    if (done.Ok())
        done = key.CreateSelfSigned(RequestFrom(answers));
    if (done.Ok())
        done = key.WritePrivateKey(files.privateKeyPath, answers.passphrase);
    if (done.Ok())
        done = key.WriteCertificate(files.certificatePath);
    files.error = done.Ok() ? QString() : done.message;
    return files;
}
