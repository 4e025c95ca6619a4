// Paper definition, user and extension files: layout, round trips, the
// catalogue's load/save cycle and damaged files.

#include <gtest/gtest.h>

#include <functional>

#include <QDir>
#include <QFileInfo>

#include "document/paper_catalogue.h"
#include "lang/builtin_strings.h"
#include "paper_test_support.h"
#include "platform/file_utils.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"

using namespace papertest;

namespace {

int32_t I32At(const QByteArray& b, int offset)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + offset);
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutI32(QByteArray& b, int offset, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[offset + i] = char(uint32_t(v) >> (8 * i) & 0xFF);
}

void ExpectSamePaper(const PaperType& a, const PaperType& b)
{
    EXPECT_EQ(a.ID, b.ID);
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Manufacturer, b.Manufacturer);
    EXPECT_EQ(a.Classification, b.Classification);
    EXPECT_EQ(a.Description, b.Description);
    EXPECT_EQ(a.UserDefined, b.UserDefined);
    EXPECT_EQ(a.HasPreview, b.HasPreview);
    EXPECT_EQ(a.HasShapeMask, b.HasShapeMask);
    EXPECT_EQ(a.PaperLength, b.PaperLength);
    EXPECT_EQ(a.PaperWidth, b.PaperWidth);
    EXPECT_EQ(a.ShapeCount, b.ShapeCount);
    EXPECT_EQ(a.ShapeStyle, b.ShapeStyle);
    EXPECT_EQ(a.ShapeHeight, b.ShapeHeight);
    EXPECT_EQ(a.ShapeWidth, b.ShapeWidth);
    EXPECT_EQ(a.CoreWidth, b.CoreWidth);
    EXPECT_EQ(a.Shapes, b.Shapes);
    EXPECT_EQ(a.ExtraLines, b.ExtraLines);
    EXPECT_EQ(a.OtherShapes, b.OtherShapes);
    EXPECT_EQ(a.AuxItems, b.AuxItems);
}

// The damage message, naming the file on its first line.
QString Damaged(const QString& path) { return FileMessageText(path, BuiltinString(PaperFileDamagedString)); }

}  // namespace

TEST(PaperFiles, DefinitionLayoutAndRoundTrip)
{
    auto a = Paper(1, 2);
    auto b = Paper(2, 0, 1);
    b->Name = QStringLiteral("A name of exactly thirty-nine bytes....");
    b->Description = QStringLiteral("line one\r\nline two, with a comma");
    const QByteArray data = DefFile({a.get(), b.get()});

    const int tablesA = 2 * 12 + 16 + 24 + 20, tablesB = 16 + 24 + 20;
    ASSERT_EQ(data.size(), 104 + 408 + tablesA + 408 + tablesB);
    EXPECT_EQ(QByteArray(data.constData(), 6), QByteArray("PAR_2", 6));
    EXPECT_EQ(I32At(data, 8), 2);
    EXPECT_EQ(data.mid(16 + 104, 8), QByteArray("Paper 1\0", 8));   // Name at 16
    EXPECT_EQ(I32At(data, 104 + 368), 2970);                          // PaperLength
    EXPECT_EQ(I32At(data, 104 + 376), 2);                             // ShapeCount
    EXPECT_EQ(uint8_t(data[104 + 408]), 1);                           // first shape's Selected
    EXPECT_EQ(I32At(data, 104 + 408 + 4), 465);                       // and its X

    std::vector<std::unique_ptr<PaperType>> papers;
    ASSERT_EQ(ReadPaperDefinitionData(data, papers), PaperFileResult::Ok);
    ASSERT_EQ(papers.size(), 2u);
    ExpectSamePaper(*papers[0], *a);
    ExpectSamePaper(*papers[1], *b);
    EXPECT_EQ(papers[1]->ShapeCount, 0);
    EXPECT_TRUE(papers[1]->Shapes.empty());
    EXPECT_EQ(WritePaperDefinitionData({papers[0].get(), papers[1].get()}), data);

    // Read for its numbers only, a record has no texts and everything else.
    ASSERT_EQ(ReadPaperDefinitionData(data, papers, false), PaperFileResult::Ok);
    ASSERT_EQ(papers.size(), 2u);
    EXPECT_TRUE(papers[0]->Name.isEmpty());
    EXPECT_TRUE(papers[0]->Description.isEmpty());
    PaperType withTexts = *papers[0];
    withTexts.Name = a->Name;
    withTexts.Manufacturer = a->Manufacturer;
    withTexts.Classification = a->Classification;
    withTexts.Description = a->Description;
    ExpectSamePaper(withTexts, *a);
}

