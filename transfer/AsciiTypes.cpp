#include "transfer/AsciiTypes.h"

#include "app/Profile.h"
#include "app/StringList.h"

namespace
{

const QString kSection = QStringLiteral("AsciiTypes");
const QString kKey = QStringLiteral("Extension");

bool IsAsciiName(const QString& fileName)
{
    // Only the file name counts, so a dot in a folder name cannot pass for an extension.
    const QString name = fileName.mid(fileName.lastIndexOf(u'/') + 1);
    const QString extension = name.mid(name.lastIndexOf(u'.') + 1);
    return LoadAsciiTypes().contains(extension, Qt::CaseInsensitive);
}

} // namespace

QStringList DefaultAsciiTypes()
{
    return {"ASP",  "BAT",      "C",   "CGI", "CPP", "CSS",  "H",   "HTACCESS", "HTM",
            "HTML", "HTPASSWD", "INI", "JS",  "MAK", "PERL", "PHP", "TXT"};
}

QStringList LoadAsciiTypes()
{
    if (GetProfileBinary(kSection, kKey).isEmpty())
        return DefaultAsciiTypes();
    CStringList stored;
    LoadProfileObject(kSection, kKey, stored);
    return stored.Items();
}

bool SaveAsciiTypes(const QStringList& extensions)
{
    return SaveProfileObject(kSection, kKey, CStringList(extensions));
}

TransferMode TransferModeFor(int itemTransferType, const QString& fileName)
{
    int type = itemTransferType;
    if (type == TransferTypeProgramWide)
        type = GetProfileInt(QStringLiteral("Settings"), QStringLiteral("TransferType")) + 1;
    if (type == TransferTypeAscii)
        return TransferMode::Ascii;
    if (type == TransferTypeAutomatic && IsAsciiName(fileName))
        return TransferMode::Ascii;
    return TransferMode::Binary;
}

void ChooseTransferMode(int itemTransferType, const QString& fileName, ITransferModeTarget& target)
{
    target.SetTransferMode(TransferModeFor(itemTransferType, fileName));
}
