#pragma once

#include <QString>

#include <optional>

// The address a PASV reply names, as a server-to-server copy hands it to the other server.
struct CPassiveAddress
{
    QString host; // "h1,h2,h3,h4"
    int port = 0;

    // The argument of PORT: "h1,h2,h3,h4,p1,p2".
    QString PortArgument() const;
};

// The text between the first "(" and the first ")" (to the end without one), six comma-separated
// numbers of 0 to 255. Nothing for anything else.
std::optional<CPassiveAddress> ParsePassiveReply(const QString& reply);
