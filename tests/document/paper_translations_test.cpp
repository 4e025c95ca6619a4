// Paper texts in the interface language and the mask table's pictures.

#include <gtest/gtest.h>

#include <QImage>

#include <functional>

#include "document/paper_translations.h"
#include "document/std.h"
#include "paper_test_support.h"
#include "platform/bitmap.h"
#include "platform/guid.h"

using namespace papertest;

namespace {

struct LanguageGuard {
    unsigned saved = CurrentLanguage;
    ~LanguageGuard() { CurrentLanguage = saved; }
};

void WriteBlackBmp(const QString& path, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    img.save(path, "BMP");
}

}  // namespace

TEST(PaperTranslations, LanguageSections)
{
    struct Case {
        uint32_t code;
        const char* section;
    };
    const std::vector<Case> cases = {
        {0x00010009, "ENGLISH"}, {0x00010004, "CHINESE_TRADITIONAL"}, {0x00020004, "CHINESE_SIMPLIFIED"},
        {0x00030004, ""}, {0x00000011, "JAPANESE"}, {0x00010007, "GERMAN"}, {0x0001000C, "FRENCH"},
        {0x0001000A, "SPANISH"}, {0x00000005, "CZECH"}, {0x0001001D, "SWEDISH"}, {0x00010013, ""},
        {0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaperLanguageSection(c.code), QString::fromLatin1(c.section)) << std::hex << c.code;
}

TEST(PaperTranslations, ValueSplitting)
{
    struct Case {
        const char* value;
        const char* name;
        const char* maker;
        const char* cls;
        const char* description;
    };
    const std::vector<Case> cases = {
        {"N,M,C,D", "N", "M", "C", "D"},
        {"N,M,C,one, two, three", "N", "M", "C", "one, two, three"},
        {"first^^second", "", "", "", "first\r\nsecond"},
        {"N,rest", "N", "", "", "rest"},
        {"N,M,,", "N", "M", "", ""},
        {",,,^^^^", "", "", "", "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const PaperTexts t = SplitPaperTranslation(QString::fromLatin1(c.value));
        EXPECT_EQ(t.Name, QString::fromLatin1(c.name));
        EXPECT_EQ(t.Manufacturer, QString::fromLatin1(c.maker));
        EXPECT_EQ(t.Classification, QString::fromLatin1(c.cls));
        EXPECT_EQ(t.Description, QString::fromLatin1(c.description));
    }
    const PaperTexts longOnes = SplitPaperTranslation(QString(50, 'n') + "," + QString(30, 'm') + ",c,"
                                                      + QString(300, 'd'));
    EXPECT_EQ(longOnes.Name.size(), 39);
    EXPECT_EQ(longOnes.Manufacturer.size(), 24);
    EXPECT_EQ(longOnes.Description.size(), 255);
}

TEST(PaperTranslations, LanguagesApplyAndTheFileTextsReturn)
{
    LanguageGuard language;
    const QString dir = MakeProgramDir(QStringLiteral("translations"));
    auto a = Paper(1);
    auto b = Paper(2);
    auto u = Paper(3, 1, 1);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get(), b.get()}));
    WriteBytes(dir + "/Paper/user.def", DefFile({u.get()}));
    const QString ida = GUIDToString(Id(1)), idb = GUIDToString(Id(2)), idu = GUIDToString(Id(3));
    WriteBytes(dir + "/Paper/a.lng",
               ("[GERMAN]\r\n" + ida + "=Papier A,Hersteller,Etikett,Zwei Scheiben, A4^^zweite Zeile\r\n"
                + idb + "=nur Beschreibung\r\n" + "not-a-guid=x,y,z,w\r\n" + idu + "=Benutzer,U,U,U\r\n"
                + "[FRENCH]\r\n" + ida + "=Papier fr,Fabricant,Etiquette,Deux\r\n").toLatin1());
    WriteBytes(dir + "/Paper/b.lng", ("[GERMAN]\r\n" + idb + "=Papier B,H,E,spaeter\r\n").toLatin1());

    CatalogueGuard guard;
    CurrentLanguage = 0x00010007;
    ASSERT_TRUE(LoadPaperCatalogue());
    LoadPaperTranslations();
    const PaperType* pa = FindPaperType(Id(1));
    EXPECT_EQ(pa->Name, QStringLiteral("Papier A"));
    EXPECT_EQ(pa->Manufacturer, QStringLiteral("Hersteller"));
    EXPECT_EQ(pa->Classification, QStringLiteral("Etikett"));
    EXPECT_EQ(pa->Description, QStringLiteral("Zwei Scheiben, A4\r\nzweite Zeile"));
    EXPECT_EQ(FindPaperType(Id(2))->Name, QStringLiteral("Papier B"));  // later file wins
    EXPECT_EQ(FindPaperType(Id(3))->Name, QStringLiteral("Benutzer"));

    CurrentLanguage = 0x0001000C;
    LoadPaperTranslations();
    EXPECT_EQ(pa->Name, QStringLiteral("Papier fr"));
    EXPECT_EQ(FindPaperType(Id(2))->Name, QStringLiteral("Paper 2"));  // back to its file's text

    // A language without a section: shipped papers show their files' texts;
    // user papers keep what they hold.
    CurrentLanguage = 0x00010013;
    LoadPaperTranslations();
    EXPECT_EQ(pa->Name, QStringLiteral("Paper 1"));
    EXPECT_EQ(pa->Description, a->Description);
    EXPECT_EQ(FindPaperType(Id(3))->Name, QStringLiteral("Benutzer"));
}

