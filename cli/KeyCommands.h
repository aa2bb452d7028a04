#pragma once

#include <QStringList>
#include <QTextStream>

// zentrava-cli keygen [--type rsa|dsa] [--bits N] [--passphrase W | --passphrase-file F]
//                     [--private PATH] [--public PATH]
int RunKeygenCommand(const QStringList& words, QTextStream& out, QTextStream& err);
// zentrava-cli certgen --name N [--out DIR] [--bits N] [--expires YYYY-MM-DD] [--cn ...] [--org ...]
//                      [--unit ...] [--country ...] [--state ...] [--city ...] [--email ...]
//                      [--passphrase W | --passphrase-file F]
int RunCertgenCommand(const QStringList& words, QTextStream& out, QTextStream& err);
// zentrava-cli cert show FILE
int RunCertCommand(const QStringList& words, QTextStream& out, QTextStream& err);
