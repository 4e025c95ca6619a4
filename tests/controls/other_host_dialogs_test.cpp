#include "controls/other_host_dialogs.h"
#include "platform/printer.h"
#include "support/dialog_test_support.h"
#include "support/hosted_dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>

#include <optional>

namespace {

using testsupport::ClickDialogItem;
using testsupport::WhileHostedDialogRuns;

// Lets the changes the dialog posted to itself arrive.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// A form that carries a dialog component and one control of its own. It is made before the
// component, which leaves it first.
struct OtherHostForm {
    QWidget form;
    QLabel* extra;
    OtherHostForm()
    {
        form.setWindowTitle(QStringLiteral("Host form"));
        form.resize(760, 560);
        extra = new QLabel(QStringLiteral("extra"), &form);
        extra->setGeometry(10, 530, 100, 20);
    }
    void Carry(TFormCommonDialog* dialog)
    {
        dialog->setParent(&form);
        dialog->move(4, 4);
    }
};

} // namespace

TEST(HostedCustomColors, LinesRoundTrip)
{
    std::array<TColor, 16> colors;
    for (int i = 0; i < 16; ++i)
        colors[size_t(i)] = TColor(0x010203 * (i + 1));
    QStringList lines{QStringLiteral("Other=kept"), QStringLiteral("colorc=ffffff")};
    WriteCustomColorValues(lines, colors);
    EXPECT_EQ(lines.at(0), QStringLiteral("Other=kept"));
    EXPECT_EQ(lines.at(1), QStringLiteral("ColorC=030609")); // replaced where it stood
    EXPECT_TRUE(lines.contains(QStringLiteral("ColorA=010203")));
    EXPECT_TRUE(lines.contains(QStringLiteral("ColorP=102030")));
    EXPECT_EQ(lines.size(), 17);
    EXPECT_EQ(ReadCustomColorValues(lines), colors);
}

TEST(HostedCustomColors, DamagedLinesGiveWhite)
{
    const struct {
        const char* line;
        int index;
        TColor expected;
    } cases[] = {
        {"ColorB=00ff00", 1, 0x00FF00},  {"colorb=00FF00", 1, 0x00FF00}, // names without regard to case
        {"ColorB= 12 ", 1, 0x12},        {"", 1, clWhite},               // missing: white, never -1
        {"ColorB=", 1, clWhite},         {"ColorB=zz", 1, clWhite},
        {"ColorB=1000000", 1, clWhite}, // above ffffff
        {"ColorB=ffffffff", 1, clWhite}, {"ColorB=123456789", 1, clWhite},
        {"ColorB=-1", 1, clWhite},       {"ColorB=+12", 1, clWhite},
        {"ColorB=$12", 1, clWhite},      {"ColorB", 1, clWhite},
        {"ColorQ=000000", 1, clWhite},   {"Color=000000", 0, clWhite},
        {"=000000", 0, clWhite},         {"ColorBB=000000", 1, clWhite},
    };
    for (const auto& c : cases) {
        const std::array<TColor, 16> colors = ReadCustomColorValues({QString::fromLatin1(c.line)});
        EXPECT_EQ(colors[size_t(c.index)], c.expected) << c.line;
        for (TColor color : colors)
            EXPECT_LE(color, 0xFFFFFFu) << c.line;
    }
    // The first line of a name counts, even when the value is damaged.
    EXPECT_EQ(ReadCustomColorValues({QStringLiteral("ColorA=zz"), QStringLiteral("ColorA=000001")})[0],
              clWhite);
    EXPECT_EQ(ReadCustomColorValues({QStringLiteral("ColorA=000002"), QStringLiteral("ColorA=000001")})[0],
              2u);
}

TEST(HostedCustomColors, EditTextsCheckedToByteRange)
{
    const struct {
        const char *r, *g, *b;
        bool ok;
        TColor color;
    } cases[] = {
        {"255", "0", "0", true, 0x0000FF}, {"0", "128", "0", true, 0x008000},
        {"1", "2", "3", true, 0x030201},   {" 7 ", "0", "0", true, 0x000007},
        {"256", "0", "0", false, 0},       {"0", "-1", "0", false, 0},
        {"0", "0", "1000", false, 0},      {"", "0", "0", false, 0},
        {"x", "0", "0", false, 0},         {"99999999999", "0", "0", false, 0},
        {"0", "0", "2.5", false, 0},
    };
    for (const auto& c : cases) {
        TColor color = 0x123456;
        EXPECT_EQ(ColorFromEditTexts(QString::fromLatin1(c.r), QString::fromLatin1(c.g),
                                     QString::fromLatin1(c.b), color),
                  c.ok)
            << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(color, c.ok ? c.color : 0x123456u) << c.r << " " << c.g << " " << c.b;
    }
}

