#include "cli/SecretFile.h"

#include <QFile>

bool ReadSecretFile(const QString& what, const QString& path, QByteArray* secret, QString* problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        *problem = QStringLiteral("cannot read the %1 %2: %3").arg(what, path, file.errorString());
        return false;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *secret = line;
    return true;
}
