#pragma once
// Disc images for the CD tests: a ".cue" sheet over one sparse ".bin" file, so that minutes
// of audio cost no disc space.
#include <QDir>
#include <QFile>
#include <QString>
#include <vector>

namespace discimages {

struct Track {
    bool audio;
    int frames; // 75 a second
};

inline QString Msf(int frames)
{
    return QString::asprintf("%02d:%02d:%02d", frames / 4500, frames / 75 % 60, frames % 75);
}

// Writes dir/name.cue and dir/name.bin; the path of the ".cue".
inline QString Make(const QString& dir, const QString& name, const std::vector<Track>& tracks)
{
    QDir().mkpath(dir);
    const QString bin = name + QStringLiteral(".bin");
    QString cue = QStringLiteral("FILE \"%1\" BINARY\n").arg(bin);
    int start = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 %2\n")
                   .arg(i + 1, 2, 10, QLatin1Char('0'))
                   .arg(tracks[i].audio ? QStringLiteral("AUDIO") : QStringLiteral("MODE1/2352"));
        cue += QStringLiteral("    INDEX 01 %1\n").arg(Msf(start));
        start += tracks[i].frames;
    }
    QFile b(dir + u'/' + bin);
    b.open(QIODevice::WriteOnly);
    b.resize(qint64(start) * 2352);
    b.close();
    const QString path = dir + u'/' + name + QStringLiteral(".cue");
    QFile c(path);
    c.open(QIODevice::WriteOnly);
    c.write(cue.toLatin1());
    return path;
}

} // namespace discimages
