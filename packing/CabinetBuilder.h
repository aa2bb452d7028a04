#pragma once

#include "packing/PackError.h"

#include <QString>
#include <memory>
#include <optional>

class CPackProgress;

// Builds one Microsoft cabinet with MSZIP compression over libgcab. Every file is stored under its bare
// name, not marked executable; two files of the same name from different folders are both stored.
// The cabinet holds at most 2 GiB of file data, so it never needs a second cabinet.
class CCabinetBuilder
{
public:
    static constexpr qint64 MaximumSize = 0x80000000;

    CCabinetBuilder();
    explicit CCabinetBuilder(quint16 setId);
    ~CCabinetBuilder();
    CCabinetBuilder(const CCabinetBuilder&) = delete;
    CCabinetBuilder& operator=(const CCabinetBuilder&) = delete;

    // The file name of cabinet number from the name template: a template with "%" keeps the part before
    // the first "%" and adds the number with as many digits as there are "%" in a row there; an empty
    // template gives four digits; otherwise cabinet 0 is template + ".cab" and later ones add three
    // digits.
    static QString CabinetName(const QString& nameTemplate, int number);
    static quint16 RandomSetId();

    quint16 SetId() const;
    // Where the cabinet is written: folder + CabinetName(template, 0).
    QString CabinetPath() const;

    // Prepares the cabinet in folder, which is created if missing and must be 3 to 255 characters long (as an
    // absolute path).
    std::optional<CPackError> Create(const QString& nameTemplate, const QString& folder);
    std::optional<CPackError> AddFile(const QString& path);
    // Compresses the added files and writes the cabinet, reporting each file. A failed or cancelled write
    // leaves no cabinet file behind.
    std::optional<CPackError> Flush(CPackProgress& progress);

private:
    struct CPrivate;
    std::unique_ptr<CPrivate> d;
};
