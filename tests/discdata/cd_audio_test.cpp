// The CD-audio device over disc images: track count, kinds, starts and lengths, drives that
// hold no disc, and damaged cue sheets.
#include "discdata/cd_audio.h"
#include "disc_images.h"
#include "platform/mci.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using discimages::Make;
using discimages::Track;

namespace {

struct Disc {
    int tracks = 0;
    int audio = 0;
    std::vector<int> positions, lengths; // frames
};

Disc Read(const QString& drive)
{
    Disc d;
    CCDAudio cd;
    cd.OpenElement(0, drive, false);
    d.tracks = int(cd.GetNumberOfTracks());
    for (int t = 1; t <= d.tracks; ++t) {
        if (cd.GetTrackType(t) == MCI_CDA_TRACK_AUDIO)
            ++d.audio;
        d.positions.push_back(MsfFrames(cd.GetTrackPosition(t)));
        d.lengths.push_back(MsfFrames(cd.GetTrackLength(t)));
    }
    cd.Close();
    return d;
}

} // namespace

TEST(CDAudioTest, AudioDiscStartsAndLengths)
{
    const QString cue = Make(testsupport::freshDir(QStringLiteral("cd-audio")), QStringLiteral("album"),
                             {{true, 180 * 75}, {true, 240 * 75}});
    const Disc d = Read(cue);
    EXPECT_EQ(d.tracks, 2);
    EXPECT_EQ(d.audio, 2);
    EXPECT_EQ(d.positions, (std::vector<int>{150, 13650}));
    EXPECT_EQ(d.lengths, (std::vector<int>{13500, 18000}));
    // The lead-out: the last start plus its length.
    EXPECT_EQ((d.positions.back() + d.lengths.back()) / 75, 422);
    CCDAudio cd;
    ASSERT_EQ(cd.OpenElement(0, cue, true), 0u);
    EXPECT_NE(cd.GetDeviceId(), 0u);
    const uint32_t length = cd.GetTrackLength(1);
    EXPECT_EQ(MCI_MSF_MINUTE(length), 3u);
    EXPECT_EQ(MCI_MSF_SECOND(length), 0u);
    EXPECT_EQ(cd.GetMode(), MCI_MODE_STOP);
    EXPECT_EQ(cd.GetTrackType(3), 0u);
    EXPECT_EQ(cd.Close(), 0u);
}

TEST(CDAudioTest, MixedDiscWithDataFirst)
{
    const QString cue = Make(testsupport::freshDir(QStringLiteral("cd-mixed")), QStringLiteral("mixed"),
                             {{false, 60 * 75}, {true, 180 * 75}});
    const Disc d = Read(cue);
    EXPECT_EQ(d.tracks, 2);
    EXPECT_EQ(d.audio, 1);
    EXPECT_EQ(d.positions, (std::vector<int>{150, 4650}));
    EXPECT_EQ(d.lengths, (std::vector<int>{4500, 13500}));
}

TEST(CDAudioTest, NoDiscAndDamagedSheetsGiveNoTracks)
{
    const QString dir = testsupport::freshDir(QStringLiteral("cd-damaged"));
    const struct {
        const char* name;
        QByteArray cue;
    } sheets[] = {
        {"empty", ""},
        {"garbage", "\x01\x02 not a cue sheet at all\n"},
        {"missing_bin", "FILE \"nowhere.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
        {"index_past_end",
         "FILE \"tiny.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
         "    INDEX 01 99:59:74\n"},
        {"track_99", "FILE \"tiny.bin\" BINARY\n  TRACK 99 AUDIO\n    INDEX 01 00:00:00\n"},
        {"no_index", "FILE \"tiny.bin\" BINARY\n  TRACK 01 AUDIO\n"},
        {"huge_msf", "FILE \"tiny.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 99999999:99:99\n"},
    };
    QFile tiny(dir + QStringLiteral("/tiny.bin"));
    tiny.open(QIODevice::WriteOnly);
    tiny.write(QByteArray(2352 * 10, '\0'));
    tiny.close();
    for (const auto& s : sheets) {
        const QString path = dir + u'/' + QLatin1String(s.name) + QStringLiteral(".cue");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(s.cue);
        f.close();
        const Disc d = Read(path);
        // Whatever the sheet says, every track read lies on the disc and is counted once.
        EXPECT_LE(d.tracks, 99) << s.name;
        for (size_t i = 0; i < d.positions.size(); ++i) {
            EXPECT_GE(d.positions[i], 0) << s.name;
            EXPECT_GE(d.lengths[i], 0) << s.name;
        }
    }
    for (const QString& drive : {QString(), dir + QStringLiteral("/absent.cue"), dir}) {
        const Disc d = Read(drive);
        EXPECT_EQ(d.tracks, 0);
        EXPECT_EQ(d.audio, 0);
    }
    CCDAudio unopened;
    EXPECT_EQ(unopened.GetDeviceId(), 0u);
    EXPECT_EQ(unopened.GetNumberOfTracks(), 0u);
    EXPECT_EQ(unopened.Close(), MCIERR_INVALID_DEVICE_ID);
}

TEST(CDAudioTest, DrivesListedForTests)
{
    qputenv("KORVANE_CD_DRIVES", QByteArray("/tmp/a.cue:/tmp/b.cue"));
    EXPECT_EQ(CdAudioDrives(), (QStringList{QStringLiteral("/tmp/a.cue"), QStringLiteral("/tmp/b.cue")}));
    qunsetenv("KORVANE_CD_DRIVES");
}
