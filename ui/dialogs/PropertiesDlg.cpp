#include "ui/dialogs/PropertiesDlg.h"

#include "engine/VisibleText.h"
#include "session/PermissionBits.h"
#include "session/RemoteListModel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

constexpr int kIconSize = 32;
// The bit of each box, in the order of m_boxes: owner, group, others; read, write, execute.
constexpr int kBoxBits[] = {0x400, 0x200, 0x100, 0x40, 0x20, 0x10, 0x4, 0x2, 0x1};

QIcon RowIcon(const CFtpListItem& item)
{
    const QFileIconProvider provider;
    if (item.isFolder)
        return provider.icon(QAbstractFileIconProvider::Folder);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(item.name, QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(
        type.iconName(),
        QIcon::fromTheme(type.genericIconName(), provider.icon(QAbstractFileIconProvider::File)));
}

QString Location(const QString& server, const QString& path)
{
    QString joined = path;
    // A name in the root folder would otherwise give "//name".
    while (joined.contains(QLatin1String("//")))
        joined.replace(QLatin1String("//"), QLatin1String("/"));
    return QStringLiteral("ftp://") + server + joined;
}

QString ExactBytes(qint64 bytes)
{
    return QLocale::system().toString(bytes);
}

// The values come from the server's listing.
QLabel* ValueLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(VisibleText(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

void AddRow(QGridLayout* grid, const QString& caption, QLabel* value)
{
    const int row = grid->rowCount();
    auto* label = new QLabel(caption, value->parentWidget());
    grid->addWidget(label, row, 0);
    grid->addWidget(value, row, 1);
}

} // namespace

CPropertiesDlg::CPropertiesDlg(const QList<CFtpListItem>& rows, const QString& server, const QString& folder,
                               bool siteChmod, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("PropertiesDlg", "內容"));
    QList<CFtpListItem> chosen;
    for (const CFtpListItem& item : rows)
    {
        if (!item.IsParent())
            chosen.append(item);
    }

    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    if (chosen.size() == 1)
        AddSingleRow(grid, chosen.first(), Location(server, folder + u'/' + chosen.first().name));
    else
        AddSeveralRows(grid, chosen, Location(server, folder));
    m_permissionsShown = chosen.size() == 1 && siteChmod;
    if (m_permissionsShown)
        grid->addWidget(CreatePermissionBoxes(chosen.first().permissionBits), grid->rowCount(), 0, 1, 2);
    if (!siteChmod)
    {
        auto* unsupported =
            new QLabel(QCoreApplication::translate("PropertiesDlg", "伺服器不支援變更檔案權限"), page);
        unsupported->setObjectName(QStringLiteral("chmodUnsupported"));
        grid->addWidget(unsupported, grid->rowCount(), 0, 1, 2);
    }
    grid->setRowStretch(grid->rowCount(), 1);

    auto* tabs = new QTabWidget(this);
    tabs->addTab(page, QCoreApplication::translate("PropertiesDlg", "內容"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void CPropertiesDlg::AddSingleRow(QGridLayout* grid, const CFtpListItem& item, const QString& location)
{
    QWidget* page = grid->parentWidget();
    auto* icon = new QLabel(page);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(RowIcon(item).pixmap(kIconSize));
    grid->addWidget(icon, 0, 0);
    grid->addWidget(ValueLabel(item.name, QStringLiteral("name"), page), 0, 1);
    const QString type =
        item.typeText.isEmpty() ? CRemoteListModel::TypeText(item.name, item.isFolder) : item.typeText;
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "類型："),
           ValueLabel(type, QStringLiteral("type"), page));
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "位置："),
           ValueLabel(location, QStringLiteral("location"), page));
    if (!item.isFolder)
    {
        const QString size =
            QStringLiteral("%1 (%2 bytes)").arg(CRemoteListModel::SizeText(item.size), ExactBytes(item.size));
        AddRow(grid, QCoreApplication::translate("PropertiesDlg", "大小："),
               ValueLabel(size, QStringLiteral("size"), page));
    }
    const QString modified =
        item.modified.isValid() ? QLocale::system().toString(item.modified.toLocalTime(), QLocale::LongFormat)
                                : QString();
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "修改日期："),
           ValueLabel(modified, QStringLiteral("modified"), page));
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "擁有者："),
           ValueLabel(item.owner, QStringLiteral("owner"), page));
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "群組："),
           ValueLabel(item.group, QStringLiteral("group"), page));
}

