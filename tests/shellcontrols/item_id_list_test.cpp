// Item identifier lists: arithmetic, walking, the sortable list, the "Shell IDList Array"
// block (with damaged blocks from outside), and the small text routines.
#include "shellcontrols/shell_controls.h"
#include "shellcontrols/shell_namespace.h"
#include "shellcontrols/shell_utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

// A list from items given as (kind, name).
QByteArray List(std::initializer_list<std::pair<char, const char*>> items)
{
    QByteArray out;
    for (const auto& [kind, name] : items) {
        const QByteArray n(name);
        const uint16_t cb = uint16_t(3 + n.size());
        out += char(cb & 0xFF);
        out += char(cb >> 8);
        out += kind;
        out += n;
    }
    return out + QByteArray("\0\0", 2);
}

PCItemIDList P(const QByteArray& b)
{
    return reinterpret_cast<PCItemIDList>(b.constData());
}

QByteArray Take(PItemIDList p)
{
    TPidlHolder hold(p);
    return p ? IdListBytes(p) : QByteArray();
}

// Counts what it hands out and takes back.
class CountingMalloc : public IMalloc {
public:
    void* Alloc(size_t size) override
    {
        ++allocs;
        return std::malloc(size);
    }
    void* Realloc(void* p, size_t size) override { return std::realloc(p, size); }
    void Free(void* p) override
    {
        ++frees;
        std::free(p);
    }
    int allocs = 0, frees = 0;
};

} // namespace

TEST(ItemIdListTest, ArithmeticTable)
{
    const QByteArray empty = List({});
    const QByteArray one = List({{'F', "a"}});
    const QByteArray two = List({{'F', "bb"}, {'F', "ccc"}});
    EXPECT_EQ(IdListLen(nullptr), 0u);
    EXPECT_EQ(IdListLen(P(empty)), 2u);
    EXPECT_EQ(IdListLen(P(one)), 6u);
    EXPECT_EQ(IdListLen(P(two)), 5u + 6u + 2u);
    EXPECT_EQ(IdListCount(P(two)), 2);

    struct Case {
        const char* what;
        PCItemIDList first, second;
        QByteArray joined;
    } cases[] = {
        {"nil and a list", nullptr, P(one), one},
        {"list and nil", P(one), nullptr, one},
        {"two empty lists", P(empty), P(empty), empty},
        {"nil and nil", nullptr, nullptr, empty},
        {"two lists", P(one), P(two), List({{'F', "a"}, {'F', "bb"}, {'F', "ccc"}})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Take(ConcatIdLists(nullptr, c.first, c.second)), c.joined) << c.what;
    EXPECT_EQ(Take(CopyIdList(nullptr, nullptr)), empty);
    EXPECT_EQ(Take(CopyIdList(nullptr, P(two))), two);

    CountingMalloc counting;
    PItemIDList mine = CopyIdList(&counting, P(two));
    EXPECT_EQ(counting.allocs, 1);
    counting.Free(mine);

    EXPECT_EQ(CompareAbsIdLists(nullptr, nullptr), 0);
    EXPECT_EQ(CompareAbsIdLists(P(empty), nullptr), -1);
    EXPECT_EQ(CompareAbsIdLists(P(empty), P(empty)), 0);
    EXPECT_EQ(CompareAbsIdLists(P(empty), P(one)), -1);
}

TEST(ItemIdListTest, WalkingAList)
{
    const QByteArray three = List({{'H', ""}, {'F', "docs"}, {'F', "cd"}});
    TNSIdListArray a(P(three));
    EXPECT_EQ(a.GetCount(), 3);
    EXPECT_EQ(IdListBytes(a.GetItem(1)), List({{'F', "docs"}}));
    EXPECT_EQ(a.GetItem(3), nullptr);
    EXPECT_EQ(a.GetItem(-1), nullptr);
    EXPECT_EQ(IdListBytes(a.GoUp(1)), List({{'H', ""}, {'F', "docs"}}));
    EXPECT_EQ(IdListBytes(a.GoUp(3)), List({}));
    EXPECT_EQ(a.GoUp(4), nullptr);
    TNSIdListArray none(nullptr);
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_EQ(none.GoUp(0), nullptr);
}

TEST(ItemIdListTest, SortedListRejectsADuplicateAndKeepsItsContents)
{
    const QByteArray a = List({{'F', "a"}}), b = List({{'F', "b"}}), c = List({{'F', "c"}});
    TNSPidlList list;
    list.SetSorted(true);
    list.Add(const_cast<PItemIDList>(P(c)));
    list.Add(const_cast<PItemIDList>(P(a)));
    EXPECT_EQ(list.Add(const_cast<PItemIDList>(P(b))), 1);
    const QByteArray again = List({{'F', "b"}});
    try {
        list.Add(const_cast<PItemIDList>(P(again)));
        FAIL() << "a duplicate was taken";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "TNSPidlList: Duplicate PIDL");
    }
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.PIDL(0), P(a));
    EXPECT_EQ(list.PIDL(2), P(c));
    EXPECT_EQ(list.IndexOf(P(again)), 1);
    list.Duplicates = dupIgnore;
    EXPECT_EQ(list.Add(const_cast<PItemIDList>(P(again))), 1);
    EXPECT_EQ(list.Count(), 3);
    list.Duplicates = dupAccept;
    list.Add(const_cast<PItemIDList>(P(again)));
    EXPECT_EQ(list.Count(), 4);
}