TEST(PaperFiles, TooLongTextsAreCutToTheirFields)
{
    auto a = Paper(1);
    a->Name = QString(60, QLatin1Char('n'));
    a->Manufacturer = QString(30, QLatin1Char('m'));
    a->Description = QString(300, QLatin1Char('d'));
    std::vector<std::unique_ptr<PaperType>> papers;
    ASSERT_EQ(ReadPaperDefinitionData(DefFile({a.get()}), papers), PaperFileResult::Ok);
    EXPECT_EQ(papers[0]->Name, QString(39, QLatin1Char('n')));
    EXPECT_EQ(papers[0]->Manufacturer, QString(24, QLatin1Char('m')));
    EXPECT_EQ(papers[0]->Description, QString(255, QLatin1Char('d')));
}

TEST(PaperFiles, ExtensionLayoutAndRoundTrip)
{
    const std::vector<PaperExtEntry> entries = {{Id(1), {{0, 1, 2}, {1, 3, 4}}}, {Id(2), {}}};
    const QByteArray data = WritePaperExtensionData(entries);
    ASSERT_EQ(data.size(), 16 + 20 + 24 + 20);
    EXPECT_EQ(data.left(10), QByteArray("Paper Ext\0", 10));
    EXPECT_EQ(I32At(data, 12), 2);
    EXPECT_EQ(I32At(data, 16 + 16), 2);
    std::vector<PaperExtEntry> back;
    ASSERT_EQ(ReadPaperExtensionData(data, back), PaperFileResult::Ok);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].ID, Id(1));
    EXPECT_EQ(back[0].Shapes, entries[0].Shapes);
    EXPECT_TRUE(back[1].Shapes.empty());
}

struct DamagedCase {
    const char* name;
    std::function<QByteArray()> bytes;
    PaperFileResult expected;
};

TEST(PaperFiles, DamagedDefinitionFiles)
{
    const auto good = [] {
        auto a = Paper(1, 3);
        return DefFile({a.get()});
    };
    const std::vector<DamagedCase> cases = {
        {"empty file", [] { return QByteArray(); }, PaperFileResult::Damaged},
        {"truncated header", [&] { return good().left(50); }, PaperFileResult::Damaged},
        {"bad magic", [&] { QByteArray b = good(); b[4] = '3'; return b; }, PaperFileResult::NotPaperFile},
        {"truncated record", [&] { return good().left(104 + 200); }, PaperFileResult::Damaged},
        {"truncated table", [&] { QByteArray b = good(); return b.left(b.size() - 5); }, PaperFileResult::Damaged},
        {"count larger than file", [&] { QByteArray b = good(); PutI32(b, 8, 5); return b; }, PaperFileResult::Damaged},
        {"huge count", [&] { QByteArray b = good(); PutI32(b, 8, 0x7FFFFFFF); return b; }, PaperFileResult::Damaged},
        {"negative count", [&] { QByteArray b = good(); PutI32(b, 8, -1); return b; }, PaperFileResult::Damaged},
        {"huge shape count", [&] { QByteArray b = good(); PutI32(b, 104 + 376, 0x7FFFFFFF); return b; }, PaperFileResult::Damaged},
        {"negative extra lines", [&] { QByteArray b = good(); PutI32(b, 104 + 396, -3); return b; }, PaperFileResult::Damaged},
        // Sizes no printer takes: a width of 10 km, a length below zero, a label off the sheet.
        {"paper too wide", [&] { QByteArray b = good(); PutI32(b, 104 + 372, 99999999); return b; }, PaperFileResult::Damaged},
        {"negative length", [&] { QByteArray b = good(); PutI32(b, 104 + 368, -5); return b; }, PaperFileResult::Damaged},
        {"shape of no height", [&] { QByteArray b = good(); PutI32(b, 104 + 384, 0); return b; }, PaperFileResult::Damaged},
        {"negative core", [&] { QByteArray b = good(); PutI32(b, 104 + 392, -1); return b; }, PaperFileResult::Damaged},
        {"label off the sheet", [&] { QByteArray b = good(); PutI32(b, 104 + 408 + 4, 10001); return b; }, PaperFileResult::Damaged},
        {"counts that overflow together", [&] {
             QByteArray b = good();
             for (int o : {376, 396, 400, 404})
                 PutI32(b, 104 + o, 0x15555556);
             return b;
         }, PaperFileResult::Damaged},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<PaperType>> papers;
        EXPECT_EQ(ReadPaperDefinitionData(c.bytes(), papers), c.expected);
        EXPECT_TRUE(papers.empty());

        // Through the catalogue: the damaged file is reported, skipped and
        // kept; the good file next to it still loads.
        const QString dir = MakeProgramDir(QStringLiteral("damaged-def"));
        WriteBytes(dir + "/Paper/a_good.def", good());
        const QByteArray bad = c.bytes();
        WriteBytes(dir + "/Paper/b_bad.def", bad);
        {
            CatalogueGuard guard;
            MessageRecorder messages;
            ASSERT_TRUE(LoadPaperCatalogue());
            ASSERT_EQ(PaperCatalogue().size(), 1u);
            EXPECT_EQ(PaperCatalogue()[0]->ID, Id(1));
            if (c.expected == PaperFileResult::Damaged)
                EXPECT_EQ(messages.texts, QStringList{Damaged(dir + "/Paper/b_bad.def")});
            else
                EXPECT_TRUE(messages.texts.isEmpty());
        }
        EXPECT_EQ(ReadBytes(dir + "/Paper/b_bad.def"), bad);
    }
}

