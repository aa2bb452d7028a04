#pragma once

#include <QString>
#include <QStringList>

// Lists are stored whole, and only while their stored form stays below the store's limit. Empty when
// these items fit; else a message naming the list, for the user.
QString StoredListProblem(const QStringList& items, const QString& listName);