TEST(ItemIdListTest, OwningListFreesWithItsAllocator)
{
    CountingMalloc counting;
    {
        TNSPidlList list;
        list.Allocator = &counting;
        const QByteArray a = List({{'F', "a"}});
        list.Add(CopyIdList(&counting, P(a)));
        list.Add(CopyIdList(&counting, P(a)));
        list.Delete(0);
        EXPECT_EQ(counting.frees, 1);
    }
    EXPECT_EQ(counting.frees, 2);
}

TEST(ItemIdListTest, IdListArrayBlockRoundTrips)
{
    const QByteArray parent = List({{'H', ""}, {'F', "music"}});
    const QByteArray x = List({{'F', "one.mp3"}}), y = List({{'F', "two.mp3"}});
    const QByteArray block = MakeIdListArray(P(parent), {P(x), P(y)});
    EXPECT_EQ(block.size(), 4 * 2 + 8 + parent.size() + x.size() + y.size());
    QByteArray readParent;
    std::vector<QByteArray> items;
    ASSERT_TRUE(ReadIdListArray(block, readParent, items));
    EXPECT_EQ(readParent, parent);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], y);
    // A nil parent is the desktop.
    ASSERT_TRUE(ReadIdListArray(MakeIdListArray(nullptr, {P(x)}), readParent, items));
    EXPECT_EQ(readParent, List({}));
}

TEST(ItemIdListTest, DamagedIdListArrayBlocksAreRefused)
{
    const QByteArray parent = List({{'H', ""}});
    const QByteArray x = List({{'F', "a"}});
    const QByteArray good = MakeIdListArray(P(parent), {P(x)});
    auto withWord = [&](int at, uint32_t value) {
        QByteArray b = good;
        std::memcpy(b.data() + at, &value, 4);
        return b;
    };
    auto withShort = [&](int at, uint16_t value) {
        QByteArray b = good;
        std::memcpy(b.data() + at, &value, 2);
        return b;
    };
    const int xAt = int(good.size() - x.size());
    struct Case {
        const char* what;
        QByteArray block;
    } cases[] = {
        {"empty", QByteArray()},
        {"count only", good.left(4)},
        {"huge count", withWord(0, 0x40000000)},
        {"count past the offsets", withWord(0, 3)},
        {"offset past the end", withWord(8, uint32_t(good.size()))},
        {"offset into the offsets", withWord(4, 2)},
        {"cut inside a list", good.left(good.size() - 1)},
        {"item longer than the block", withShort(xAt, 0x7FFF)},
        {"item too short for a kind", withShort(xAt, 2)},
        {"no terminator", good.left(good.size() - 2) + "\x05"},
    };
    for (const Case& c : cases) {
        QByteArray p = "keep";
        std::vector<QByteArray> items{QByteArray("keep")};
        EXPECT_FALSE(ReadIdListArray(c.block, p, items)) << c.what;
        EXPECT_EQ(p, "keep") << c.what;
        EXPECT_EQ(items.size(), 1u) << c.what;
    }
}