TEST(HostedColorDialog, CustomColoursRoundTripAndChangesFireLive)
{
    OtherHostForm host;
    TFormColorDialog d;
    host.Carry(&d);
    d.SetColor(RGB(10, 20, 30));
    d.CustomColors = {QStringLiteral("ColorA=0000ff"), QStringLiteral("ColorJ=00ff00"),
                      QStringLiteral("ColorC=nonsense")};
    std::vector<TColor> seen;
    d.OnColorChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &d);
        seen.push_back(d.Color());
    };
    WhileHostedDialogRuns(&d, [&] {
        // The custom colours reached the dialog, in their places; the damaged one is white.
        EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0)); // A: column 1, row 1
        EXPECT_EQ(QColorDialog::customColor(3), QColor(0, 255, 0)); // J: column 2, row 2
        EXPECT_EQ(QColorDialog::customColor(4), QColor(255, 255, 255));
        auto* red = qobject_cast<QSpinBox*>(d.DialogItem(706));
        auto* green = qobject_cast<QSpinBox*>(d.DialogItem(707));
        auto* blue = qobject_cast<QSpinBox*>(d.DialogItem(708));
        ASSERT_TRUE(red && green && blue);
        EXPECT_EQ(red->value(), 10);
        EXPECT_EQ(blue->value(), 30);
        red->setValue(200);
        settle();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), RGB(200, 20, 30));
        EXPECT_EQ(d.Color(), RGB(200, 20, 30));
        // Set by code while running: the dialog follows, and so does the event.
        d.SetColor(RGB(1, 2, 3));
        settle();
        EXPECT_EQ(red->value(), 1);
        EXPECT_EQ(seen.back(), RGB(1, 2, 3));
        QColorDialog::setCustomColor(15, QColor(0x11, 0x22, 0x33)); // P: column 8, row 2
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.Color(), RGB(1, 2, 3));
    const std::array<TColor, 16> back = ReadCustomColorValues(d.CustomColors);
    EXPECT_EQ(back[0], 0x0000FFu);
    EXPECT_EQ(back[9], 0x00FF00u);
    EXPECT_EQ(back[2], clWhite);
    EXPECT_EQ(back[15], RGB(0x11, 0x22, 0x33));
    EXPECT_TRUE(d.CustomColors.contains(QStringLiteral("ColorP=332211")));
    // The form is given back.
    EXPECT_EQ(host.extra->window(), &host.form);
}

TEST(HostedColorDialog, CancelKeepsColourAndLines)
{
    TFormColorDialog d;
    d.SetColor(clRed);
    d.CustomColors = {QStringLiteral("ColorA=0000ff")};
    WhileHostedDialogRuns(&d, [&] {
        d.SetColor(clBlue);
        ClickDialogItem(&d, 2);
    });
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.CustomColors, QStringList{QStringLiteral("ColorA=0000ff")});
}

