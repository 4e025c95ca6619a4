#pragma once
// A mount table of the test's own in place of /proc/self/mountinfo while it lives; the real
// one comes back, and is read again, however the test ends.
#include "shellcontrols/change_handler.h"
#include "shellcontrols/shell_namespace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

class TFakeMountTable {
public:
    // The root file system alone.
    static constexpr const char* RootLine = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";

    explicit TFakeMountTable(const QString& dir) : m_path(dir + QStringLiteral("/mountinfo"))
    {
        Write(RootLine);
        SetMountTableFile(m_path);
        Relay();
    }
    ~TFakeMountTable()
    {
        SetMountTableFile(QString());
        Relay();
    }
    TFakeMountTable(const TFakeMountTable&) = delete;
    TFakeMountTable& operator=(const TFakeMountTable&) = delete;

    // Replaces the table's lines.
    void Write(const QByteArray& lines)
    {
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            ADD_FAILURE() << "cannot write " << m_path.toStdString();
            return;
        }
        f.write(lines);
    }
    // Tells the relay that the table changed, as the kernel does, and lets its listeners run.
    void Relay()
    {
        NSDeviceChangeHandler()->MountTableChanged();
        QCoreApplication::processEvents();
    }

private:
    QString m_path;
};