TEST(PaperBitmaps, MaskTableAttachesPicturesWhereFlagsAskForThem)
{
    const QString dir = MakeProgramDir(QStringLiteral("bitmaps"));
    auto withBoth = Paper(1);
    withBoth->HasPreview = 1;
    withBoth->HasShapeMask = 1;
    auto flagsClear = Paper(2);
    auto missingFile = Paper(3);
    missingFile->HasPreview = 1;
    auto damagedFile = Paper(4);
    damagedFile->HasShapeMask = 1;
    WriteBytes(dir + "/Paper/maker.def",
               DefFile({withBoth.get(), flagsClear.get(), missingFile.get(), damagedFile.get()}));
    QDir(dir).mkpath("Paper/mask");
    WriteBlackBmp(dir + "/Paper/mask/prev.bmp", 60, 40);
    WriteBlackBmp(dir + "/Paper/mask/Mask.BMP", 30, 30);
    WriteBytes(dir + "/Paper/mask/bad.bmp", "BM not really");
    const QString id1 = GUIDToString(Id(1)), id2 = GUIDToString(Id(2)), id3 = GUIDToString(Id(3)),
                  id4 = GUIDToString(Id(4));
    WriteBytes(dir + "/Paper/maskfile.ini",
               ("[paper_preview]\r\n" + id1 + "=prev.bmp\r\n" + id2 + "=prev.bmp\r\n" + id3 + "=gone.bmp\r\n"
                + "{bad guid}=prev.bmp\r\n" + GUIDToString(Id(9)) + "=prev.bmp\r\n"
                + "[shape_mask]\r\n" + id1 + "=mask.bmp\r\n" + id4 + "=bad.bmp\r\n").toLatin1());

    CatalogueGuard guard;
    ASSERT_TRUE(LoadPaperCatalogue());  // loads the pictures too
    const PaperType* p1 = FindPaperType(Id(1));
    ASSERT_NE(p1->PreviewBitmap, nullptr);
    EXPECT_EQ(p1->PreviewBitmap->Width(), 60);
    EXPECT_EQ(p1->PreviewBitmap->Height(), 40);
    ASSERT_NE(p1->ShapeMaskBitmap, nullptr);  // "mask.bmp" found as "Mask.BMP"
    EXPECT_EQ(p1->ShapeMaskBitmap->Width(), 30);
    EXPECT_EQ(FindPaperType(Id(2))->PreviewBitmap, nullptr);
    EXPECT_EQ(FindPaperType(Id(3))->PreviewBitmap, nullptr);
    EXPECT_EQ(FindPaperType(Id(4))->ShapeMaskBitmap, nullptr);

    PaperType copy;
    ASSERT_TRUE(CopyPaperType(p1, &copy));
    EXPECT_EQ(copy.PreviewBitmap, p1->PreviewBitmap);
}

