// LIST output has no standard form (RFC 959 leaves it to the server), so we read what servers print:
// UNIX "ls -l" in its date styles, Windows/IIS, and EPLF. MLSD/MLST facts follow RFC 3659.

#include "engine/ftp/ListParser.h"

#include <array>

namespace
{

using View = QByteArrayView;

// ls prints a time instead of a year for dates of the last six months, so a month and day further
// ahead than that belong to last year.
constexpr int kFutureDays = 183;

struct Token
{
    View text;
    qsizetype begin = 0;
    qsizetype end = 0; // one past the token's last byte
};

// The date of a UNIX line and where the name starts after it.
struct UnixDate
{
    QDateTime when;
    qsizetype nameStart = 0;
    int precision = 1; // seconds, as ListItem::timePrecision
};

constexpr int kDayPrecision = 86400;

// "10:15" gives minutes, "10:15:30" seconds.
int ClockPrecision(View clock)
{
    return clock.count(':') >= 2 ? 1 : 60;
}

// The columns between the mode and the date of a UNIX line.
struct UnixColumns
{
    View owner, group;
    qint64 size = 0;
};

struct MlsdType
{
    ListItem::Kind kind = ListItem::Kind::File;
    char letter = '-';
    View linkTarget = {};
    bool listed = true; // false for the folder itself and its parent
};

struct MlsdFacts
{
    View type, size, sizd, modify, mode;
    View ownerName, owner, uid, groupName, group, gid;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool AllDigits(View text)
{
    if (text.isEmpty())
        return false;
    for (char c : text)
    {
        if (!IsDigit(c))
            return false;
    }
    return true;
}

bool SameText(View text, View other)
{
    return text.compare(other, Qt::CaseInsensitive) == 0;
}

bool StartsWithText(View text, View prefix)
{
    return text.size() >= prefix.size() && SameText(text.first(prefix.size()), prefix);
}

// At most 18 digits, so the value always fits.
std::optional<qint64> ParseNumber(View text)
{
    if (!AllDigits(text) || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// "2023-01-02" split at '-' into {2023, 1, 2}: exactly N fields of 1 to 4 digits.
template <size_t N> std::optional<std::array<int, N>> SplitNumbers(View text, char separator)
{
    std::array<int, N> values{};
    for (size_t i = 0; i < N; ++i)
    {
        const qsizetype at = text.indexOf(separator);
        if ((at < 0) != (i + 1 == N))
            return std::nullopt;
        const View field = at < 0 ? text : text.first(at);
        if (field.size() > 4 || !AllDigits(field))
            return std::nullopt;
        values[i] = int(*ParseNumber(field));
        text = at < 0 ? View() : text.sliced(at + 1);
    }
    return values;
}

// Milliseconds of a fraction of a second given as digits ("5" is 500, "282088123" is 282).
int FractionMilliseconds(View digits)
{
    int ms = 0;
    for (qsizetype i = 0; i < 3; ++i)
        ms = ms * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    return ms;
}

// "10:15", "10:15:30" or "10:15:30.282088123"; invalid for anything else.
QTime ParseClock(View text)
{
    View fraction;
    if (const qsizetype dot = text.indexOf('.'); dot >= 0)
    {
        fraction = text.sliced(dot + 1);
        text = text.first(dot);
        if (!AllDigits(fraction))
            return {};
    }
    if (const auto hms = SplitNumbers<3>(text, ':'))
        return QTime((*hms)[0], (*hms)[1], (*hms)[2], FractionMilliseconds(fraction));
    if (const auto hm = SplitNumbers<2>(text, ':'); hm && fraction.isEmpty())
        return QTime((*hm)[0], (*hm)[1]);
    return {};
}

QDateTime UtcDateTime(int year, int month, int day, const QTime& time)
{
    const QDate date(year, month, day);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

QDateTime InferYear(int month, int day, const QTime& time, const QDateTime& nowUtc)
{
    if (!nowUtc.isValid())
        return {};
    const QDateTime now = nowUtc.toUTC();
    const QDateTime latest = now.addDays(kFutureDays);
    // Eight years back always reaches a leap year for "Feb 29".
    for (int year = now.date().year(), tries = 0; tries < 8; --year, ++tries)
    {
        const QDateTime candidate = UtcDateTime(year, month, day, time);
        if (candidate.isValid() && candidate <= latest)
            return candidate;
    }
    return {};
}

int MonthNumber(View text)
{
    static constexpr std::array<const char*, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3)
        return 0;
    for (size_t i = 0; i < names.size(); ++i)
    {
        if (SameText(text, names[i]))
            return int(i) + 1;
    }
    return 0;
}

int DayNumber(View text)
{
    const std::optional<qint64> day = text.size() <= 2 ? ParseNumber(text) : std::nullopt;
    return day && *day >= 1 && *day <= 31 ? int(*day) : 0;
}

bool IsYear(View text)
{
    return text.size() == 4 && AllDigits(text);
}

// "+0100" or "-0500" as seconds east of UTC.
std::optional<int> ZoneOffset(View text)
{
    if (text.size() != 5 || (text[0] != '+' && text[0] != '-') || !AllDigits(text.sliced(1)))
        return std::nullopt;
    const int hours = int(*ParseNumber(text.sliced(1, 2)));
    const int minutes = int(*ParseNumber(text.sliced(3, 2)));
    const int offset = hours * 3600 + minutes * 60;
    return text[0] == '-' ? -offset : offset;
}

std::vector<Token> Tokenise(View line)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < line.size())
    {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const qsizetype begin = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > begin)
            tokens.push_back({line.sliced(begin, i - begin), begin, i});
    }
    return tokens;
}

View TrimLineStart(View line)
{
    while (!line.isEmpty() && IsBlank(line.front()))
        line = line.sliced(1);
    return line;
}

View TrimLineEnd(View line)
{
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line = line.chopped(1);
    return line;
}

// A name we may turn into a local path: no folder separator, no NUL, not "." or "..".
bool IsSafeName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

// Octal mode such as "0755", "4755" or Python's "0o644".
std::optional<int> ParseOctalMode(View text)
{
    if (StartsWithText(text, "0o"))
        text = text.sliced(2);
    if (text.isEmpty() || text.size() > 7)
        return std::nullopt;
    int mode = 0;
    for (char c : text)
    {
        if (c < '0' || c > '7')
            return std::nullopt;
        mode = mode * 8 + (c - '0');
    }
    return mode & 07777;
}

void SetSpecialLetter(QByteArray& text, qsizetype at, bool set, char letter)
{
    if (set)
        text[at] = text[at] == 'x' ? letter : char(letter - 'a' + 'A');
}

// "drwxr-xr-x" with the setuid, setgid and sticky letters as ls prints them.
QByteArray ModeText(char typeLetter, int mode)
{
    QByteArray text(10, '-');
    text[0] = typeLetter;
    for (int bit = 0; bit < 9; ++bit)
    {
        if (mode & (0400 >> bit))
            text[1 + bit] = "rwx"[bit % 3];
    }
    SetSpecialLetter(text, 3, mode & 04000, 's');
    SetSpecialLetter(text, 6, mode & 02000, 's');
    SetSpecialLetter(text, 9, mode & 01000, 't');
    return text;
}

template <typename Visit> void ForEachField(View text, char separator, Visit visit)
{
    while (!text.isEmpty())
    {
        const qsizetype at = text.indexOf(separator);
        visit(at < 0 ? text : text.first(at));
        text = at < 0 ? View() : text.sliced(at + 1);
    }
}

// --- UNIX ---------------------------------------------------------------------------------------

// Type letter, nine permission letters, then an optional ACL or attribute mark.
bool IsModeText(View text)
{
    if (text.size() < 10 || text.size() > 11 || !View("-dlcbpsDnw").contains(text[0]))
        return false;
    for (qsizetype i = 1; i < 10; ++i)
    {
        if (!View("-rwxsStTlL").contains(text[i]))
            return false;
    }
    return text.size() == 10 || View("+.@").contains(text[10]);
}

// "Jan  2 10:15", "Jan  2  2023", and BSD's "Jan  2 10:15:30 2023".
std::optional<UnixDate> MatchMonthDate(const std::vector<Token>& tokens, size_t at, const QDateTime& nowUtc)
{
    if (at + 3 >= tokens.size())
        return std::nullopt;
    const int month = MonthNumber(tokens[at].text);
    const int day = DayNumber(tokens[at + 1].text);
    if (month == 0 || day == 0)
        return std::nullopt;
    const Token& third = tokens[at + 2];
    if (IsYear(third.text))
        return UnixDate{UtcDateTime(int(*ParseNumber(third.text)), month, day, QTime(0, 0)), third.end + 1,
                        kDayPrecision};
    const QTime time = ParseClock(third.text);
    if (!time.isValid())
        return std::nullopt;
    const bool withSeconds = third.text.count(':') == 2;
    if (withSeconds && at + 4 < tokens.size() && IsYear(tokens[at + 3].text))
    {
        const int year = int(*ParseNumber(tokens[at + 3].text));
        return UnixDate{UtcDateTime(year, month, day, time), tokens[at + 3].end + 1};
    }
    return UnixDate{InferYear(month, day, time, nowUtc), third.end + 1, ClockPrecision(third.text)};
}

// long-iso "2023-01-02 10:15", full-iso "2023-01-02 10:15:24.282088123 +0000", and the date-only
// "2023-01-02" of the iso style, whose column is one space wider than the date.
std::optional<UnixDate> MatchIsoDate(const std::vector<Token>& tokens, size_t at)
{
    const Token& first = tokens[at];
    if (at + 1 >= tokens.size() || first.text.size() != 10 || first.text[4] != '-' || first.text[7] != '-')
        return std::nullopt;
    const auto ymd = SplitNumbers<3>(first.text, '-');
    if (!ymd)
        return std::nullopt;
    const auto [year, month, day] = *ymd;
    const Token& next = tokens[at + 1];
    const QTime time = ParseClock(next.text);
    if (time.isValid() && next.begin == first.end + 1 && at + 2 < tokens.size())
    {
        const std::optional<int> offset = ZoneOffset(tokens[at + 2].text);
        // A lone "+0100" at the end is a long-iso line's name, not a zone.
        if (!offset || at + 3 >= tokens.size())
            return UnixDate{UtcDateTime(year, month, day, time), next.end + 1, ClockPrecision(next.text)};
        const QDateTime local = UtcDateTime(year, month, day, time);
        const QDateTime utc = local.isValid() ? local.addSecs(-*offset) : local;
        return UnixDate{utc, tokens[at + 2].end + 1, ClockPrecision(next.text)};
    }
    const qsizetype gap = next.begin - first.end;
    return UnixDate{UtcDateTime(year, month, day, QTime(0, 0)), first.end + (gap >= 2 ? 2 : 1),
                    kDayPrecision};
}

// The iso style's recent form "01-02 10:15".
std::optional<UnixDate> MatchShortIsoDate(const std::vector<Token>& tokens, size_t at,
                                          const QDateTime& nowUtc)
{
    const Token& first = tokens[at];
    if (at + 2 >= tokens.size() || first.text.size() != 5 || first.text[2] != '-')
        return std::nullopt;
    const auto md = SplitNumbers<2>(first.text, '-');
    const QTime time = ParseClock(tokens[at + 1].text);
    if (!md || !time.isValid())
        return std::nullopt;
    return UnixDate{InferYear((*md)[0], (*md)[1], time, nowUtc), tokens[at + 1].end + 1,
                    ClockPrecision(tokens[at + 1].text)};
}

std::optional<UnixDate> MatchUnixDate(const std::vector<Token>& tokens, size_t at, const QDateTime& nowUtc)
{
    if (std::optional<UnixDate> date = MatchMonthDate(tokens, at, nowUtc))
        return date;
    if (std::optional<UnixDate> date = MatchIsoDate(tokens, at))
        return date;
    return MatchShortIsoDate(tokens, at, nowUtc);
}

// "4, 1" or "4,1": where a device's major and minor numbers start, or 0 when they are not there.
size_t DeviceNumbersAt(const std::vector<Token>& tokens, size_t dateAt)
{
    const View last = tokens[dateAt - 1].text;
    const qsizetype comma = last.indexOf(',');
    if (comma > 0 && AllDigits(last.first(comma)) && AllDigits(last.sliced(comma + 1)))
        return dateAt - 1;
    if (dateAt < 3 || !AllDigits(last))
        return 0;
    const View major = tokens[dateAt - 2].text;
    return major.endsWith(',') && AllDigits(major.chopped(1)) ? dateAt - 2 : 0;
}

// [links] [owner [group]] size — some servers leave out the group or the link count.
std::optional<UnixColumns> ReadUnixColumns(const std::vector<Token>& tokens, size_t dateAt, bool device)
{
    UnixColumns columns;
    size_t sizeAt = device ? DeviceNumbersAt(tokens, dateAt) : 0;
    if (sizeAt == 0)
    {
        const std::optional<qint64> size = ParseNumber(tokens[dateAt - 1].text);
        if (!size)
            return std::nullopt;
        columns.size = *size;
        sizeAt = dateAt - 1;
    }
    const size_t count = sizeAt - 1;
    if (count == 3 || (count == 2 && !AllDigits(tokens[1].text)))
    {
        columns.owner = tokens[sizeAt - 2].text;
        columns.group = tokens[sizeAt - 1].text;
    }
    else if (count == 2 || count == 1)
    {
        columns.owner = tokens[sizeAt - 1].text;
    }
    else if (count > 3)
    {
        return std::nullopt;
    }
    return columns;
}

ListItem MakeUnixItem(View mode, const UnixColumns& columns, const UnixDate& date, View name)
{
    ListItem item;
    item.permissions = mode.first(10).toByteArray();
    item.kind = CListParser::KindOfTypeLetter(mode[0]);
    item.size = columns.size;
    item.owner = columns.owner.toByteArray();
    item.group = columns.group.toByteArray();
    item.modified = date.when;
    item.timePrecision = date.precision;
    const qsizetype arrow = item.kind == ListItem::Kind::Link ? name.indexOf(" -> ") : -1;
    if (arrow >= 0)
    {
        item.linkTarget = name.sliced(arrow + 4).toByteArray();
        name = name.first(arrow);
    }
    item.name = name.toByteArray();
    return item;
}

std::optional<ListItem> ParseUnixLine(View line, const QDateTime& nowUtc)
{
    const std::vector<Token> tokens = Tokenise(line);
    if (tokens.size() < 4 || !IsModeText(tokens[0].text))
        return std::nullopt;
    const char type = tokens[0].text[0];
    // The first place that reads as a date with sensible columns before it is the date column.
    for (size_t at = 2; at < tokens.size(); ++at)
    {
        const std::optional<UnixDate> date = MatchUnixDate(tokens, at, nowUtc);
        if (!date)
            continue;
        const std::optional<UnixColumns> columns = ReadUnixColumns(tokens, at, type == 'c' || type == 'b');
        if (columns)
            return MakeUnixItem(tokens[0].text, *columns, *date, line.sliced(date->nameStart));
    }
    return std::nullopt;
}

// --- Windows / IIS ------------------------------------------------------------------------------

// "01-02-23", "01-02-2023", "01/02/2023" (month first) or "2023-01-02".
std::optional<QDate> ParseWindowsDate(View text)
{
    if (text.size() == 10 && text[4] == '-' && text[7] == '-')
    {
        const auto ymd = SplitNumbers<3>(text, '-');
        return ymd ? std::optional(QDate((*ymd)[0], (*ymd)[1], (*ymd)[2])) : std::nullopt;
    }
    if ((text.size() != 8 && text.size() != 10) || (text[2] != '-' && text[2] != '/'))
        return std::nullopt;
    const auto mdy = SplitNumbers<3>(text, text[2]);
    if (!mdy)
        return std::nullopt;
    int year = (*mdy)[2];
    if (text.size() == 8)
        year += year < 70 ? 2000 : 1900;
    return QDate(year, (*mdy)[0], (*mdy)[1]);
}

bool IsAmPm(View text)
{
    return SameText(text, "AM") || SameText(text, "PM");
}

// "10:15AM", "10:15 PM" or "22:15"; *next moves past the tokens used.
std::optional<QTime> ParseWindowsTime(const std::vector<Token>& tokens, size_t* next)
{
    View clock = tokens[*next].text;
    View suffix;
    if (clock.size() > 2 && IsAmPm(clock.last(2)))
    {
        suffix = clock.last(2);
        clock = clock.chopped(2);
    }
    else if (*next + 1 < tokens.size() && IsAmPm(tokens[*next + 1].text))
    {
        suffix = tokens[++*next].text;
    }
    ++*next;
    QTime time = ParseClock(clock);
    if (!time.isValid() || suffix.isEmpty())
        return time.isValid() ? std::optional(time) : std::nullopt;
    if (time.hour() < 1 || time.hour() > 12)
        return std::nullopt;
    const int hour = time.hour() % 12 + (SameText(suffix, "PM") ? 12 : 0);
    return QTime(hour, time.minute(), time.second());
}

// Sizes may carry thousands separators ("1,234").
std::optional<qint64> ParseWindowsSize(View text)
{
    QByteArray digits = text.toByteArray();
    digits.replace(",", "");
    return ParseNumber(digits);
}

// "01-02-23  10:15AM       <DIR>          name" and "01-02-2023  22:15  1234 name".
std::optional<ListItem> ParseWindowsLine(View line)
{
    const std::vector<Token> tokens = Tokenise(line);
    const std::optional<QDate> date = tokens.size() >= 4 ? ParseWindowsDate(tokens[0].text) : std::nullopt;
    if (!date)
        return std::nullopt;
    size_t next = 1;
    const std::optional<QTime> time = ParseWindowsTime(tokens, &next);
    if (!time || next + 1 >= tokens.size())
        return std::nullopt;
    ListItem item;
    if (SameText(tokens[next].text, "<DIR>"))
    {
        item.kind = ListItem::Kind::Folder;
    }
    else
    {
        const std::optional<qint64> size = ParseWindowsSize(tokens[next].text);
        if (!size)
            return std::nullopt;
        item.size = *size;
    }
    item.modified = date->isValid() ? QDateTime(*date, *time, Qt::UTC) : QDateTime();
    item.timePrecision = 60;
    item.name = line.sliced(tokens[next + 1].begin).toByteArray();
    return item;
}

// --- EPLF ---------------------------------------------------------------------------------------

// "+i8388621.29609,m824255902,/,\tdev": comma-separated facts, a tab, then the name.
std::optional<ListItem> ParseEplfLine(View line)
{
    const qsizetype tab = line.indexOf('\t');
    if (!line.startsWith('+') || tab < 0)
        return std::nullopt;
    ListItem item;
    std::optional<int> mode;
    ForEachField(line.sliced(1, tab - 1), ',',
                 [&](View fact)
                 {
                     if (fact == "/")
                         item.kind = ListItem::Kind::Folder;
                     else if (fact.startsWith('s'))
                         item.size = ParseNumber(fact.sliced(1)).value_or(0);
                     else if (fact.startsWith('m') && ParseNumber(fact.sliced(1)))
                         item.modified = QDateTime::fromSecsSinceEpoch(*ParseNumber(fact.sliced(1)), Qt::UTC);
                     else if (fact.startsWith("up"))
                         mode = ParseOctalMode(fact.sliced(2));
                 });
    if (mode)
        item.permissions = ModeText(item.kind == ListItem::Kind::Folder ? 'd' : '-', *mode);
    item.name = line.sliced(tab + 1).toByteArray();
    return item;
}

// --- MLSD ---------------------------------------------------------------------------------------

// MLST replies indent the fact line by one space; a fact-less MLSD line (" name") keeps its space.
View DropMlstIndent(View line)
{
    if (!line.startsWith(' '))
        return line;
    const View rest = line.sliced(1);
    const qsizetype space = rest.indexOf(' ');
    const View facts = space < 0 ? rest : rest.first(space);
    return facts.endsWith(';') && facts.contains('=') ? rest : line;
}

MlsdFacts ReadFacts(View text)
{
    MlsdFacts facts;
    const std::array<std::pair<const char*, View*>, 11> keys = {{{"type", &facts.type},
                                                                 {"size", &facts.size},
                                                                 {"sizd", &facts.sizd},
                                                                 {"modify", &facts.modify},
                                                                 {"unix.mode", &facts.mode},
                                                                 {"unix.ownername", &facts.ownerName},
                                                                 {"unix.owner", &facts.owner},
                                                                 {"unix.uid", &facts.uid},
                                                                 {"unix.groupname", &facts.groupName},
                                                                 {"unix.group", &facts.group},
                                                                 {"unix.gid", &facts.gid}}};
    ForEachField(text, ';',
                 [&](View fact)
                 {
                     const qsizetype equals = fact.indexOf('=');
                     if (equals <= 0)
                         return;
                     for (const auto& [key, value] : keys)
                     {
                         if (SameText(fact.first(equals), key))
                             *value = fact.sliced(equals + 1);
                     }
                 });
    return facts;
}

// "OS.unix=slink:/target", "OS.unix=chr-4/1" and the like.
MlsdType ReadUnixType(View subtype)
{
    const qsizetype colon = subtype.indexOf(':');
    const View target = colon < 0 ? View() : subtype.sliced(colon + 1);
    if (StartsWithText(subtype, "slink") || StartsWithText(subtype, "symlink"))
        return {ListItem::Kind::Link, 'l', target};
    const std::array<std::pair<const char*, char>, 4> devices = {
        {{"chr", 'c'}, {"blk", 'b'}, {"fifo", 'p'}, {"sock", 's'}}};
    for (const auto& [prefix, letter] : devices)
    {
        if (StartsWithText(subtype, prefix))
            return {ListItem::Kind::Other, letter};
    }
    return {ListItem::Kind::Other, '?'};
}

MlsdType ReadType(View type)
{
    if (type.isEmpty() || SameText(type, "file"))
        return {};
    if (SameText(type, "dir"))
        return {ListItem::Kind::Folder, 'd'};
    if (SameText(type, "cdir") || SameText(type, "pdir"))
        return {ListItem::Kind::Folder, 'd', {}, false};
    if (StartsWithText(type, "os.unix="))
        return ReadUnixType(type.sliced(8));
    return {ListItem::Kind::Other, '?'};
}

// "20230102101500" or "20230102101500.123", always UTC.
QDateTime ParseMlsdTime(View text)
{
    View fraction;
    if (const qsizetype dot = text.indexOf('.'); dot >= 0)
    {
        fraction = text.sliced(dot + 1);
        text = text.first(dot);
    }
    if (text.size() != 14 || !AllDigits(text) || (!fraction.isEmpty() && !AllDigits(fraction)))
        return {};
    const auto number = [&](qsizetype at, qsizetype length)
    { return int(*ParseNumber(text.sliced(at, length))); };
    const QTime time(number(8, 2), number(10, 2), number(12, 2), FractionMilliseconds(fraction));
    return UtcDateTime(number(0, 4), number(4, 2), number(6, 2), time);
}

View FirstPresent(std::initializer_list<View> values)
{
    for (View value : values)
    {
        if (!value.isEmpty())
            return value;
    }
    return {};
}

ListItem MakeMlsdItem(const MlsdFacts& facts, const MlsdType& type, View name)
{
    ListItem item;
    item.name = name.toByteArray();
    item.kind = type.kind;
    item.linkTarget = type.linkTarget.toByteArray();
    item.size = ParseNumber(facts.size.isEmpty() ? facts.sizd : facts.size).value_or(0);
    item.modified = ParseMlsdTime(facts.modify);
    item.owner = FirstPresent({facts.ownerName, facts.owner, facts.uid}).toByteArray();
    item.group = FirstPresent({facts.groupName, facts.group, facts.gid}).toByteArray();
    if (const std::optional<int> mode = ParseOctalMode(facts.mode))
        item.permissions = ModeText(type.letter, *mode);
    return item;
}

std::optional<ListItem> Checked(std::optional<ListItem> item)
{
    if (item && IsSafeName(item->name))
        return item;
    return std::nullopt;
}

} // namespace