TEST(HostedFontDialog, ApplyFiresWithTheCurrentFont)
{
    const QString family = QStringLiteral("DejaVu Sans");
    if (!QFontDatabase::families().contains(family))
        GTEST_SKIP() << "no " << family.toStdString();
    OtherHostForm host;
    TFormFontDialog d;
    host.Carry(&d);
    TFont start;
    start.Name = QStringLiteral("Liberation Serif");
    start.SetSize(12);
    d.SetFont(start);
    d.SetSampleCaption(QStringLiteral("Sample"));
    int changes = 0;
    std::vector<TFont> applied;
    QWidget* applyWindow = nullptr;
    d.OnFontChange = [&](QObject*) { ++changes; };
    d.OnApply = [&](QObject* sender, QWidget* window) {
        EXPECT_EQ(sender, &d);
        applied.push_back(d.Font());
        applyWindow = window;
    };
    WhileHostedDialogRuns(&d, [&] {
        auto* sample = qobject_cast<QLineEdit*>(d.DialogItem(1092));
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(sample->text(), QStringLiteral("Sample"));
        auto* fd = qobject_cast<QFontDialog*>(d.DialogHandle());
        ASSERT_NE(fd, nullptr);
        changes = 0;
        QFont f(family);
        f.setPointSize(20);
        f.setBold(true);
        fd->setCurrentFont(f);
        settle();
        EXPECT_GE(changes, 1);
        EXPECT_EQ(d.Font().Name, family);
        ClickDialogItem(&d, 1026);
        ASSERT_EQ(applied.size(), 1u);
        EXPECT_EQ(applied[0].Name, family);
        EXPECT_EQ(applied[0].Size(), 20);
        EXPECT_TRUE(applied[0].Style & fsBold);
        EXPECT_EQ(applyWindow, d.FrameHandle());
        // Underline from the dialog's own box counts too.
        auto* underline = qobject_cast<QAbstractButton*>(d.DialogItem(1041));
        ASSERT_NE(underline, nullptr);
        underline->click();
        ClickDialogItem(&d, 1026);
        ASSERT_EQ(applied.size(), 2u);
        EXPECT_TRUE(applied[1].Style & fsUnderline);
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.Font().Name, family);
    EXPECT_EQ(d.Font().Size(), 20);
    EXPECT_EQ(d.Font().Style, fsBold | fsUnderline);
}

// With effects on, a colour box sits in the dialog; the colour chosen there is the font's.
TEST(HostedFontDialog, ColourBoxWithEffects)
{
    for (bool effects : {true, false}) {
        SCOPED_TRACE(effects);
        OtherHostForm host;
        TFormFontDialog d;
        host.Carry(&d);
        d.Options = effects ? unsigned(fdEffects) : 0u;
        TFont start;
        start.Name = QStringLiteral("Liberation Serif");
        start.SetSize(12);
        start.Color = clNavy;
        d.SetFont(start);
        int changes = 0;
        d.OnFontChange = [&](QObject*) { ++changes; };
        WhileHostedDialogRuns(&d, [&] {
            auto* colors = qobject_cast<QComboBox*>(d.DialogItem(1139));
            if (!effects) {
                EXPECT_EQ(colors, nullptr);
                ClickDialogItem(&d, 1);
                return;
            }
            ASSERT_NE(colors, nullptr);
            EXPECT_TRUE(colors->isVisible());
            EXPECT_EQ(colors->count(), 16);
            EXPECT_EQ(TColor(colors->currentData().toUInt()), clNavy);
            changes = 0;
            colors->setCurrentIndex(colors->findData(QVariant::fromValue(uint(clRed))));
            settle();
            EXPECT_GE(changes, 1);
            EXPECT_EQ(d.Font().Color, clRed);
            ClickDialogItem(&d, 1);
        });
        ASSERT_TRUE(d.Execute());
        EXPECT_EQ(d.Font().Color, effects ? clRed : clNavy);
    }
}

// The colour box's caption and names are in the interface language: German names in a German
// run, the built-in English ones without a language library.
TEST(HostedFontDialog, ColourNamesInTheInterfaceLanguage)
{
    const struct {
        bool german;
        const char* caption;
        const char* red;
        const char* navy;
        const char* custom;
    } cases[] = {
        {false, "Co&lor:", "Red", "Navy", "Custom"},
        {true, "&Farbe:", "Rot", "Marineblau", "Benutzerdefiniert"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.german);
        std::optional<testsupport::GermanLanguage> german;
        if (c.german) {
            german.emplace();
            ASSERT_TRUE(german->Loaded());
        }
        OtherHostForm host;
        TFormFontDialog d;
        host.Carry(&d);
        d.Options = fdEffects;
        TFont start;
        start.Color = RGB(1, 2, 3); // a colour of no entry
        d.SetFont(start);
        WhileHostedDialogRuns(&d, [&] {
            auto* colors = qobject_cast<QComboBox*>(d.DialogItem(1139));
            ASSERT_NE(colors, nullptr);
            EXPECT_EQ(colors->itemText(colors->findData(QVariant::fromValue(uint(clRed)))),
                      QString::fromUtf8(c.red));
            EXPECT_EQ(colors->itemText(colors->findData(QVariant::fromValue(uint(clNavy)))),
                      QString::fromUtf8(c.navy));
            EXPECT_EQ(colors->currentText(), QString::fromUtf8(c.custom));
            QStringList captions;
            for (const QLabel* label : colors->parentWidget()->findChildren<QLabel*>())
                if (label->buddy() == colors)
                    captions << label->text();
            EXPECT_EQ(captions, QStringList{QString::fromUtf8(c.caption)});
            ClickDialogItem(&d, 2);
        });
        EXPECT_FALSE(d.Execute());
    }
}

// With fdLimitSize, only the sizes from MinFontSize to MaxFontSize are offered and accepted;
// limits the wrong way round limit nothing.
TEST(HostedFontDialog, SizeLimits)
{
    const struct {
        int min, max;
        unsigned options;
        int start, chosen, result;
    } cases[] = {
        {10, 20, fdEffects | fdLimitSize, 12, 36, 20},
        {10, 20, fdEffects | fdLimitSize, 8, 9, 10},
        {10, 20, fdEffects | fdLimitSize, 12, 14, 14},
        {20, 10, fdEffects | fdLimitSize, 12, 36, 36}, // min above max: no limit
        {10, 20, fdEffects, 12, 36, 36},               // no fdLimitSize: no limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.min << ".." << c.max << " options " << c.options << " chose " << c.chosen);
        OtherHostForm host;
        TFormFontDialog d;
        host.Carry(&d);
        d.Options = c.options;
        d.MinFontSize = c.min;
        d.MaxFontSize = c.max;
        TFont start;
        start.Name = QStringLiteral("Liberation Serif");
        start.SetSize(c.start);
        d.SetFont(start);
        WhileHostedDialogRuns(&d, [&] {
            auto* fd = qobject_cast<QFontDialog*>(d.DialogHandle());
            ASSERT_NE(fd, nullptr);
            const bool limited = (c.options & fdLimitSize) && c.min <= c.max;
            if (limited) {
                EXPECT_GE(fd->currentFont().pointSize(), c.min);
            }
            // The size list shows only sizes in range.
            int offered = 0, outside = 0;
            for (QListView* list : fd->findChildren<QListView*>()) {
                for (int r = 0; r < list->model()->rowCount(); ++r) {
                    bool number = false;
                    const int size = list->model()->index(r, 0).data().toString().toInt(&number);
                    if (!number || list->isRowHidden(r))
                        continue;
                    ++offered;
                    if (size < c.min || size > c.max)
                        ++outside;
                }
            }
            EXPECT_GT(offered, 0);
            if (limited)
                EXPECT_EQ(outside, 0);
            else
                EXPECT_GT(outside, 0);
            QFont f = fd->currentFont();
            f.setPointSize(c.chosen);
            fd->setCurrentFont(f);
            settle();
            ClickDialogItem(&d, 1);
        });
        ASSERT_TRUE(d.Execute());
        EXPECT_EQ(d.Font().Size(), c.result);
    }
}

// OnPaintPage gets each part of the sample page with its rectangle, the page first; what it
// paints shows, and a part it answers for is left to it.
TEST(HostedPageSetup, PaintPageHookPaintsTheSample)
{
    OtherHostForm host;
    TFormPageSetupDialog d;
    host.Carry(&d);
    d.Measurements = pmMillimeters;
    d.PaperSize = QSize(21000, 29700);
    d.Margins = {2000, 2000, 2000, 2000};
    QList<TPageSetupPaintPart> parts;
    TRect page, margin;
    d.OnPaintPage = [&](QObject* sender, TCanvas* canvas, const TRect& r, TPageSetupPaintPart part) {
        EXPECT_EQ(sender, &d);
        parts << part;
        if (part == ppFullPage)
            page = r;
        if (part == ppMarginRect) {
            margin = r;
            canvas->Brush.Color = clRed;
            canvas->FillRect(r);
            return true;
        }
        return false;
    };
    WhileHostedDialogRuns(&d, [&] {
        auto* sample = d.DialogHandle()->findChild<QWidget*>(QStringLiteral("pageSample"));
        ASSERT_NE(sample, nullptr);
        const QImage shot = sample->grab().toImage();
        EXPECT_EQ(parts.mid(0, 4),
                  (QList<TPageSetupPaintPart>{ppFullPage, ppMinMarginRect, ppMarginRect, ppGreekText}));
        // An A4 page in its proportions, the margins inside it.
        ASSERT_GT(page.Width(), 0);
        EXPECT_NEAR(double(page.Height()) / page.Width(), 297.0 / 210.0, 0.03);
        EXPECT_GT(margin.Left, page.Left);
        EXPECT_LT(margin.Right, page.Right);
        const QPoint middle((margin.Left + margin.Right) / 2, (margin.Top + margin.Bottom) / 2);
        EXPECT_EQ(QRgbToColor(shot.pixel(middle)), clRed);
        // The page itself is the dialog's: white between its edge and the margins.
        EXPECT_EQ(QRgbToColor(shot.pixel(page.Left + 2, page.Top + 2)), clWhite);
        // Changing a margin paints the sample again.
        parts.clear();
        qobject_cast<QDoubleSpinBox*>(d.DialogItem(1155))->setValue(40.0);
        sample->grab();
        EXPECT_FALSE(parts.isEmpty());
        ClickDialogItem(&d, 2);
    });
    d.Execute();
}

TEST(HostedPageSetup, MarginsRoundTripInInchesAndMillimetres)
{
    const struct {
        TPageMeasureUnits units;
        TPageMargins margins;
        QSize paper;
        const char* shownLeft;
    } cases[] = {
        {pmInches, {1000, 500, 750, 1250}, QSize(8500, 11000), "1.000"},         // Letter
        {pmInches, {1234, 1, 999, 0}, QSize(11000, 8500), "1.234"},              // Letter, landscape
        {pmMillimeters, {2540, 1000, 1505, 2000}, QSize(21000, 29700), "25.40"}, // A4
        {pmMillimeters, {1, 2, 3, 4}, QSize(12345, 23456), "0.01"},              // no listed paper
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shownLeft);
        OtherHostForm host;
        TFormPageSetupDialog d;
        host.Carry(&d);
        d.Measurements = c.units;
        d.Margins = c.margins;
        d.PaperSize = c.paper;
        WhileHostedDialogRuns(&d, [&] {
            auto* left = qobject_cast<QDoubleSpinBox*>(d.DialogItem(1155));
            ASSERT_NE(left, nullptr);
            EXPECT_EQ(left->text(), QString::fromLatin1(c.shownLeft));
            ClickDialogItem(&d, 1);
        });
        ASSERT_TRUE(d.Execute());
        EXPECT_EQ(d.Margins, c.margins);
        EXPECT_EQ(d.PaperSize, c.paper);
        EXPECT_EQ(d.Measurements, c.units);
    }
}

