#pragma once
// SANE's "test" backend for the scanner tests: a private configuration folder holding dll.conf
// and test.conf, named by SANE_CONFIG_DIR while the object lives.
#include "support/test_support.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

class SaneTestBackend {
public:
    // testConf: lines for test.conf; withBackend false leaves the "test" backend out of dll.conf,
    // so the library starts and finds no scanner.
    explicit SaneTestBackend(const QString& name, const QByteArray& testConf = DefaultConf(),
                             bool withBackend = true)
        : m_saved(qgetenv("SANE_CONFIG_DIR"))
    {
        const QString dir = freshDir(name);
        write(dir + QStringLiteral("/dll.conf"), withBackend ? QByteArray("test\n") : QByteArray());
        write(dir + QStringLiteral("/test.conf"), testConf);
        qputenv("SANE_CONFIG_DIR", dir.toLocal8Bit());
        qunsetenv("KORVANE_SANE_LIBRARY");
    }
    ~SaneTestBackend()
    {
        if (m_saved.isEmpty())
            qunsetenv("SANE_CONFIG_DIR");
        else
            qputenv("SANE_CONFIG_DIR", m_saved);
    }
    SaneTestBackend(const SaneTestBackend&) = delete;
    SaneTestBackend& operator=(const SaneTestBackend&) = delete;

    // Two scanners scanning a black colour page of 20 x 10 mm at 50 dpi (39 x 19 pixels).
    static QByteArray DefaultConf()
    {
        return "number_of_devices 2\nmode Color\ndepth 8\nresolution 50\ntest-picture \"Solid black\"\n"
               "tl_x 0\ntl_y 0\nbr_x 20\nbr_y 10\n";
    }

private:
    static void write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(data);
    }
    QByteArray m_saved;
};

} // namespace testsupport