TEST(PaperFiles, DamagedExtensionFiles)
{
    const auto header = [] { return WritePaperExtensionData({}); };
    const auto entry = [](const TGUID& id, int32_t n, int shapesWritten) {
        std::vector<PaperShape> shapes(size_t(shapesWritten), PaperShape{0, 9, 9});
        QByteArray b = WritePaperExtensionData({{id, shapes}}).mid(16);
        PutI32(b, 16, n);
        return b;
    };
    const std::vector<DamagedCase> cases = {
        {"truncated header", [&] { return header().left(8); }, PaperFileResult::Damaged},
        {"bad magic", [&] { QByteArray b = header(); b[0] = 'p'; return b; }, PaperFileResult::NotPaperFile},
        {"bad version", [&] { QByteArray b = header(); PutI32(b, 12, 3); return b; }, PaperFileResult::NotPaperFile},
        {"truncated entry", [&] { return header() + entry(Id(1), 1, 1).left(10); }, PaperFileResult::Damaged},
        {"n larger than file", [&] { return header() + entry(Id(1), 4, 1); }, PaperFileResult::Damaged},
        {"huge n", [&] { return header() + entry(Id(1), 0x7FFFFFFF, 1); }, PaperFileResult::Damaged},
        {"negative n", [&] { return header() + entry(Id(1), -1, 0); }, PaperFileResult::Damaged},
        {"good entry, then a damaged one", [&] {
             return header() + entry(Id(1), 1, 1) + entry(Id(1), 2, 1);
         }, PaperFileResult::Damaged},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PaperExtEntry> entries;
        EXPECT_EQ(ReadPaperExtensionData(c.bytes(), entries), c.expected);
        EXPECT_TRUE(entries.empty());

        // Nothing of a damaged file is applied, and it survives a save that
        // would otherwise rewrite it.
        const QString dir = MakeProgramDir(QStringLiteral("damaged-ext"));
        auto a = Paper(1, 2);
        WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
        const QByteArray bad = c.bytes();
        WriteBytes(dir + "/Paper/maker.EXT", bad);
        {
            CatalogueGuard guard;
            MessageRecorder messages;
            ASSERT_TRUE(LoadPaperCatalogue());
            EXPECT_EQ(PaperCatalogue()[0]->Shapes, a->Shapes);
            if (c.expected == PaperFileResult::Damaged)
                EXPECT_EQ(messages.texts, QStringList{Damaged(dir + "/Paper/maker.EXT")});
            else
                EXPECT_TRUE(messages.texts.isEmpty());
            PaperCatalogue()[0]->Shapes[0].Selected = 0;  // a change a save would store
        }
        EXPECT_EQ(ReadBytes(dir + "/Paper/maker.EXT"), bad);
    }
}

