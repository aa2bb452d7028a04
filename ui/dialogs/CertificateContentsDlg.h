#pragma once

#include <QDialog>

class CKeyCertificate;

// Every field of a certificate in readable form, under the title given; the text can be selected and
// copied but not changed.
class CCertificateContentsDlg : public QDialog
{
    Q_OBJECT

public:
    CCertificateContentsDlg(const CKeyCertificate& certificate, const QString& title,
                            QWidget* parent = nullptr);
};
