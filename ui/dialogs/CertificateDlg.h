#pragma once

#include "engine/net/ServerCertificate.h"

#include <QDialog>

// Asks whether to accept a server certificate that is not trusted yet: the issuer's names, the validity
// dates, the subject, the SHA-256 fingerprint and why the system did not verify it. Accepted = accept,
// Rejected = refuse.
class CCertificateDlg : public QDialog
{
    Q_OBJECT

public:
    CCertificateDlg(const ServerCertificate& certificate, const QString& problem, QWidget* parent = nullptr);

    // The locale's date and time, in local time.
    static QString DateText(const QDateTime& utc);
    // Lower-case hex as upper-case pairs joined by ":", as certificate viewers show fingerprints.
    static QString FingerprintText(const QByteArray& hex);
};