TEST(PaperCatalogueFiles, DuplicateIdsKeepBothAndTheFirstWins)
{
    const QString dir = MakeProgramDir(QStringLiteral("duplicates"));
    auto a = Paper(1);
    auto b = Paper(1);
    b->Name = QStringLiteral("Second");
    WriteBytes(dir + "/Paper/a.def", DefFile({a.get()}));
    WriteBytes(dir + "/Paper/b.def", DefFile({b.get()}));
    CatalogueGuard guard;
    ASSERT_TRUE(LoadPaperCatalogue());
    ASSERT_EQ(PaperCatalogue().size(), 2u);
    EXPECT_EQ(FindPaperType(Id(1)), PaperCatalogue()[0]);
    EXPECT_EQ(FindPaperType(Id(1))->Name, QStringLiteral("Paper 1"));
    EXPECT_EQ(FindPaperType(Id(9)), nullptr);
}

TEST(PaperCatalogueFiles, IndexListsShippedPapersAndGoesAtTheEnd)
{
    const QString dir = MakeProgramDir(QStringLiteral("index"));
    auto a = Paper(1);
    auto b = Paper(2);
    auto u = Paper(3, 1, 1);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get(), b.get()}));
    WriteBytes(dir + "/Paper/user.def", DefFile({u.get()}));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_EQ(PaperCatalogue().size(), 3u);
        TIniFile index(PaperIndexFileName());
        const QString section = FindFiles(dir + "/Paper", "maker.def").value(0);
        EXPECT_EQ(index.ReadSections(), QStringList{section});
        EXPECT_EQ(index.ReadSection(section), (QStringList{GUIDToString(Id(1)), GUIDToString(Id(2))}));
    }
    EXPECT_FALSE(QFileInfo::exists(PaperIndexFileName()));
}

TEST(PaperCatalogueFiles, UserPapersRoundTrip)
{
    const QString dir = MakeProgramDir(QStringLiteral("user"));
    auto a = Paper(1);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
    auto u1 = Paper(5, 3, 1);
    auto u2 = Paper(6, 0, 1);  // no label positions at all
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        PaperCatalogue().push_back(std::make_unique<PaperType>(*u1));
        PaperCatalogue().push_back(std::make_unique<PaperType>(*u2));
    }
    EXPECT_TRUE(QFileInfo::exists(dir + "/Paper/user.def"));
    EXPECT_FALSE(QFileInfo::exists(dir + "/Paper/maker.EXT"));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        ASSERT_EQ(PaperCatalogue().size(), 3u);
        ExpectSamePaper(*FindPaperType(Id(5)), *u1);
        ExpectSamePaper(*FindPaperType(Id(6)), *u2);
        // Deleting every user paper deletes the file at the end.
        auto& list = PaperCatalogue();
        for (auto it = list.begin(); it != list.end();) {
            if ((*it)->UserDefined) {
                it = list.erase(it);
            } else {
                ++it;
            }
        }
    }
    EXPECT_FALSE(QFileInfo::exists(dir + "/Paper/user.def"));
}

