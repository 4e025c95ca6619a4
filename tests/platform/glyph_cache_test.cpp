// Large text from cached glyph masks looks like the painter's own text, and is left to the painter
// wherever a mask would be wrong.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <thread>

#include "platform/glyph_cache.h"

namespace {

struct Case {
    const char* name;
    int pixelSize;
    double rotate; // degrees
    double scale;
    bool bold;
    bool italic;
};

struct Drawn {
    QImage image;
    bool cached = false;
};

Drawn Draw(const Case& c, bool useCache, const QString& text = QStringLiteral("Track 7  Wavy jig"))
{
    Drawn d;
    d.image = QImage(900, 500, QImage::Format_RGB32);
    d.image.fill(Qt::white);
    QPainter p(&d.image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(c.pixelSize);
    f.setBold(c.bold);
    f.setItalic(c.italic);
    f.setKerning(false);
    p.setFont(f);
    p.setPen(QColor(20, 40, 160));
    p.translate(60, 200);
    p.rotate(-c.rotate);
    p.scale(c.scale, c.scale);
    const QPointF baseline(0, 0);
    if (useCache)
        d.cached = DrawLargeText(p, baseline, text);
    else
        p.drawText(baseline, text);
    return d;
}

// Pixels at least half covered by ink.
std::vector<bool> InkMask(const QImage& img, int* count)
{
    std::vector<bool> mask(size_t(img.width()) * img.height());
    *count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qRed(img.pixel(x, y)) < 128) {
                mask[size_t(y) * img.width() + x] = true;
                ++*count;
            }
    return mask;
}

} // namespace

TEST(GlyphCache, LargeTextMatchesThePaintersOwn)
{
    const Case cases[] = {
        {"plain 100 px", 100, 0, 1, false, false},
        {"bold italic 90 px", 90, 0, 1, true, true},
        {"rotated 30 degrees", 80, 30, 1, false, false},
        {"rotated a quarter turn", 80, 90, 1, false, false},
        {"small font scaled up by the painter", 30, 0, 3.2, false, false},
        {"scaled and rotated", 40, 15, 2.5, true, false},
    };
    // A label turned at an angle draws all its lines as one, its CR LF taking no room.
    const QString texts[] = {QStringLiteral("Track 7  Wavy jig"), QStringLiteral("Track 7\r\nWavy jig")};
    for (const Case& c : cases)
        for (const QString& text : texts) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(text.toStdString());
            ClearGlyphCache();
            const Drawn reference = Draw(c, false, text);
            for (int pass = 0; pass < 2; ++pass) { // filling the cache, then from it
                SCOPED_TRACE(pass);
                const Drawn cached = Draw(c, true, text);
                ASSERT_TRUE(cached.cached);
                int refInk = 0, ink = 0;
                const auto a = InkMask(reference.image, &refInk);
                const auto b = InkMask(cached.image, &ink);
                ASSERT_GT(refInk, 2000);
                size_t differ = 0;
                for (size_t i = 0; i < a.size(); ++i)
                    differ += a[i] != b[i];
                // Glyphs land on whole pixels, so only edge pixels may differ.
                EXPECT_LT(double(differ) / refInk, 0.12) << differ << " of " << refInk;
                EXPECT_NEAR(double(ink) / refInk, 1.0, 0.04);
                // The colour is the pen's.
                bool penColour = false;
                for (int y = 0; y < cached.image.height() && !penColour; ++y)
                    for (int x = 0; x < cached.image.width() && !penColour; ++x)
                        penColour = cached.image.pixel(x, y) == qRgb(20, 40, 160);
                EXPECT_TRUE(penColour);
            }
        }
}

TEST(GlyphCache, LeavesTextToThePainterWhereMasksWouldBeWrong)
{
    const Case big{"", 100, 0, 1, false, false};
    EXPECT_FALSE(Draw({"", 40, 0, 1, false, false}, true).cached) << "small text";
    EXPECT_FALSE(Draw(big, true, QStringLiteral("two\u2028lines")).cached);
    EXPECT_FALSE(Draw(big, true, QStringLiteral("tab\there")).cached);

    auto refused = [](auto&& setUp) {
        QImage img(400, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(100);
        p.setFont(f);
        p.setPen(Qt::black);
        setUp(p, f);
        return !DrawLargeText(p, QPointF(10, 150), QStringLiteral("Ab"));
    };
    EXPECT_TRUE(refused([](QPainter& p, QFont& f) {
        f.setUnderline(true);
        p.setFont(f);
    }));
    EXPECT_TRUE(refused([](QPainter& p, QFont& f) {
        f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
    }));
    EXPECT_TRUE(refused([](QPainter& p, QFont&) { p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); }));
    EXPECT_TRUE(refused([](QPainter& p, QFont&) { p.setPen(QColor(0, 0, 0, 100)); }));
    EXPECT_TRUE(refused([](QPainter& p, QFont&) { p.setTransform(QTransform(1, 0, 0.001, 0, 1, 0, 0, 0, 1)); }));

    // A PDF keeps its text as text.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&out);
    QPainter p(&pdf);
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(400);
    p.setFont(f);
    p.setPen(Qt::black);
    EXPECT_FALSE(DrawLargeText(p, QPointF(100, 500), QStringLiteral("Ab")));
}

TEST(GlyphCache, ThreadsShareTheCache)
{
    ClearGlyphCache();
    const Case c{"", 120, 10, 1, false, false};
    const QImage alone = Draw(c, true).image;
    ClearGlyphCache();
    QImage results[4];
    std::vector<std::thread> threads;
    for (QImage& r : results)
        threads.emplace_back([&r, &c] {
            for (int i = 0; i < 5; ++i)
                r = Draw(c, true).image;
        });
    for (auto& t : threads)
        t.join();
    for (const QImage& r : results)
        EXPECT_EQ(r, alone);
}
