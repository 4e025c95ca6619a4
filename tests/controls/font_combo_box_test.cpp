#include "controls/font_combo_box.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLineEdit>
#include <QTest>

namespace {

QStringList items(const QComboBox& box)
{
    QStringList out;
    for (int i = 0; i < box.count(); ++i)
        out << box.itemText(i);
    return out;
}

// A printer with one device font whose sizes come unordered, a raster font and two TrueType
// faces (one reported twice, as an enumeration does for each character set).
TFontEnumeration fakeFonts(bool printer)
{
    TFontEnumeration e;
    e.HasPrinter = printer;
    e.Families = {
        {QStringLiteral("Zeta Sans"), ANSI_CHARSET, TRUETYPE_FONTTYPE, {}},
        {QStringLiteral("Printer Gothic"), ANSI_CHARSET, DEVICE_FONTTYPE, {10, 8, 12, 100, 8, 9}},
        {QStringLiteral("Fixedsys"), ANSI_CHARSET, RASTER_FONTTYPE, {9}},
        {QStringLiteral("alpha Serif"), ANSI_CHARSET, TRUETYPE_FONTTYPE, {}},
        {QStringLiteral("Zeta Sans"), RUSSIAN_CHARSET, TRUETYPE_FONTTYPE, {}},
        {QStringLiteral("Symbolic"), SYMBOL_CHARSET, TRUETYPE_FONTTYPE, {}},
    };
    return e;
}

struct FakeFonts {
    explicit FakeFonts(bool printer)
    {
        SetFontEnumerator([printer] { return fakeFonts(printer); });
    }
    ~FakeFonts() { SetFontEnumerator(nullptr); }
};

struct Boxes {
    TscFontComboBox name;
    TscComboBox size;
    int changes = 0;
    Boxes()
    {
        name.SetShowSample(false);
        name.SetSizeComboBox(&size);
        name.OnChange = [this](QObject*) { ++changes; };
    }
};

} // namespace

TEST(FontComboBox, ListsTrueTypeAndWithAPrinterDeviceFonts)
{
    {
        FakeFonts fonts(true);
        TscFontComboBox box;
        EXPECT_EQ(items(box), (QStringList{"alpha Serif", "Printer Gothic", "Symbolic", "Zeta Sans"}));
        EXPECT_EQ(box.ItemRecord(3)->Charset, ANSI_CHARSET); // the first report of a family wins
        EXPECT_EQ(box.GetFontName(), QString());
    }
    {
        FakeFonts fonts(false);
        TscFontComboBox box;
        EXPECT_EQ(items(box), (QStringList{"alpha Serif", "Symbolic", "Zeta Sans"}));
    }
}

TEST(FontComboBox, SizeListFollowsTheFont)
{
    FakeFonts fonts(true);
    Boxes b;
    b.size.SetText(QStringLiteral("10"));
    b.name.SetFontName(QStringLiteral("Zeta Sans"));
    EXPECT_EQ(items(b.size), TscFontComboBox::TrueTypeSizes());
    EXPECT_EQ(TscFontComboBox::TrueTypeSizes().size(), 16);
    EXPECT_EQ(b.changes, 1);
    EXPECT_EQ(b.size.Text(), QStringLiteral("10"));

    // A device font's sizes in ascending numeric order, each once.
    b.name.SetFontName(QStringLiteral("Printer Gothic"));
    EXPECT_EQ(items(b.size), (QStringList{"8", "9", "10", "12", "100"}));
    EXPECT_EQ(b.size.Text(), QStringLiteral("10"));

    // An unknown name empties the name and leaves the sizes alone.
    b.name.SetFontName(QStringLiteral("Comic Sans MS"));
    EXPECT_EQ(b.name.GetFontName(), QString());
    EXPECT_EQ(b.name.currentText(), QString());
    EXPECT_EQ(items(b.size), (QStringList{"8", "9", "10", "12", "100"}));
    EXPECT_EQ(b.changes, 2);
}

TEST(FontComboBox, SizeTextThatIsNoListedSize)
{
    FakeFonts fonts(true);
    struct Case {
        const char* font;
        const char* before;
        const char* after;
    } cases[] = {
        {"Zeta Sans", "13", "13"}, // between listed sizes: kept
        {"Zeta Sans", "200", "200"},
        {"Zeta Sans", "3", "8"},   // below the smallest: the first size
        {"Zeta Sans", "abc", "8"}, // no number: the first size, no error
        {"Zeta Sans", "", "8"},
        {"Printer Gothic", "11", "11"}, // compared as numbers: 11 > 8 although "11" < "8"
        {"Printer Gothic", "7", "8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.font) + " / " + c.before);
        Boxes b;
        b.size.SetText(QString::fromLatin1(c.before));
        b.name.SetFontName(QString::fromLatin1(c.font));
        EXPECT_EQ(b.size.Text(), QString::fromLatin1(c.after));
    }
}

TEST(FontComboBox, OnChangeFiresForUserChangesOnly)
{
    FakeFonts fonts(true);
    TscComboBox size;
    int changes = 0;
    size.OnChange = [&](QObject*) { ++changes; };
    size.addItems({"8", "10"});
    size.SetText(QStringLiteral("10"));
    size.setCurrentIndex(0);
    EXPECT_EQ(changes, 0);
    size.SetText(QString());
    QTest::keyClicks(size.lineEdit(), QStringLiteral("24"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(size.Text(), QStringLiteral("24"));
}

TEST(FontComboBox, InstalledFontsFromFontconfig)
{
    // The set-up installs the metric-compatible faces; documents name the Windows families.
    const TFontEnumeration e = EnumerateInstalledFonts();
    QStringList names;
    for (const TFontRecord& r : e.Families)
        names << r.FaceName;
    for (const char* n :
         {"Liberation Serif", "Liberation Sans", "DejaVu Sans", "Times New Roman", "Arial", "Courier New"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(n))) << n;

    TscFontComboBox name;
    TscComboBox size;
    name.SetSizeComboBox(&size);
    name.SetFontName(QStringLiteral("Times New Roman"));
    EXPECT_EQ(name.GetFontName(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(items(size), TscFontComboBox::TrueTypeSizes());
    EXPECT_EQ(name.SelectedRecord()->Charset, ANSI_CHARSET);
}

TEST(FontComboBox, FoundryNamesLoseTheirBlanksAndStillFindTheirFace)
{
    const struct {
        const char *qt, *shown;
    } cases[] = {
        {"Nimbus Sans [URW ]", "Nimbus Sans [URW]"},
        {"D050000L [ URW  ]", "D050000L [URW]"},
        {"Nimbus Sans [urw]", "Nimbus Sans [urw]"},
        {"Liberation Sans", "Liberation Sans"},
        {"Odd [name", "Odd [name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TidyFaceName(QString::fromLatin1(c.qt)), QString::fromLatin1(c.shown)) << c.qt;

    // No listed name keeps a blank inside its bracket; a tidied one still gives its own face.
    for (const TFontRecord& r : EnumerateInstalledFonts().Families) {
        EXPECT_FALSE(r.FaceName.contains(QLatin1String("[ ")) || r.FaceName.contains(QLatin1String(" ]")))
            << r.FaceName.toStdString();
        if (r.FaceName.contains(QLatin1String(" ["))) {
            EXPECT_EQ(TidyFaceName(QFontInfo(QFont(r.FaceName)).family()).toLower(), r.FaceName.toLower());
        }
    }
}