TEST(PaperBitmaps, NoMaskTableIsNoError)
{
    const QString dir = MakeProgramDir(QStringLiteral("bitmaps-none"));
    auto a = Paper(1);
    a->HasPreview = 1;
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
    CatalogueGuard guard;
    MessageRecorder messages;
    ASSERT_TRUE(LoadPaperCatalogue());
    EXPECT_EQ(FindPaperType(Id(1))->PreviewBitmap, nullptr);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST(PaperTranslations, DamagedTranslationFilesNeverStopTheOthers)
{
    LanguageGuard language;
    const QString id1 = GUIDToString(Id(1));
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919) % 256);
    const std::vector<Case> cases = {
        {"random bytes", garbage},
        {"UTF-16 mark with an odd length", QByteArray("\xFF\xFE[\0G\0", 7)},
        {"unclosed section line", ("[GERMAN\r\n" + id1 + "=x,y,z,w\r\n").toLatin1()},
        {"NUL bytes inside the line", QByteArray("[GERMAN]\r\n") + id1.toLatin1() + QByteArray("=a\0b,c\0,d,e\0", 12)},
        {"key without a value", ("[GERMAN]\r\n" + id1 + "\r\n=\r\n").toLatin1()},
        {"GUID text in lower case without braces", "[GERMAN]\r\n11110001-2222-3333-0102-030405060708=x,y,z,w\r\n"},
        {"carriage returns only", ("[GERMAN]\r" + id1 + "=x,y,z,w\r").toLatin1()},
        {"huge value", "[GERMAN]\r\n" + id1.toLatin1() + "=" + QByteArray(200000, 'n') + "," + QByteArray(100, 'm')
                           + ",c," + QByteArray(200000, 'd') + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = MakeProgramDir(QStringLiteral("lng-damaged"));
        auto a = Paper(1);
        auto b = Paper(2);
        WriteBytes(dir + "/Paper/maker.def", DefFile({a.get(), b.get()}));
        WriteBytes(dir + "/Paper/a.lng", c.bytes);
        // A good file beside the damaged one still applies.
        WriteBytes(dir + "/Paper/b.lng", ("[GERMAN]\r\n" + GUIDToString(Id(2)) + "=Gut,H,E,D\r\n").toLatin1());

        CatalogueGuard guard;
        MessageRecorder messages;
        CurrentLanguage = 0x00010007;
        ASSERT_TRUE(LoadPaperCatalogue());
        LoadPaperTranslations();
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(FindPaperType(Id(2))->Name, QStringLiteral("Gut"));
        const PaperType* p = FindPaperType(Id(1));
        EXPECT_LT(p->Name.size(), PaperNameSize);
        EXPECT_LT(p->Manufacturer.size(), PaperManufacturerSize);
        EXPECT_LT(p->Classification.size(), PaperClassificationSize);
        EXPECT_LT(p->Description.size(), PaperDescriptionSize);
    }
}

TEST(PaperBitmaps, DamagedMaskTablesAndPicturesAreSkipped)
{
    struct Case {
        const char* name;
        QByteArray table;                  // maskfile.ini
        std::function<void(const QString& dir)> pictures;
    };
    const QByteArray id = GUIDToString(Id(1)).toLatin1();
    auto bmpHeader = [](int32_t w, int32_t h) {
        QByteArray b("BM", 2);
        auto i32 = [&b](int32_t v) { for (int k = 0; k < 4; ++k) b += char(uint32_t(v) >> (8 * k) & 0xFF); };
        i32(54 + 16); i32(0); i32(54); i32(40); i32(w); i32(h);
        b += QByteArray("\x01\x00\x18\x00", 4);
        i32(0); i32(0); i32(3780); i32(3780); i32(0); i32(0);
        return b + QByteArray(16, '\0');
    };
    const std::vector<Case> cases = {
        {"random bytes", QByteArray(3000, '\x9B'), [](const QString&) {}},
        {"name leading out of the mask folder", "[paper_preview]\r\n" + id + "=../../outside.bmp\r\n",
         [](const QString& dir) { WriteBlackBmp(dir + "/outside.bmp", 8, 8); }},
        {"name of a folder", "[paper_preview]\r\n" + id + "=sub\r\n",
         [](const QString& dir) { QDir(dir).mkpath("Paper/mask/sub"); }},
        {"empty name", "[paper_preview]\r\n" + id + "=\r\n", [](const QString&) {}},
        {"truncated picture", "[paper_preview]\r\n" + id + "=cut.bmp\r\n",
         [&](const QString& dir) { WriteBytes(dir + "/Paper/mask/cut.bmp", bmpHeader(40, 40)); }},
        {"picture of absurd size", "[paper_preview]\r\n" + id + "=huge.bmp\r\n",
         [&](const QString& dir) {
             WriteBytes(dir + "/Paper/mask/huge.bmp", bmpHeader(0x7FFFFFF, 0x7FFFFFF));
         }},
        {"negative size", "[paper_preview]\r\n" + id + "=neg.bmp\r\n",
         [&](const QString& dir) { WriteBytes(dir + "/Paper/mask/neg.bmp", bmpHeader(-5, 7)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = MakeProgramDir(QStringLiteral("mask-damaged"));
        QDir(dir).mkpath("Paper/mask");
        auto a = Paper(1);
        a->HasPreview = 1;
        WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
        WriteBytes(dir + "/Paper/maskfile.ini", c.table);
        c.pictures(dir);

        CatalogueGuard guard;
        MessageRecorder messages;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_TRUE(messages.texts.isEmpty());
        EXPECT_EQ(FindPaperType(Id(1))->PreviewBitmap, nullptr);
    }
}
