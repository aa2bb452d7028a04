#pragma once

#include <QByteArray>
#include <span>
#include <string_view>

// The parsers that take bytes from outside (servers, stored files, typed or passed addresses), each
// behind one function that feeds it an input. The libFuzzer programs and the corpus replay in the test
// run call the same functions. A broken invariant aborts, so it counts as a crash in both.
struct FuzzTarget
{
    const char* name; // the program's suffix and the corpus folder's name
    void (*run)(const QByteArray& input);
};

std::span<const FuzzTarget> FuzzTargets();
const FuzzTarget* FindFuzzTarget(std::string_view name);