// A user file that exists but could not be read is reported by name and is never written or
// removed, whatever the user does with papers meanwhile: its papers would be lost.
TEST(PaperCatalogueFiles, DamagedUserFileIsNeverOverwritten)
{
    auto u = Paper(5, 2, 1);
    const QByteArray good = DefFile({u.get()});
    struct Case { const char* what; std::function<QByteArray()> bytes; const char* name; } cases[] = {
        {"truncated", [&] { return good.left(300); }, "user.def"},
        {"one damaged signature byte", [&] { QByteArray b = good; b[0] = 'Q'; return b; }, "user.def"},
        {"signature of another version", [&] { QByteArray b = good; b[4] = '3'; return b; }, "User.DEF"},
        {"empty", [] { return QByteArray(); }, "user.def"},
        {"only text", [] { return QByteArray("my papers, please keep"); }, "user.def"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = MakeProgramDir(QStringLiteral("user-damaged"));
        auto a = Paper(1);
        WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
        const QString user = dir + "/Paper/" + c.name;
        const QByteArray damaged = c.bytes();
        WriteBytes(user, damaged);
        {
            CatalogueGuard guard;
            MessageRecorder messages;
            ASSERT_TRUE(LoadPaperCatalogue());
            EXPECT_EQ(messages.texts, QStringList{Damaged(user)});
            EXPECT_TRUE(PaperFileFailedToLoad(user));
            // A new user paper is not written over it.
            PaperCatalogue().push_back(std::make_unique<PaperType>(*Paper(7, 1, 1)));
        }
        EXPECT_EQ(ReadBytes(user), damaged);
        {
            // Nor is it deleted when no user paper is left.
            CatalogueGuard guard;
            MessageRecorder messages;
            ASSERT_TRUE(LoadPaperCatalogue());
        }
        EXPECT_EQ(ReadBytes(user), damaged);
        EXPECT_EQ(QDir(dir + "/Paper").entryList(QDir::Files).size(), 2);
    }
}

TEST(PaperCatalogueFiles, ExtensionKeepsChangesAndGoesWhenTheyAreUndone)
{
    const QString dir = MakeProgramDir(QStringLiteral("ext-cycle"));
    auto a = Paper(1, 2);
    auto b = Paper(2, 2);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get(), b.get()}));
    const QString ext = dir + "/Paper/maker.EXT";
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        FindPaperType(Id(1))->Shapes[1].Selected = 0;
        FindPaperType(Id(2))->Shapes[0].X = 99;
    }
    std::vector<PaperExtEntry> entries;
    ASSERT_EQ(ReadPaperExtensionData(ReadBytes(ext), entries), PaperFileResult::Ok);
    ASSERT_EQ(entries.size(), 2u);
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_EQ(FindPaperType(Id(1))->Shapes[1].Selected, 0);
        EXPECT_EQ(FindPaperType(Id(2))->Shapes[0].X, 99);
        FindPaperType(Id(1))->Shapes[1].Selected = 1;  // back to factory values
    }
    ASSERT_EQ(ReadPaperExtensionData(ReadBytes(ext), entries), PaperFileResult::Ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].ID, Id(2));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_EQ(FindPaperType(Id(1))->Shapes[1].Selected, 1);
        FindPaperType(Id(2))->Shapes[0].X = 465;
    }
    EXPECT_FALSE(QFileInfo::exists(ext));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_EQ(FindPaperType(Id(2))->Shapes[0].X, 465);
    }
}

TEST(PaperCatalogueFiles, ReadOnlyExtensionIsLeftAlone)
{
    const QString dir = MakeProgramDir(QStringLiteral("ext-readonly"));
    auto a = Paper(1, 2);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
    const QString ext = dir + "/Paper/maker.EXT";
    const QByteArray old = WritePaperExtensionData({{Id(1), {{0, 1, 1}}}});
    WriteBytes(ext, old);
    QFile::setPermissions(ext, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        FindPaperType(Id(1))->Shapes[0] = a->Shapes[0];
        FindPaperType(Id(1))->Shapes[1].X = 5;
    }
    EXPECT_EQ(ReadBytes(ext), old);
    QFile::setPermissions(ext, QFile::ReadOwner | QFile::WriteOwner);
}

TEST(PaperCatalogueFiles, ExtensionEntriesForUnknownIdsAndLongTables)
{
    const QString dir = MakeProgramDir(QStringLiteral("ext-entries"));
    auto a = Paper(1, 2);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
    const std::vector<PaperShape> five = {{0, 1, 1}, {0, 2, 2}, {0, 3, 3}, {0, 4, 4}, {0, 5, 5}};
    WriteBytes(dir + "/Paper/maker.EXT",
               WritePaperExtensionData({{Id(9), {{0, 7, 7}, {0, 7, 7}, {0, 7, 7}}}, {Id(1), five}}));
    CatalogueGuard guard;
    MessageRecorder messages;
    ASSERT_TRUE(LoadPaperCatalogue());
    EXPECT_TRUE(messages.texts.isEmpty());
    const PaperType* p = FindPaperType(Id(1));
    EXPECT_EQ(p->ShapeCount, 2);
    EXPECT_EQ(p->Shapes, (std::vector<PaperShape>{five[0], five[1]}));
}

