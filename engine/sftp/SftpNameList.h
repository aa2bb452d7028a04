#pragma once

#include "engine/ListItem.h"

#include <QByteArray>
#include <QList>
#include <vector>

struct SftpAttributes;

// The entries of SSH_FXP_NAME answers: a count, then name, long name and attributes for each.
class CSftpNameList
{
public:
    enum class ERead
    {
        Ok,
        Malformed,
        TooMany
    };

    // Appends the answer's entries to items and their long names (or names) to lines; a name that
    // cannot be one path element goes to skipped instead. TooMany once items would pass maxItems.
    static ERead Read(const QByteArray& body, qsizetype maxItems, std::vector<ListItem>* items,
                      QList<QByteArray>* lines, QList<QByteArray>* skipped);
    // One entry as a listing item: the long name's permissions, owner and group where it has them, else
    // what the attributes say.
    static ListItem ItemOf(const QByteArray& name, const QByteArray& longName,
                           const SftpAttributes& attributes);
};
