#pragma once
// What every document benchmark needs: a private scratch folder for settings and temporary files
// and message boxes answered on stderr.
#include "bench/peak_memory.h"
#include "platform/message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

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
