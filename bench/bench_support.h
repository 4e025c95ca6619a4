#pragma once
// What every document benchmark needs: a private scratch folder for settings and temporary files,
// message boxes answered on stderr, and an A4 sheet with two disc labels.
#include "document/paper_type.h"
#include "platform/guid.h"
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

inline PaperType TwoDiscA4Paper(const char* key, const QString& name)
{
    PaperType paper;
    paper.ID = NameGUID(key);
    paper.Name = name;
    paper.PaperLength = 2970;
    paper.PaperWidth = 2100;
    paper.ShapeHeight = paper.ShapeWidth = 1170;
    paper.CoreWidth = 410;
    paper.Shapes = {{1, 465, 214}, {1, 465, 1598}};
    paper.ShapeCount = 2;
    return paper;
}
