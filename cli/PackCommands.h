#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli pack zip|cab|targz PATH... [-o DIR] | unpack ARCHIVE.zip [--password W]
int RunPackCommand(const QStringList& words, QTextStream& out, QTextStream& err);
int RunUnpackCommand(const QStringList& words, QTextStream& out, QTextStream& err);
