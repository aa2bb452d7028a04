#include "engine/sftp/SftpRawCommand.h"

#include <algorithm>

namespace
{
const QList<QByteArray> kKeepAliveVerbs = {"NOOP", "ALLO", "MODE", "STRU", "TYPE", "PWD", "XPWD", "STAT"};

// Splits "WORD rest" at the first run of blanks.
std::pair<QByteArray, QByteArray> Word(const QByteArray& text)
{
    const qsizetype space = text.indexOf(' ');
    if (space < 0)
        return {text, {}};
    qsizetype rest = space;
    while (rest < text.size() && text[rest] == ' ')
        ++rest;
    return {text.left(space), text.mid(rest)};
}

SftpRawCommand Bad(const QByteArray& verb)
{
    SftpRawCommand command;
    command.kind = SftpRawCommand::Kind::BadArguments;
    command.verb = verb;
    return command;
}

SftpRawCommand Chmod(const QByteArray& arguments)
{
    const auto [modeText, path] = Word(arguments);
    bool octal = false;
    const uint mode = modeText.toUInt(&octal, 8);
    if (!octal || modeText.size() > 4 || path.isEmpty())
        return Bad("SITE CHMOD");
    return {SftpRawCommand::Kind::SiteChmod, "SITE CHMOD", quint32(mode), {}, path};
}

SftpRawCommand Site(const QByteArray& arguments)
{
    const auto [what, rest] = Word(arguments);
    const QByteArray verb = "SITE " + what.toUpper();
    if (verb == "SITE HELP")
        return {SftpRawCommand::Kind::SiteHelp, verb, 0, {}, {}};
    if (verb == "SITE CHMOD")
        return Chmod(rest);
    return {SftpRawCommand::Kind::Unknown, verb, 0, {}, {}};
}

// "MDTM 20240102030405 name" sets the time (RFC 3659 times are UTC); "MDTM name" asks for it.
SftpRawCommand Mdtm(const QByteArray& arguments)
{
    if (arguments.isEmpty())
        return Bad("MDTM");
    const auto [first, rest] = Word(arguments);
    const bool digits = first.size() == 14 &&
                        std::all_of(first.begin(), first.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || rest.isEmpty())
        return {SftpRawCommand::Kind::GetTime, "MDTM", 0, {}, arguments};
    const QString text = QString::fromLatin1(first);
    const QDate date = QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd"));
    const QTime clock = QTime::fromString(text.mid(8), QStringLiteral("HHmmss"));
    if (!date.isValid() || !clock.isValid())
        return Bad("MDTM");
    const QDateTime time(date, clock, Qt::UTC);
    return {SftpRawCommand::Kind::SetTime, "MDTM", 0, time, rest};
}
} // namespace

SftpRawCommand SftpRawCommand::Parse(const QByteArray& line)
{
    QByteArray text = line;
    while (!text.isEmpty() && (text.endsWith('\n') || text.endsWith('\r') || text.endsWith(' ')))
        text.chop(1);
    while (text.startsWith(' '))
        text.remove(0, 1);
    const auto [word, arguments] = Word(text);
    const QByteArray verb = word.toUpper();
    if (verb == "SYST")
        return {Kind::System, verb, 0, {}, {}};
    if (verb == "SITE")
        return Site(arguments);
    if (verb == "MDTM")
        return Mdtm(arguments);
    if (kKeepAliveVerbs.contains(verb))
        return {Kind::KeepAlive, verb, 0, {}, {}};
    return {Kind::Unknown, verb, 0, {}, {}};
}