TEST(HostedPageSetup, EditedMarginsAndCancel)
{
    TFormPageSetupDialog d;
    d.Measurements = pmMillimeters;
    d.PaperSize = QSize(21000, 29700);
    d.Margins = {1000, 1000, 1000, 1000};
    WhileHostedDialogRuns(&d, [&] {
        qobject_cast<QDoubleSpinBox*>(d.DialogItem(1156))->setValue(12.5);
        qobject_cast<QRadioButton*>(d.DialogItem(1057))->setChecked(true);
        // A margin never passes the paper.
        auto* right = qobject_cast<QDoubleSpinBox*>(d.DialogItem(1157));
        right->setValue(100000);
        EXPECT_EQ(right->value(), 297.0);
        right->setValue(20);
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.Margins, (TPageMargins{1000, 1250, 2000, 1000}));
    EXPECT_EQ(d.PaperSize, QSize(29700, 21000));

    WhileHostedDialogRuns(&d, [&] {
        qobject_cast<QDoubleSpinBox*>(d.DialogItem(1155))->setValue(50);
        ClickDialogItem(&d, 2);
    });
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.Margins, (TPageMargins{1000, 1250, 2000, 1000}));
}

// The dialog's own captions, which Qt has no translation for, come in the interface language,
// each whole in its place; the margins' unit is named in it too.
TEST(HostedPageSetup, CaptionsSpeakTheInterfaceLanguageAndFit)
{
    const testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    const struct {
        TPageMeasureUnits units;
        const char* margins;
    } cases[] = {{pmMillimeters, "Ränder (Millimeter)"}, {pmInches, "Ränder (Zoll)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.margins);
        OtherHostForm host;
        TFormPageSetupDialog d;
        host.Carry(&d);
        d.Measurements = c.units;
        // A paper no list holds shows as the custom size.
        d.PaperSize = QSize(12345, 23456);
        bool ran = false;
        WhileHostedDialogRuns(&d, [&] {
            ran = true;
            QWidget* panel = d.DialogHandle();
            ASSERT_NE(panel, nullptr);
            QStringList titles, labels;
            for (const QGroupBox* g : panel->findChildren<QGroupBox*>())
                titles << g->title();
            for (const QLabel* l : panel->findChildren<QLabel*>())
                labels << l->text();
            EXPECT_EQ(titles, (QStringList{QStringLiteral("Papier"), QStringLiteral("Ausrichtung"),
                                           QString::fromUtf8(c.margins)}));
            EXPECT_EQ(labels, (QStringList{QString::fromUtf8("&Größe:"), QStringLiteral("&Links:"),
                                           QStringLiteral("&Rechts:"), QStringLiteral("&Oben:"),
                                           QStringLiteral("&Unten:")}));
            EXPECT_EQ(qobject_cast<QRadioButton*>(d.DialogItem(1056))->text(), QStringLiteral("&Hochformat"));
            EXPECT_EQ(qobject_cast<QRadioButton*>(d.DialogItem(1057))->text(), QStringLiteral("&Querformat"));
            EXPECT_EQ(qobject_cast<QComboBox*>(d.DialogItem(1137))->currentText(),
                      QStringLiteral("Benutzerdefiniert"));
            testsupport::ExpectTextsFit(&host.form);
            testsupport::ExpectChildrenInside(&d);
            ClickDialogItem(&d, 2);
        });
        EXPECT_FALSE(d.Execute());
        EXPECT_TRUE(ran);
    }
}

TEST(HostedPageSetup, UnitConversions)
{
    EXPECT_EQ(MeasureToDisplay(1000, pmInches), 1.0);
    EXPECT_EQ(MeasureToDisplay(2540, pmMillimeters), 25.4);
    EXPECT_EQ(DisplayToMeasure(0.0005, pmInches), 1);
    EXPECT_EQ(ConvertMeasure(1000, pmInches, pmMillimeters), 2540);
    EXPECT_EQ(ConvertMeasure(2540, pmMillimeters, pmInches), 1000);
    EXPECT_EQ(ConvertMeasure(777, pmInches, pmInches), 777);
}

TEST(HostedPrinterSetup, OkChoosesThePrinter)
{
    const QString pdf = testsupport::freshDir(QStringLiteral("printer-setup")) + QStringLiteral("/out.pdf");
    Printer()->SetPdfFile(pdf);
    const int pdfIndex = int(Printer()->Printers().indexOf(TPrinter::PdfPrinterName()));
    ASSERT_GE(pdfIndex, 0);
    TFormPrinterSetupDialog d;
    WhileHostedDialogRuns(&d, [&] {
        auto* name = qobject_cast<QComboBox*>(d.DialogItem(1139));
        ASSERT_NE(name, nullptr);
        name->setCurrentIndex(pdfIndex);
        auto* where = qobject_cast<QLabel*>(d.DialogItem(1097));
        ASSERT_NE(where, nullptr);
        EXPECT_EQ(where->text(), Printer()->Location(pdfIndex));
        ClickDialogItem(&d, 1);
    });
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(Printer()->PrinterIndex(), pdfIndex);
    Printer()->SetPdfFile(QString());
}

TEST(HostedPrinterSetup, TitledAndLaidOutAsThePrinterSetupDialog)
{
    const QString pdf =
        testsupport::freshDir(QStringLiteral("printer-setup-layout")) + QStringLiteral("/out.pdf");
    Printer()->SetPdfFile(pdf);
    TFormPrinterSetupDialog d;
    WhileHostedDialogRuns(&d, [&] {
        QWidget* frame = QApplication::activeModalWidget();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->windowTitle(), QStringLiteral("Print Setup"));
        // The printer's group, its Properties button and the paper's group fill the dialog.
        auto* status = qobject_cast<QLabel*>(d.DialogItem(1093));
        ASSERT_NE(status, nullptr);
        EXPECT_FALSE(status->text().isEmpty());
        EXPECT_NE(frame->findChild<QPushButton*>(QStringLiteral("propertiesButton")), nullptr);
        EXPECT_NE(frame->findChild<QComboBox*>(QStringLiteral("paperSizeCombo")), nullptr);
        int lowest = 0;
        for (QGroupBox* g : frame->findChildren<QGroupBox*>())
            lowest = std::max(lowest, g->mapTo(frame, QPoint(0, g->height())).y());
        auto* buttons = frame->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_NE(buttons, nullptr);
        // No empty band between the groups and the buttons.
        EXPECT_LT(buttons->mapTo(frame, QPoint(0, 0)).y() - lowest, 40);
        ClickDialogItem(&d, 2);
    });
    EXPECT_FALSE(d.Execute());
    Printer()->SetPdfFile(QString());
}

