// Every fuzz target lives in one executable: each file registers its targets by name, and
// `korvane_fuzz -target=NAME` picks the one a run feeds (fuzz_main.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace fuzz {

// Takes one input; returns 0 as LLVMFuzzerTestOneInput does, and aborts on a fault.
using Body = std::function<int(const uint8_t* data, size_t size)>;

struct Target {
    const char* name;
    Body body;
};

// Adds targets at start-up (a name used twice stops the program); true, to initialise a static.
bool Register(std::initializer_list<Target> targets);

} // namespace fuzz

// Defines the body of the target NAME and registers it:
//     KORVANE_FUZZ_TARGET(gif) { ...data, size...; return 0; }
#define KORVANE_FUZZ_TARGET(NAME)                                                                            \
    static int FuzzTarget_##NAME(const uint8_t* data, size_t size);                                          \
    [[maybe_unused]] static const bool FuzzTargetRegistered_##NAME =                                         \
        fuzz::Register({{#NAME, FuzzTarget_##NAME}});                                                        \
    static int FuzzTarget_##NAME(const uint8_t* data, size_t size)
