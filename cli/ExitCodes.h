#pragma once

enum ExitCode
{
    ExitSuccess = 0,
    // The operation failed or found nothing.
    ExitFailure = 1,
    // The command line was not understood.
    ExitUsage = 2
};
