// The catalogue generated at build time from data/label-sheets.tsv.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include <QDirIterator>
#include <QImage>

#include "document/paper_translations.h"
#include "document/std.h"
#include "paper_test_support.h"
#include "platform/bitmap.h"
#include "platform/file_utils.h"
#include "platform/guid.h"
#include "platform/ini_file.h"

using namespace papertest;

namespace {

struct Row {
    QString brand, part, sheet, cls, kind;
    int w = 0, h = 0, hole = 0;
    std::vector<std::pair<int, int>> positions;
};

std::vector<Row> Table()
{
    const QStringList lines = QString::fromUtf8(ReadBytes(QStringLiteral(KORVANE_SOURCE_DIR "/data/label-sheets.tsv")))
                                  .split('\n', Qt::SkipEmptyParts);
    std::vector<Row> rows;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList c = lines[i].split('\t');
        Row r{c[0], c[1], c[10], c[11], c[5], c[6].toInt(), c[7].toInt(), c[8].toInt(), {}};
        for (const QString& p : c[9].split(';'))
            r.positions.push_back({p.section(',', 0, 0).toInt(), p.section(',', 1, 1).toInt()});
        rows.push_back(r);
    }
    return rows;
}

// A copy of the built program's paper folder, so tests never touch bin/.
QString CopyOfShippedPapers()
{
    const QString dir = MakeProgramDir(QStringLiteral("shipped"));
    const QString from = QStringLiteral(KORVANE_BIN_DIR "/Paper");
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = dir + "/Paper/" + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
    return dir;
}

TGUID SheetId(const Row& r) { return NameGUID((r.brand + "/" + r.sheet).toUtf8()); }

}  // namespace

TEST(ShippedPapers, EveryRowOfTheTableIsInTheCatalogue)
{
    CopyOfShippedPapers();
    const std::vector<Row> rows = Table();
    ASSERT_EQ(rows.size(), 87u);

    CatalogueGuard guard;
    MessageRecorder messages;
    ASSERT_TRUE(LoadPaperCatalogue());
    EXPECT_TRUE(messages.texts.isEmpty());

    std::set<QString> makers, sheets;
    for (const PaperType* p : PaperCatalogue()) {
        makers.insert(p->Manufacturer);
        EXPECT_EQ(p->UserDefined, 0);
        EXPECT_GT(p->ShapeCount, 0);
    }
    for (const Row& r : rows)
        sheets.insert(r.brand + "/" + r.sheet);
    EXPECT_EQ(makers.size(), 18u);
    EXPECT_EQ(PaperCatalogue().size(), sheets.size());

    std::map<QString, int> kindsSeen;
    for (const Row& r : rows) {
        SCOPED_TRACE((r.brand + " " + r.part).toStdString());
        const PaperType* p = FindPaperType(SheetId(r));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Manufacturer, r.brand);
        EXPECT_EQ(p->Classification, r.cls);
        EXPECT_TRUE(p->Name.startsWith(r.sheet.left(20)));
        const bool first = kindsSeen[r.brand + "/" + r.sheet]++ == 0;
        if (first) {
            EXPECT_EQ(p->ShapeStyle, r.kind == "cd" ? 0 : 1);
            EXPECT_EQ(p->ShapeWidth, r.w);
            EXPECT_EQ(p->ShapeHeight, r.h);
            EXPECT_EQ(p->CoreWidth, r.hole);
            ASSERT_EQ(p->Shapes.size(), r.positions.size());
            for (size_t i = 0; i < r.positions.size(); ++i) {
                EXPECT_EQ(p->Shapes[i].X, r.positions[i].first);
                EXPECT_EQ(p->Shapes[i].Y, r.positions[i].second);
            }
        } else {
            for (const auto& [x, y] : r.positions) {
                const PaperOtherShape expected{uint8_t(r.kind == "cd" ? 0 : 1), r.h, r.w, r.hole, x, y};
                EXPECT_NE(std::find(p->OtherShapes.begin(), p->OtherShapes.end(), expected), p->OtherShapes.end());
            }
        }
    }
}

