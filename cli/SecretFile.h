#pragma once

#include <QByteArray>
#include <QString>

// Reads the first line of a file holding a password or pass phrase, so the secret need not show in the
// process list. what names the file in the problem text ("password file").
bool ReadSecretFile(const QString& what, const QString& path, QByteArray* secret, QString* problem);
