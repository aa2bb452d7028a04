#pragma once

#include "support/Rows.h"

#include <QFile>
#include <QTest>

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
