#pragma once

class CFtpComponent;
class QString;

// The program's settings as every connection applies them before it connects: a connection window's
// session, a server-to-server destination and each transfer worker.

// The component's protocol for the site's protocol type (0 FTP, 1 implicit TLS, 2 explicit TLS, 3 SFTP),
// then the TLS settings (section "SSL": client certificate and key) or the SSH2 settings (section
// "SSH2": public-key log-in). A key or certificate that cannot be loaded leaves those settings out;
// the reason is returned (empty when all went well) for the caller's log. Where SSH2 forbids password
// log-in, a key that cannot be loaded still leaves the component at key-only log-in, so the password
// never goes out in its place. Client certificate and key of an earlier call are cleared first.
QString ApplyProtocolSettings(CFtpComponent& component, int siteProtocolType, bool clearDataChannel);

// The proxy of section "Proxy"; its type numbers 6, 7 and 8 become the FTP proxy styles.
void ApplyProxySettings(CFtpComponent& component);

// Passive data connections for the site's data mode: 0 follows the program's "DataMode", 1 is active,
// 2 and 3 passive.
bool IsPassiveDataMode(int siteDataMode);
