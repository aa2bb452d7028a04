#pragma once

#include <QByteArray>

class CXmlDocument;

// Site passwords are plain in memory and may be protected on their way to sites.xml with a master
// password, which the settings store keeps encrypted under a fixed pass phrase.

// The master password, empty when none is set.
QByteArray ReadMasterPassword();
// Stores a new master password (an empty one clears it); false when the store cannot be written.
bool WriteMasterPassword(const QByteArray& master);

// One password as a settings file keeps it: "|cipher|" with protection on and a master password set,
// else the plain text.
QByteArray ProtectPassword(const QByteArray& plain);
// A password framed by bars is decrypted with the master password; any other is plain already.
QByteArray UnprotectPassword(const QByteArray& stored);

// Before a save: with protection on and a master password set, every SITE's PASSWORD becomes "|cipher|".
void ProtectSitePasswords(CXmlDocument& document);
// After a load or save: every PASSWORD framed by bars is decrypted with the master password.
void UnprotectSitePasswords(CXmlDocument& document);
