#pragma once

#include "engine/ConnectionTarget.h"

#include <QString>

class CFtpSite;

// The one place a connection target is made from a site and the program's settings: a connection
// window's session, a transfer job, a server-to-server destination and the command line's sites.

// The site's fields with the program's settings: its protocol with the TLS settings (section "SSL":
// client certificate and key) or the SSH2 settings (section "SSH2": public-key log-in), its data mode,
// the proxy of section "Proxy". A key or certificate that cannot be loaded is left out and the reason
// put in *problem (left empty when all went well) for the caller's log; where SSH2 forbids password
// log-in such a key still leaves the target at key-only log-in, so the password never goes out in its
// place.
CConnectionTarget SiteTarget(const CFtpSite& site, int timeoutMs, QString* problem);

// The protocol for the site's protocol type (0 FTP, 1 implicit TLS, 2 explicit TLS, 3 SFTP) with the
// TLS or SSH2 settings as above; the reason a key could not be loaded is returned.
QString ApplyProtocolSettings(CConnectionTarget& target, int siteProtocolType, bool clearDataChannel);

// The proxy of section "Proxy"; its type numbers 6, 7 and 8 become the FTP proxy styles.
void ApplyProxySettings(CConnectionTarget& target);

// Passive data connections for the site's data mode: 0 follows the program's "DataMode", 1 is active,
// 2 and 3 passive.
bool IsPassiveDataMode(int siteDataMode);
