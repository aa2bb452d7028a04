#include "engine/sftp/SftpNameList.h"

#include "engine/ftp/ListParser.h"
#include "engine/sftp/SftpAttributes.h"
#include "engine/sftp/SftpNames.h"
#include "engine/sftp/SftpProtocol.h"
#include "engine/sftp/SftpReader.h"

CSftpNameList::ERead CSftpNameList::Read(const QByteArray& body, qsizetype maxItems,
                                         std::vector<ListItem>* items, QList<QByteArray>* lines,
                                         QList<QByteArray>* skipped)
{
    CSftpReader reader(body);
    quint32 count = 0;
    if (!reader.Uint32(&count))
        return ERead::Malformed;
    for (quint32 i = 0; i < count; ++i)
    {
        QByteArray name, longName;
        SftpAttributes attributes;
        if (!reader.String(&name) || !reader.String(&longName) || !SftpAttributes::Read(reader, &attributes))
            return ERead::Malformed;
        if (!CSftpNames::IsSafeName(name))
        {
            skipped->append(name);
            continue;
        }
        if (qsizetype(items->size()) >= maxItems)
            return ERead::TooMany;
        lines->append(longName.isEmpty() ? name : longName);
        items->push_back(ItemOf(name, longName, attributes));
    }
    return ERead::Ok;
}

ListItem CSftpNameList::ItemOf(const QByteArray& name, const QByteArray& longName,
                               const SftpAttributes& attributes)
{
    ListItem item;
    item.name = name;
    item.size = attributes.Has(Sftp::AttrSize) ? qint64(attributes.size) : 0;
    item.modified = attributes.Modified();
    item.kind = attributes.Kind();
    const std::optional<SftpLongName> parsed = CSftpNames::ParseLongName(longName);
    if (parsed)
    {
        item.permissions = parsed->permissions;
        item.owner = parsed->owner;
        item.group = parsed->group;
        if (item.kind == ListItem::Kind::Other)
            item.kind =
                CListParser::KindOfTypeLetter(parsed->permissions.isEmpty() ? '?' : parsed->permissions[0]);
    }
    else
    {
        item.permissions = attributes.PermissionText();
        if (attributes.Has(Sftp::AttrUidGid))
        {
            item.owner = QByteArray::number(attributes.uid);
            item.group = QByteArray::number(attributes.gid);
        }
    }
    return item;
}
