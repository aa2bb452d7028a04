#pragma once

#include "cli/FtpUrl.h"
#include "cli/ProxyUrl.h"

#include <optional>

// What a command's options add to the connection its URL names.
struct UrlTargetOptions
{
    std::optional<QString> password; // --password-file; else the URL's own
    QString keyFile;                 // sftp: public-key log-in
    QByteArray keyPassphrase;
    bool active = false;
    std::optional<CProxyUrl> proxy; // none given: the settings' Proxy section
};

// The settings' connection time-out, for every connection of the command line.
int ConnectionTimeoutMs();

// The one place the command line makes a connection target from a URL.
CConnectionTarget UrlTarget(const CFtpUrl& url, const UrlTargetOptions& options);