void CPropertiesDlg::AddSeveralRows(QGridLayout* grid, const QList<CFtpListItem>& rows,
                                    const QString& location)
{
    QWidget* page = grid->parentWidget();
    int files = 0;
    int folders = 0;
    qint64 total = 0;
    for (const CFtpListItem& item : rows)
    {
        if (item.isFolder)
        {
            ++folders;
            continue;
        }
        ++files;
        total += item.size;
    }
    auto* icon = new QLabel(page);
    icon->setPixmap(QFileIconProvider().icon(QAbstractFileIconProvider::File).pixmap(kIconSize));
    grid->addWidget(icon, 0, 0);
    grid->addWidget(ValueLabel(QStringLiteral("Multiple Items"), QStringLiteral("name"), page), 0, 1);
    const QString counts =
        QCoreApplication::translate("PropertiesDlg", "%1 個檔案, %2 個資料夾").arg(files).arg(folders);
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "類型："),
           ValueLabel(counts, QStringLiteral("type"), page));
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "位置："),
           ValueLabel(location, QStringLiteral("location"), page));
    const QString size = QCoreApplication::translate("PropertiesDlg", "%1 (%2 位元組)")
                             .arg(CRemoteListModel::SizeText(total), ExactBytes(total));
    AddRow(grid, QCoreApplication::translate("PropertiesDlg", "大小："),
           ValueLabel(size, QStringLiteral("size"), page));
}

QGroupBox* CPropertiesDlg::CreatePermissionBoxes(int bits)
{
    auto* group = new QGroupBox(QCoreApplication::translate("PropertiesDlg", "權限"));
    group->setObjectName(QStringLiteral("permissions"));
    auto* grid = new QGridLayout(group);
    const QStringList whom = {QCoreApplication::translate("PropertiesDlg", "擁有者"),
                              QCoreApplication::translate("PropertiesDlg", "群組"),
                              QCoreApplication::translate("PropertiesDlg", "其他")};
    const QStringList what = {QCoreApplication::translate("PropertiesDlg", "讀取"),
                              QCoreApplication::translate("PropertiesDlg", "寫入"),
                              QCoreApplication::translate("PropertiesDlg", "執行")};
    for (int row = 0; row < whom.size(); ++row)
    {
        grid->addWidget(new QLabel(whom[row], group), row, 0);
        for (int column = 0; column < what.size(); ++column)
        {
            auto* box = new QCheckBox(what[column], group);
            const int index = row * 3 + column;
            box->setObjectName(QStringLiteral("permission%1").arg(index));
            box->setChecked(bits & kBoxBits[index]);
            connect(box, &QCheckBox::toggled, this, &CPropertiesDlg::BoxesToNumber);
            grid->addWidget(box, row, column + 1);
            m_boxes.append(box);
        }
    }
    m_number = new QLineEdit(PermissionNumber(bits), group);
    m_number->setObjectName(QStringLiteral("permissionNumber"));
    m_number->setMaxLength(3);
    connect(m_number, &QLineEdit::textEdited, this, &CPropertiesDlg::NumberToBoxes);
    auto* numberLabel = new QLabel(QCoreApplication::translate("PropertiesDlg", "數值(&N)："), group);
    numberLabel->setBuddy(m_number);
    grid->addWidget(numberLabel, 3, 0);
    grid->addWidget(m_number, 3, 1, 1, 3);
    return group;
}

int CPropertiesDlg::PermissionBits() const
{
    int bits = 0;
    for (int index = 0; index < m_boxes.size(); ++index)
    {
        if (m_boxes[index]->isChecked())
            bits |= kBoxBits[index];
    }
    return bits;
}

void CPropertiesDlg::BoxesToNumber()
{
    m_number->setText(PermissionNumber(PermissionBits()));
}

void CPropertiesDlg::NumberToBoxes(const QString& text)
{
    const std::optional<int> bits = PermissionBitsFromNumber(text);
    if (!bits)
        return;
    // The field keeps what was typed; the boxes only follow it.
    for (int index = 0; index < m_boxes.size(); ++index)
    {
        const QSignalBlocker quiet(m_boxes[index]);
        m_boxes[index]->setChecked(*bits & kBoxBits[index]);
    }
}
