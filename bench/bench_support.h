#pragma once
// What every document benchmark needs: a private scratch folder for settings and temporary files
// and message boxes answered on stderr.
#include "platform/message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

// Call before the QApplication exists.
inline void PrepareBenchEnvironment(const QTemporaryDir& scratch)
{
    qputenv("TMPDIR", QFile::encodeName(scratch.path() + "/tmp"));
    qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(scratch.path() + "/registry"));
    QDir().mkpath(scratch.path() + "/tmp");
    QDir().mkpath(scratch.path() + "/registry");
}

inline void AnswerMessagesOnStderr()
{
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        std::fprintf(stderr, "message: %s\n", qPrintable(call.text));
        return IDOK;
    });
}

// The process's peak resident memory so far.
inline double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}