TEST(HostedFolderDialog, ReturnsTheSubfolder)
{
    const QString base = testsupport::freshDir(QStringLiteral("folder-dialog"));
    ASSERT_TRUE(QDir(base).mkpath(QStringLiteral("first/inner")));
    ASSERT_TRUE(QDir(base).mkpath(QStringLiteral("second")));
    const QString first = base + QStringLiteral("/first");
    const QString second = base + QStringLiteral("/second");

    OtherHostForm host;
    TFormFolderDialog d;
    host.Carry(&d);
    d.SetTitle(QStringLiteral("Pick a folder"));
    d.SetDirectory(first);
    QStringList changes;
    d.OnChange = [&](QObject*) { changes << d.GetDirectory(); };
    WhileHostedDialogRuns(&d, [&] {
        // The folder set before the run is selected as the dialog opens.
        EXPECT_EQ(d.GetDirectory(), first);
        EXPECT_EQ(qobject_cast<QLabel*>(d.DialogItem(14146))->text(), QStringLiteral("Pick a folder"));
        EXPECT_EQ(qobject_cast<QLabel*>(d.DialogItem(14147))->text(), first); // path in the status area
        changes.clear();
        d.SetSelectionPath(second);
        EXPECT_EQ(d.GetDirectory(), second);
        EXPECT_EQ(changes, QStringList{second});
        EXPECT_TRUE(d.DialogItem(1)->isEnabled());
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.GetDirectory(), second);
    EXPECT_EQ(d.DisplayName(), QStringLiteral("second"));
    EXPECT_EQ(d.Title, QStringLiteral("Pick a folder"));

    // Cancelled: the folder chosen before stays.
    WhileHostedDialogRuns(&d, [&] {
        EXPECT_EQ(d.GetDirectory(), second);
        d.SetDirectory(first);
        ClickDialogItem(&d, 2);
    });
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.GetDirectory(), second);
}

