#pragma once

#include "transfer/FtpListItem.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;

// The property page "內容" of the selected remote rows: name, type, location, size, date, owner and
// group of one row with its permission boxes, or the totals of several rows.
class CPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    CPropertiesDlg(const QList<CFtpListItem>& rows, const QString& server, const QString& folder,
                   bool siteChmod, QWidget* parent = nullptr);

    // The boxes are offered for one row on a server that takes SITE CHMOD.
    bool PermissionsShown() const { return m_permissionsShown; }
    // The bits as the boxes stand.
    int PermissionBits() const;

private:
    void AddSingleRow(QGridLayout* grid, const CFtpListItem& item, const QString& location);
    void AddSeveralRows(QGridLayout* grid, const QList<CFtpListItem>& rows, const QString& location);
    QGroupBox* CreatePermissionBoxes(int bits);
    void BoxesToNumber();
    void NumberToBoxes(const QString& text);

    bool m_permissionsShown = false;
    // Owner, group, others; each read, write, execute.
    QList<QCheckBox*> m_boxes;
    QLineEdit* m_number = nullptr;
};
