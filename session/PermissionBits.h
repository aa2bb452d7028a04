#pragma once

#include <QString>

#include <optional>

// Permission bits keep one hexadecimal digit per rwx triplet (owner 0x700, group 0x70, others 0x7), so
// that the value printed in hexadecimal reads like the octal mode: rwxr-xr-x is 0x755.

// From a listing's permission text such as "drwxr-x--x" (the first character is the type letter);
// texts shorter than ten characters give 0.
int ParsePermissionBits(QStringView text);

// "d" for a folder else "-", then r, w, x or "-" for each bit from owner read down to others execute.
QString PermissionText(int bits, bool isFolder);

// The three-digit field of the properties page ("%X").
QString PermissionNumber(int bits);

// The field read back: exactly three digits 0 to 7, else nothing (the boxes stay as they are).
std::optional<int> PermissionBitsFromNumber(QStringView number);

// "SITE CHMOD %lx %s".
QString SiteChmodCommand(int bits, const QString& name);
