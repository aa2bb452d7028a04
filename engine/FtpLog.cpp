#include "engine/FtpLog.h"

bool IsPasswordCommand(const QString& command)
{
    // Leading blanks would not hide the password from a server that skips them.
    const QString trimmed = command.trimmed();
    return trimmed.startsWith(QLatin1String("PASS"), Qt::CaseInsensitive) &&
           (trimmed.size() == 4 || trimmed[4].isSpace());
}

QString MaskedCommand(const QString& command)
{
    if (!IsPasswordCommand(command))
        return command;
    return QStringLiteral("PASS ****");
}