TEST(HostedFolderDialog, OptionRules)
{
    const struct {
        unsigned old, value, kept;
    } cases[] = {
        {0x45, 0x45, 0x45},
        {0, bfShowPathInStatusArea, bfShowPathInStatusArea | bfStatusText},
        {0x45, 0x45 | bfBrowseForComputer | bfFileSysAncestors,
         bfStatusText | bfShowPathInStatusArea | bfBrowseForComputer},
        {0x45, 0x45 | bfBrowseForPrinter | bfDontGoBelowDomain,
         bfStatusText | bfShowPathInStatusArea | bfBrowseForPrinter},
        // Already set, nothing is taken away.
        {bfBrowseForComputer, bfBrowseForComputer | bfFileSysDirsOnly,
         bfBrowseForComputer | bfFileSysDirsOnly},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderDialogOptions(c.old, c.value), c.kept) << c.old << " " << c.value;

    TFormFolderDialog d;
    EXPECT_EQ(d.Options(), 0x45u);
    d.SetOptions(d.Options() | bfBrowseForComputer);
    EXPECT_EQ(d.RootFolder(), sfoNetwork);
}

TEST(HostedDialogSizes, FixedSizesOfEachKind)
{
    EXPECT_EQ(TFormColorDialog().FixedSize(), QSize(447, 299));
    EXPECT_EQ(TFormFontDialog().FixedSize(), QSize(395, 319));
    EXPECT_EQ(TFormPageSetupDialog().FixedSize(), QSize(360, 390));
    EXPECT_EQ(TFormPrinterSetupDialog().FixedSize(), QSize(432, 289));
    EXPECT_EQ(TFormFolderDialog().FixedSize(), QSize(318, 306));
}

