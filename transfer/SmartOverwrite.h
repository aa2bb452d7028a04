#pragma once

#include "transfer/OverwriteAction.h"

#include <QString>
#include <QStringList>

#include <optional>

// The decision for a file whose target exists (source = the file being sent; times in whole seconds):
// Prompt, Overwrite, Skip, Rename, Resume or Number, from the SmartOverwrite settings and, when they say
// so, the first rule that covers the transfer. Settings and rules are read afresh every time; a given
// matchingFiles stands in for the stored MatchingFiles.
OverwriteAction DecideOverwrite(TransferDirection direction, qint64 sourceSize, qint64 targetSize,
                                qint64 sourceTime, qint64 targetTime,
                                std::optional<int> matchingFiles = std::nullopt);

// "<folder>/複製 -<name>", then "<folder>/複製(2) -<name>" and so on: the first at which nothing exists.
QString MakeNumberedLocalName(const QString& path);
// "複製 -<name>", "複製(2) -<name>", ... for the name after the last "/": the first that equals none of
// the names, without case.
QString MakeNumberedRemoteName(const QString& path, const QStringList& names);
