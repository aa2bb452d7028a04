#include "packing/ZipException.h"

#include <QCoreApplication>

#include <utility>
#include <zip.h>

CZipException::CZipException(QString description, bool entryOnly)
    : m_description(std::move(description)), m_entryOnly(entryOnly)
{
}

CZipException CZipException::FromLibzip(const QString& subject, int zipError, int systemError)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_error_set(&error, zipError, systemError);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return CZipException(subject.isEmpty() ? text : QStringLiteral("%1: %2").arg(subject, text));
}

CZipException CZipException::UnsafePath(const QString& entryName)
{
    return CZipException(
        QCoreApplication::translate("ZipException", "拒絕解壓縮到目的資料夾以外的項目：%1").arg(entryName),
        true);
}

CZipException CZipException::BadEntryData(const QString& entryName, int zipError)
{
    return CZipException(FromLibzip(entryName, zipError).Description(), true);
}