TEST(PaperCatalogueFiles, ShapeTablesCompareWithinTheShorterOne)
{
    const std::vector<PaperShape> two = {{1, 1, 1}, {1, 2, 2}};
    struct Case {
        const char* name;
        std::vector<PaperShape> current;
        bool differs;
    };
    const std::vector<Case> cases = {
        {"equal", two, false},
        {"selected flag", {{0, 1, 1}, {1, 2, 2}}, true},
        {"position", {{1, 1, 1}, {1, 2, 3}}, true},
        {"shorter", {{1, 1, 1}}, true},
        {"empty", {}, true},
        {"longer, same start", {{1, 1, 1}, {1, 2, 2}, {1, 9, 9}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PaperShapesDiffer(two, c.current), c.differs);
    }
}

TEST(PaperCatalogueFiles, ShrunkShapeTableIsSavedWithoutReadingPastIt)
{
    const QString dir = MakeProgramDir(QStringLiteral("ext-shrunk"));
    auto a = Paper(1, 3);
    WriteBytes(dir + "/Paper/maker.def", DefFile({a.get()}));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        PaperType* p = FindPaperType(Id(1));
        p->Shapes.resize(1);
        p->ShapeCount = 1;
    }
    std::vector<PaperExtEntry> entries;
    ASSERT_EQ(ReadPaperExtensionData(ReadBytes(dir + "/Paper/maker.EXT"), entries), PaperFileResult::Ok);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Shapes.size(), 1u);
}

TEST(PaperCatalogueFiles, NamesAreFoundWithoutCase)
{
    const QString dir = testsupport::freshDir(QStringLiteral("nocase"));
    QDir(dir).mkpath(QStringLiteral("paper"));
    qputenv("KORVANE_PROGRAM_DIR", dir.toLocal8Bit());
    auto a = Paper(1, 2);
    WriteBytes(dir + "/paper/MAKER.DEF", DefFile({a.get()}));
    WriteBytes(dir + "/paper/maker.ext", WritePaperExtensionData({{Id(1), {{0, 8, 8}}}}));
    {
        CatalogueGuard guard;
        ASSERT_TRUE(LoadPaperCatalogue());
        EXPECT_EQ(FindPaperType(Id(1))->Shapes[0], (PaperShape{0, 8, 8}));
        FindPaperType(Id(1))->Shapes[0].X = 9;
    }
    // The existing extension file is rewritten under its own name.
    EXPECT_EQ(QDir(dir + "/paper").entryList(QDir::Files), (QStringList{"MAKER.DEF", "maker.ext"}));
    std::vector<PaperExtEntry> entries;
    ASSERT_EQ(ReadPaperExtensionData(ReadBytes(dir + "/paper/maker.ext"), entries), PaperFileResult::Ok);
    EXPECT_EQ(entries.at(0).Shapes.at(0).X, 9);
}

TEST(PaperCatalogueFiles, NoPaperDefinitionEndsTheProgram)
{
    struct Case {
        const char* name;
        std::function<void(const QString&)> setUp;
        QStringList messages;
    };
    const QString noDef = BuiltinString(NoPaperDefinitionString);
    const std::vector<Case> cases = {
        {"empty paper folder", [](const QString&) {}, {noDef}},
        {"no paper folder", [](const QString& dir) { QDir(dir + "/Paper").removeRecursively(); }, {noDef}},
        {"only a damaged file", [](const QString& dir) { WriteBytes(dir + "/Paper/x.def", "PAR_2"); },
         {Damaged(testsupport::freshDir(QStringLiteral("nodef")) + "/Paper/x.def"), noDef}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = MakeProgramDir(QStringLiteral("nodef"));
        c.setUp(dir);
        CatalogueGuard guard;
        MessageRecorder messages;
        EXPECT_FALSE(LoadPaperCatalogue());
        EXPECT_TRUE(PaperCatalogue().empty());
        EXPECT_EQ(messages.texts, c.messages);
    }
}
