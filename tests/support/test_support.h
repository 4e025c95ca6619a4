#pragma once
#include "platform/message_box.h"

#include <QString>
#include <initializer_list>
#include <QStringList>

struct PaperType;
class TRegIniFile;

namespace testsupport {
// The program's settings, under its product key.
TRegIniFile Settings();
// A fresh empty folder under the test's own temporary root; removed at exit.
QString freshDir(const QString& name);
// Puts the named environment variables back, or unsets them, as they were when it was made.
class SavedEnvironment {
public:
    explicit SavedEnvironment(std::initializer_list<const char*> names);
    ~SavedEnvironment();
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};
// Path of a file under tests/fixtures.
QString fixture(const QString& relative);
// A fresh program folder (as freshDir) whose "Paper" folder holds these papers in one file.
QString programWithPapers(const QString& name, std::initializer_list<const PaperType*> papers);

// Answers every message box with answer (OK unless told) and keeps its text while it lives.
class MessageRecorder {
public:
    explicit MessageRecorder(int answer = IDOK) : answer(answer)
    {
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            texts << call.text;
            return this->answer;
        });
    }
    ~MessageRecorder() { SetMessageBoxHandler(nullptr); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    int answer;
    QStringList texts;
};

// Makes a folder refuse new entries while it lives: its write bits go, and where they stop no
// one (root) the immutable flag is set. Ok() is false when neither works here.
class FolderLock {
public:
    explicit FolderLock(const QString& dir);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Ok() const { return m_ok; }

private:
    QString m_dir;
    bool m_immutable = false;
    bool m_ok = false;
};
}
