#pragma once

#include <QString>

class CSiteList;

// Turns Security\KeyringPasswords on or off, moving every stored password (each site's in the loaded
// list, the proxy's and the two key pass phrases) into the desktop's keyring or back into sites.xml and
// the settings file, protected there as the settings say. Empty when done; else what could not move and
// why, with the switch as it was and no password lost.
QString SwitchKeyringPasswords(bool intoKeyring, CSiteList& sites);