std::optional<ListItem> CListParser::ParseListLine(const QByteArray& line, const QDateTime& nowUtc)
{
    const View text = TrimLineEnd(line);
    const View start = TrimLineStart(text);
    if (start.isEmpty())
        return std::nullopt;
    if (start.startsWith('+'))
        return Checked(ParseEplfLine(start));
    if (IsDigit(start[0]))
        return Checked(ParseWindowsLine(text));
    return Checked(ParseUnixLine(text, nowUtc));
}

std::optional<ListItem> CListParser::ParseMlsdLine(const QByteArray& line)
{
    const View text = DropMlstIndent(TrimLineEnd(line));
    const qsizetype space = text.indexOf(' ');
    if (space < 0)
        return std::nullopt;
    const MlsdFacts facts = ReadFacts(text.first(space));
    const MlsdType type = ReadType(facts.type);
    if (!type.listed)
        return std::nullopt;
    return Checked(MakeMlsdItem(facts, type, text.sliced(space + 1)));
}

std::vector<ListItem> CListParser::ParseListing(const QByteArray& body, bool mlsd, const QDateTime& nowUtc)
{
    std::vector<ListItem> items;
    for (const QByteArray& line : body.split('\n'))
    {
        std::optional<ListItem> item = mlsd ? ParseMlsdLine(line) : ParseListLine(line, nowUtc);
        if (item)
            items.push_back(std::move(*item));
    }
    return items;
}

ListItem::Kind CListParser::KindOfTypeLetter(char letter)
{
    switch (letter)
    {
    case 'd':
        return ListItem::Kind::Folder;
    case 'l':
        return ListItem::Kind::Link;
    case '-':
        return ListItem::Kind::File;
    default:
        return ListItem::Kind::Other;
    }
}
