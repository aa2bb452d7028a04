#include "fuzz/FuzzTargets.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
const FuzzTarget* g_target = nullptr;
}

// The target is named by ZENTRAVA_FUZZ_TARGET, so one program serves every parser.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* name = getenv("ZENTRAVA_FUZZ_TARGET");
    g_target = name ? FindFuzzTarget(name) : nullptr;
    if (!g_target)
    {
        std::fprintf(stderr, "Set ZENTRAVA_FUZZ_TARGET to one of:");
        for (const FuzzTarget& target : FuzzTargets())
            std::fprintf(stderr, " %s", target.name);
        std::fprintf(stderr, "\n");
        exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_target->run(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
