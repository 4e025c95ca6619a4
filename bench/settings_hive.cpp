// Settings hive: time to parse a 6.5 MB hive on the first read, then to answer 10,000 reads and
// 100 writes from the copy kept in memory.
#include <chrono>
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/registry.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(scratch.path()));
    QByteArray text = "Windows Registry Editor Version 5.00\n\n";
    int keys = 0;
    while (text.size() < 6500 * 1024) {
        text += "[HKEY_CURRENT_USER\\Software\\Bulk\\Key" + QByteArray::number(keys++) + "]\n";
        for (int v = 0; v < 20; ++v)
            text += "\"Value" + QByteArray::number(v) + "\"=\"some stored text of a setting\"\n";
        text += "\n";
    }
    text += "[HKEY_CURRENT_USER\\Software\\Tarnwick\\Korvane\\2.x\\BasicInfo]\n\"LastDir\"=\"/home/u\"\n";
    QFile f(RegHiveFile(RootKey::CurrentUser));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    f.close();

    using clock = std::chrono::steady_clock;
    auto ms = [](clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const QString key = QStringLiteral("Software\\Tarnwick\\Korvane\\2.x");
    const auto start = clock::now();
    TRegIniFile(key).ReadString(QStringLiteral("BasicInfo"), QStringLiteral("LastDir"), QString());
    const auto parsed = clock::now();
    for (int i = 0; i < 10000; ++i)
        TRegIniFile(key).ReadString(QStringLiteral("BasicInfo"), QStringLiteral("LastDir"), QString());
    const auto read = clock::now();
    for (int i = 0; i < 100; ++i)
        TRegIniFile(key).WriteInteger(QStringLiteral("BasicInfo"), QStringLiteral("Left"), i);
    const auto written = clock::now();
    std::printf("hive %.1f MB, %d keys: first read (parse) %.1f ms; 10,000 reads %.1f ms; 100 writes %.1f ms; parses %d\n",
                text.size() / 1048576.0, keys, ms(parsed - start), ms(read - parsed), ms(written - read),
                RegHiveFileParses());
    return 0;
}
