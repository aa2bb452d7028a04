#pragma once

#include "servers/TestServer.h"

#include <QString>

// The test program's harness servers: each kind is started on first use and shared by every test of the
// program; all of them are stopped when the program's application object goes away. No test starts or
// stops one itself, except a test that needs a second server of a kind.
namespace Harness
{
// nullptr when the server did not start; Error() then says why.
CTestServer* Server(const QString& kind);
// As Server(), and the running test fails with the reason when the server did not start.
CTestServer* Require(const QString& kind);
QString Error(const QString& kind);
} // namespace Harness
