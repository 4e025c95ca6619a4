#pragma once
// Peak resident memory of the benchmark process so far, for the figures each benchmark prints.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

inline double PeakResidentMB()
{
    // The high-water mark of this program's own memory: getrusage's maximum is carried over from
    // the process that started this one, and so says nothing when that one was larger.
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kib = -1;
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmHWM:", 6) == 0)
                kib = std::atol(line + 6);
        std::fclose(status);
        if (kib >= 0)
            return double(kib) / 1024.0;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}
