// The one fuzz body: libFuzzer drives the target named by -target=NAME (or the environment's
// KORVANE_FUZZ_TARGET), with the limits every reader runs under.
#include "fuzz_target.h"

#include "platform/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, fuzz::Body>& Targets()
{
    static std::map<std::string, fuzz::Body> targets;
    return targets;
}

const fuzz::Body* chosen = nullptr;

void ListTargets(FILE* to)
{
    for (const auto& target : Targets())
        std::fprintf(to, "%s\n", target.first.c_str());
}

} // namespace

bool fuzz::Register(std::initializer_list<Target> targets)
{
    for (const Target& t : targets)
        if (!Targets().emplace(t.name, t.body).second) {
            std::fprintf(stderr, "fuzz target %s registered twice\n", t.name);
            std::abort();
        }
    return true;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    const char* name = std::getenv("KORVANE_FUZZ_TARGET");
    // Our own options are taken out: libFuzzer parses the rest after this returns.
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const char* arg = (*argv)[i];
        if (std::strncmp(arg, "-target=", 8) == 0) {
            name = arg + 8;
        } else if (std::strcmp(arg, "-targets") == 0) {
            ListTargets(stdout);
            std::exit(0);
        } else {
            (*argv)[kept++] = (*argv)[i];
        }
    }
    (*argv)[kept] = nullptr;
    *argc = kept;
    const auto found = name ? Targets().find(name) : Targets().end();
    if (found == Targets().end()) {
        std::fprintf(stderr,
                     "usage: %s -target=NAME [libFuzzer options] [corpus...]\n       %s -targets\ntargets:\n",
                     (*argv)[0], (*argv)[0]);
        ListTargets(stderr);
        std::exit(1);
    }
    // Runs libFuzzer starts itself (-fork, -jobs) feed the same target.
    setenv("KORVANE_FUZZ_TARGET", name, 1);
    chosen = &found->second;
    // Keeps each run small; the check itself is what matters. A target may lower it further.
    SetGraphicPixelLimit(int64_t(1) << 22);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return (*chosen)(data, size);
}
