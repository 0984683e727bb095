// The libFuzzer entry point of a fuzz executable: it is linked with exactly
// one target and feeds it every input libFuzzer makes.

#include <cstdio>
#include <cstdlib>

#include "FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const vexlar::fuzz::Target target = [] {
        const auto& targets = vexlar::fuzz::Targets();
        if (targets.size() != 1) {
            std::fprintf(stderr, "vexlar fuzz: %zu targets linked, expected one\n", targets.size());
            std::abort();
        }
        return targets.begin()->second;
    }();
    return target(data, size);
}