// Every Windows identifier of each kind reaches a child of the expected class. Qt names few of
// the children of its colour and font dialogs; a Qt that reorders them fails here.
TEST(HostedDialogItemTables, EveryIdentifierReachesItsChild)
{
    struct Expected {
        int id;
        const char* className;
        const char* text; // the caption it must carry, mnemonic aside ("" for any)
    };
    auto check = [](TFormCommonDialog* d, std::vector<Expected> expected) {
        WhileHostedDialogRuns(d, [d, expected] {
            for (const Expected& e : expected) {
                QWidget* item = d->DialogItem(e.id);
                ASSERT_NE(item, nullptr) << "item " << e.id;
                EXPECT_TRUE(item->inherits(e.className))
                    << "item " << e.id << " is " << item->metaObject()->className();
                if (auto* b = qobject_cast<QAbstractButton*>(item); b && *e.text) {
                    EXPECT_EQ(b->text().remove(QLatin1Char('&')), QString::fromLatin1(e.text)) << e.id;
                }
            }
            ClickDialogItem(d, 2);
        });
        EXPECT_FALSE(d->Execute());
    };
    {
        TFormColorDialog d;
        check(&d, {{1, "QPushButton", "Ok"},
                   {2, "QPushButton", "Cancel"},
                   {703, "QSpinBox", ""},
                   {704, "QSpinBox", ""},
                   {705, "QSpinBox", ""},
                   {706, "QSpinBox", ""},
                   {707, "QSpinBox", ""},
                   {708, "QSpinBox", ""},
                   {712, "QPushButton", "Add to Custom Colors"}});
        // Hue runs to 359, the others to 255: the edits are told apart by order alone.
        WhileHostedDialogRuns(&d, [&] {
            EXPECT_EQ(qobject_cast<QSpinBox*>(d.DialogItem(703))->maximum(), 359);
            d.SetColor(RGB(1, 2, 3));
            EXPECT_EQ(qobject_cast<QSpinBox*>(d.DialogItem(706))->value(), 1);
            EXPECT_EQ(qobject_cast<QSpinBox*>(d.DialogItem(707))->value(), 2);
            EXPECT_EQ(qobject_cast<QSpinBox*>(d.DialogItem(708))->value(), 3);
            ClickDialogItem(&d, 2);
        });
        EXPECT_FALSE(d.Execute());
    }
    {
        TFormFontDialog d;
        check(&d, {{1, "QPushButton", "Ok"},
                   {2, "QPushButton", "Cancel"},
                   {1026, "QPushButton", ""},
                   {1040, "QCheckBox", "Strikeout"},
                   {1041, "QCheckBox", "Underline"},
                   {1092, "QLineEdit", ""}});
    }
    {
        TFormPageSetupDialog d;
        check(&d, {{1, "QPushButton", "Ok"},
                   {2, "QPushButton", "Cancel"},
                   {1056, "QRadioButton", "Portrait"},
                   {1057, "QRadioButton", "Landscape"},
                   {1073, "QGroupBox", ""},
                   {1137, "QComboBox", ""},
                   {1155, "QDoubleSpinBox", ""},
                   {1156, "QDoubleSpinBox", ""},
                   {1157, "QDoubleSpinBox", ""},
                   {1158, "QDoubleSpinBox", ""}});
    }
    {
        TFormPrinterSetupDialog d;
        check(&d, {{1, "QPushButton", "Ok"},
                   {2, "QPushButton", "Cancel"},
                   {1093, "QLabel", ""},
                   {1095, "QLabel", ""},
                   {1097, "QLabel", ""},
                   {1099, "QLabel", ""},
                   {1139, "QComboBox", ""}});
    }
    {
        TFormFolderDialog d;
        d.SetDirectory(QDir::tempPath());
        check(&d, {{1, "QPushButton", "Ok"},
                   {2, "QPushButton", "Cancel"},
                   {14145, "QTreeView", ""},
                   {14146, "QLabel", ""},
                   {14147, "QLabel", ""}});
    }
}