TEST(ItemIdListTest, TextRoutines)
{
    struct Split {
        QByteArray line;
        QList<QByteArray> args;
    } splits[] = {
        {"a \"b c\" d", {"a", "b c", "d"}},
        {"\"\" x", {"x"}},
        {"ab\"cd\"", {"ab", "cd"}},
        {"  \t", {}},
        {"x  ", {"x"}},
        {"\"unterminated arg", {"unterminated arg"}},
    };
    for (const Split& s : splits) {
        QList<QByteArray> args;
        ParametizeCmdLineDB(s.line, args);
        EXPECT_EQ(args, s.args) << s.line.constData();
    }
    EXPECT_EQ(EnsureTrailingCharDB(QStringLiteral("C:"), QLatin1Char('\\')), QStringLiteral("C:\\"));
    EXPECT_EQ(EnsureTrailingCharDB(QStringLiteral("C:\\"), QLatin1Char('\\')), QStringLiteral("C:\\"));
    EXPECT_EQ(EnsureTrailingCharDB(QString(), QLatin1Char('/')), QString());
    EXPECT_EQ(TrimRightDB("ab \t\r\n"), QByteArray("ab"));
    EXPECT_EQ(FormatStrPos(QStringLiteral("%2-%1"), {QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("b-a"));
    EXPECT_EQ(FormatStrPos(QString(), {QStringLiteral("a")}), QString());
    EXPECT_EQ(FormatStrPos(QStringLiteral("%3|%1"), {QStringLiteral("a")}), QStringLiteral("|a"));
    QStringList many;
    for (int i = 0; i < 51; ++i)
        many << QString::number(i);
    EXPECT_THROW(FormatStrPos(QStringLiteral("%1"), many), std::runtime_error);
    TNSModuleVersion v{7, 9};
    EXPECT_FALSE(GetModuleVersion(QStringLiteral("/bin/sh"), v));
    EXPECT_EQ(v.dwFileVersionLS, 7u);
    int pos = 0;
    QByteArray dest;
    CopyCharDB(pos, QByteArray("\xc3\xa4x"), dest);
    EXPECT_EQ(dest, QByteArray("\xc3\xa4"));
    EXPECT_EQ(pos, 2);
}

TEST(ItemIdListTest, ShortcutTexts)
{
    EXPECT_EQ(TextToShortCut(QStringLiteral("ctrl+a")), TShortCut(scCtrl | 'A'));
    EXPECT_EQ(TextToShortCut(QStringLiteral("^V")), TShortCut(scCtrl | 'V'));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Del")), TShortCut(46));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Shift+F10")), TShortCut(scShift | 121));
    EXPECT_EQ(TextToShortCut(QStringLiteral("NoSuchKey")), TShortCut(0));
    EXPECT_EQ(ShortCutToText(TShortCut(scCtrl | scShift | 116)), QStringLiteral("Shift+Ctrl+F5"));
    EXPECT_EQ(ShortCutToText(TShortCut(scAlt | 37)), QStringLiteral("Alt+Left"));
    EXPECT_EQ(ShortCutToText(TShortCut(200)), QStringLiteral("#200"));
    EXPECT_EQ(ShellKey(skRefresh), TShortCut(116));
    EXPECT_EQ(ShellKey(skSelectAll), TShortCut(scCtrl | 'A'));
}
