#pragma once

#include <QString>

// folder + "/" + name, without doubling the slash when the folder already ends in one (the root "/").
QString JoinRemotePath(const QString& folder, const QString& name);