TEST(ShippedPapers, FilesRoundTripByteForByte)
{
    const QString dir = CopyOfShippedPapers();
    const QStringList defs = FindFiles(dir + "/Paper", "*.def");
    ASSERT_EQ(defs.size(), 18);
    for (const QString& path : defs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray data = ReadBytes(path);
        std::vector<std::unique_ptr<PaperType>> papers;
        ASSERT_EQ(ReadPaperDefinitionData(data, papers), PaperFileResult::Ok);
        std::vector<const PaperType*> view;
        for (const auto& p : papers)
            view.push_back(p.get());
        EXPECT_EQ(WritePaperDefinitionData(view), data);
    }
}

TEST(ShippedPapers, PicturesAndMaskTable)
{
    const QString dir = CopyOfShippedPapers();
    CatalogueGuard guard;
    ASSERT_TRUE(LoadPaperCatalogue());
    int withPreview = 0, withMask = 0;
    for (const PaperType* p : PaperCatalogue()) {
        EXPECT_EQ(p->HasPreview != 0, p->PreviewBitmap != nullptr) << p->Name.toStdString();
        EXPECT_EQ(p->HasShapeMask != 0, p->ShapeMaskBitmap != nullptr) << p->Name.toStdString();
        withPreview += p->HasPreview != 0;
        withMask += p->HasShapeMask != 0;
    }
    EXPECT_GE(withPreview, 1);
    EXPECT_GE(withMask, 1);

    // A disc mask: black on the label, white in the hole and outside the disc.
    const PaperType* disc = FindPaperType(NameGUID("Avery/L6015"));
    ASSERT_NE(disc, nullptr);
    ASSERT_TRUE(disc->ShapeMaskBitmap);
    const QImage mask = disc->ShapeMaskBitmap->image().convertToFormat(QImage::Format_RGB32);
    const int w = mask.width(), h = mask.height();
    EXPECT_EQ(w, 234);
    EXPECT_EQ(mask.pixel(w / 2, h / 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(mask.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(mask.pixel(w / 2, h / 12) & 0xFFFFFF, 0u);

    // The renderer's pictures are named for every paper with a mask.
    TIniFile table(PaperMaskTableFileName());
    for (const char* section : {"shape_mask_full", "shape_mask_full_out_line"}) {
        SCOPED_TRACE(section);
        for (const PaperType* p : PaperCatalogue()) {
            if (!p->HasShapeMask)
                continue;
            const QString name = table.ReadString(section, GUIDToString(p->ID), QString());
            EXPECT_TRUE(QFileInfo(PaperMaskPictureFileName(name)).isFile()) << name.toStdString();
        }
    }
}

TEST(ShippedPapers, TranslationsOfEveryShippedLanguage)
{
    CopyOfShippedPapers();
    const unsigned saved = CurrentLanguage;
    CatalogueGuard guard;
    ASSERT_TRUE(LoadPaperCatalogue());
    const struct {
        unsigned language;
        const char* name;
        const char* classification;
        const char* sheet;
    } cases[] = {
        {0x00010007, "L6015 CD/DVD-Etikett", "CD/DVD-Etikett", "Bogen 210,0 x 297,0 mm"},
        {0x0001000C, "Étiquette CD/DVD L6015", "Étiquette CD/DVD", "Feuille 210,0 x 297,0 mm"},
        {0x0000000A, "Etiqueta CD/DVD L6015", "Etiqueta CD/DVD", "Hoja 210,0 x 297,0 mm"},
        {0x0001000A, "Etiqueta CD/DVD L6015", "Etiqueta CD/DVD", "Hoja 210,0 x 297,0 mm"},
    };
    const PaperType* disc = FindPaperType(NameGUID("Avery/L6015"));
    ASSERT_NE(disc, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        CurrentLanguage = c.language;
        LoadPaperTranslations();
        EXPECT_EQ(disc->Name, QString::fromUtf8(c.name));
        EXPECT_EQ(disc->Classification, QString::fromUtf8(c.classification));
        EXPECT_EQ(disc->Manufacturer, QStringLiteral("Avery"));
        EXPECT_TRUE(disc->Description.contains(QStringLiteral("\r\n") + QString::fromUtf8(c.sheet)));
    }
    // Every shipped paper has its text in every language.
    for (const PaperType* p : PaperCatalogue())
        EXPECT_FALSE(p->Classification.contains(QStringLiteral("label"))) << p->Name.toStdString();
    CurrentLanguage = 0x00010009;
    LoadPaperTranslations();
    EXPECT_EQ(disc->Classification, QStringLiteral("CD/DVD label"));
    CurrentLanguage = saved;
}
