#include "controls/color_button.h"
#include "platform/registry.h"
#include "platform/top_most.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

namespace {

struct Form {
    QWidget window;
    TscColorButton* button = new TscColorButton(&window);
    int changes = 0;
    Form()
    {
        window.setObjectName(QStringLiteral("Form"));
        button->setObjectName(QStringLiteral("FontColor"));
        button->move(20, 20);
        button->OnColorChange = [this](QObject*) { ++changes; };
        window.resize(200, 200);
        window.show();
    }
};

struct DialogAnswer {
    explicit DialogAnswer(std::function<bool(QWidget*, TColor&, QStringList&)> f)
    {
        SetColorDialogHandler(std::move(f));
    }
    ~DialogAnswer() { SetColorDialogHandler(nullptr); }
};

} // namespace

TEST(ColorArray, IndexesAndStorage)
{
    TColorArrayClass a(4, 5);
    for (int y = 1; y <= 5; ++y)
        for (int x = 1; x <= 4; ++x)
            a.SetColor(x, y, TColor(y * 10 + x));
    // Row by row: element (Y - 1) * XSize + X.
    EXPECT_EQ(a.SingleColor(1), 11u);
    EXPECT_EQ(a.SingleColor(5), 21u);
    EXPECT_EQ(a.SingleColor(20), 54u);

    const struct {
        int x, y;
    } bad[] = {{0, 1}, {1, 0}, {5, 1}, {1, 6}, {-1, -1}};
    for (const auto& b : bad)
        EXPECT_THROW(a.Color(b.x, b.y), EColorArrayIndexError) << b.x << "," << b.y;
    EXPECT_THROW(a.SingleColor(0), EColorArrayIndexError);
    EXPECT_THROW(a.SingleColor(21), EColorArrayIndexError);
    try {
        a.SetColor(9, 9, 0);
    } catch (const EColorArrayIndexError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Array index out of bounds"));
    }

    TColorArrayClass b(4, 5);
    b.Assign(a);
    EXPECT_TRUE(a.IsEqualTo(&b));
    EXPECT_TRUE(a.IsEqualTo(&a));
    EXPECT_FALSE(a.IsEqualTo(nullptr));
    b.SetColor(4, 5, 0);
    EXPECT_FALSE(a.IsEqualTo(&b));
    b.SetXSize(2);
    EXPECT_EQ(b.Count(), 10);
}

TEST(ColorButton, SetColorEvents)
{
    Form f;
    EXPECT_EQ(f.button->Color(), clBlack);
    EXPECT_EQ(f.button->PaletteColorIndex(), 2); // black: column 2, row 1; cells run row by row
    EXPECT_EQ(f.button->size(), QSize(45, 22));

    const struct {
        TColor color;
        int index;
        int changes;
    } steps[] = {
        {clRed, 5, 1},        // (255, 0, 0): column 1, row 2
        {clRed, 5, 1},        // the same colour: nothing
        {RGB(1, 2, 3), 0, 2}, // not in the palette
        {RGB(127, 127, 127), 4, 3},
        {clWhite, 1, 4},
    };
    for (const auto& s : steps) {
        f.button->SetColor(s.color);
        EXPECT_EQ(f.button->Color(), s.color);
        EXPECT_EQ(f.button->PaletteColorIndex(), s.index);
        EXPECT_EQ(f.changes, s.changes);
    }
    f.button->SetPaletteColorIndex(21); // out of range: ignored
    EXPECT_EQ(f.changes, 4);
    f.button->OtherColor = RGB(9, 9, 9);
    f.button->SetPaletteColorIndex(0);
    EXPECT_EQ(f.button->Color(), RGB(9, 9, 9));
    EXPECT_EQ(f.changes, 5);
}

TEST(ColorButton, CycleColorsStepsThroughThePalette)
{
    Form f;
    f.button->CycleColors = true;
    f.button->SetColor(f.button->PaletteColors.SingleColor(19));
    f.button->OtherColor = RGB(1, 1, 1);
    QCursor::setPos(f.button->mapToGlobal(QPoint(3, 3)));
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        f.button->ButtonClick();
        seen.push_back(f.button->PaletteColorIndex());
    }
    EXPECT_EQ(seen, (std::vector<int>{20, 0, 1}));
    EXPECT_EQ(f.button->Palette(), nullptr);
    // On the arrow the palette drops down instead.
    QCursor::setPos(f.button->mapToGlobal(QPoint(f.button->width() - 5, 3)));
    f.button->ButtonClick();
    ASSERT_NE(f.button->Palette(), nullptr);
    f.button->Palette()->close();
}

TEST(ColorPalette, KeysMoveAndPick)
{
    Form f;
    f.button->SetColor(clRed);
    QCursor::setPos(QPoint(0, 0) - QPoint(1000, 1000));
    QTest::mouseClick(f.button, Qt::LeftButton);
    TSCColorButtonPalette* p = f.button->Palette();
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(f.button->PaletteShown());
    EXPECT_EQ(p->CurrentSquare(), QPoint(1, 2)); // the start colour is framed
    EXPECT_EQ(p->btnOther->text(), QStringLiteral("&Other"));
    EXPECT_EQ(p->width(), TSCColorButtonPalette::ClientWidth + 2 * TSCColorButtonPalette::Border);

    const struct {
        Qt::Key key;
        QPoint square;
    } moves[] = {
        {Qt::Key_Up, {1, 1}},    {Qt::Key_Up, {1, 0}}, // above row 1: the other square
        {Qt::Key_Left, {1, 0}},                        // no column moves there
        {Qt::Key_Up, {1, 5}},    {Qt::Key_Down, {1, 0}}, {Qt::Key_Down, {1, 1}},
        {Qt::Key_Left, {4, 1}}, // columns wrap
        {Qt::Key_Right, {1, 1}}, {Qt::Key_Down, {1, 2}}, {Qt::Key_Right, {2, 2}},
    };
    for (const auto& m : moves) {
        QTest::keyClick(p, m.key);
        EXPECT_EQ(p->CurrentSquare(), m.square) << int(m.key);
    }
    QPointer<TSCColorButtonPalette> guard(p);
    QTest::keyClick(p, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull()); // closed and freed
    EXPECT_EQ(f.button->Color(), RGB(127, 0, 0));
    EXPECT_FALSE(f.button->PaletteShown());
    EXPECT_FALSE(f.button->IgnoreNextClick());

    // Escape closes without a colour.
    QTest::mouseClick(f.button, Qt::LeftButton);
    ASSERT_NE(f.button->Palette(), nullptr);
    QTest::keyClick(f.button->Palette(), Qt::Key_Escape);
    EXPECT_EQ(f.button->Palette(), nullptr);
    EXPECT_EQ(f.button->Color(), RGB(127, 0, 0));
}

TEST(ColorPalette, MouseAndClickOnTheButtonWhileOpen)
{
    Form f;
    QCursor::setPos(QPoint(-1000, -1000));
    QTest::mouseClick(f.button, Qt::LeftButton);
    TSCColorButtonPalette* p = f.button->Palette();
    ASSERT_NE(p, nullptr);
    // Squares under the mouse, and the click that picks one.
    EXPECT_EQ(p->SquareAt(p->SquareRect({3, 4}).center()), QPoint(3, 4));
    EXPECT_EQ(p->SquareAt(p->SquareRect({0, 0}).center()), QPoint(0, 0));
    EXPECT_EQ(p->SquareAt(QPoint(TSCColorButtonPalette::Border + 10, TSCColorButtonPalette::Border + 95)),
              QPoint(-1, -1));
    QTest::mouseMove(p, p->SquareRect({3, 4}).center());
    EXPECT_EQ(p->CurrentSquare(), QPoint(3, 4));
    QTest::mouseClick(p, Qt::LeftButton, {}, p->SquareRect({3, 4}).center());
    EXPECT_EQ(f.button->Color(), RGB(255, 0, 255));
    EXPECT_EQ(f.button->Palette(), nullptr);

    // A click on the button while the palette is open closes it and does not open it again.
    QTest::mouseClick(f.button, Qt::LeftButton);
    ASSERT_NE(f.button->Palette(), nullptr);
    QCursor::setPos(f.button->mapToGlobal(QPoint(5, 5)));
    f.button->Palette()->close(); // as the deactivation does when the button is pressed
    EXPECT_TRUE(f.button->IgnoreNextClick());
    QTest::mouseClick(f.button, Qt::LeftButton);
    EXPECT_EQ(f.button->Palette(), nullptr);
    EXPECT_FALSE(f.button->IgnoreNextClick());
    QTest::mouseClick(f.button, Qt::LeftButton);
    EXPECT_NE(f.button->Palette(), nullptr);
    f.button->Palette()->close();
}

TEST(ColorPalette, WindowsOnTopOfAllStepBackWhileItIsDown)
{
    Form f;
    QCursor::setPos(QPoint(-1000, -1000));
    // A tool window on top of everything, a hidden one, and an ordinary window.
    QWidget onTop(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    onTop.resize(60, 60);
    onTop.show();
    QWidget hiddenOnTop(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    QWidget plain;
    plain.show();
    QWidget tip(nullptr, Qt::ToolTip | Qt::WindowStaysOnTopHint);
    const auto onTopFlag = [](const QWidget& w) { return bool(w.windowFlags() & Qt::WindowStaysOnTopHint); };

    struct Close {
        const char* name;
        std::function<void(TscColorButton*)> close;
    };
    const Close ways[] = {
        {"Escape", [](TscColorButton* b) { QTest::keyClick(b->Palette(), Qt::Key_Escape); }},
        {"a pick", [](TscColorButton* b) { QTest::keyClick(b->Palette(), Qt::Key_Return); }},
        {"closed from outside", [](TscColorButton* b) { b->Palette()->close(); }},
    };
    for (const Close& way : ways) {
        f.button->ButtonClick();
        ASSERT_NE(f.button->Palette(), nullptr) << way.name;
        EXPECT_TRUE(TopMostsNormalized()) << way.name;
        EXPECT_FALSE(onTopFlag(onTop)) << way.name;
        EXPECT_TRUE(onTop.isVisible()) << way.name << ": it only steps back";
        EXPECT_FALSE(onTopFlag(hiddenOnTop)) << way.name;
        EXPECT_FALSE(onTopFlag(plain)) << way.name;
        EXPECT_TRUE(onTopFlag(tip)) << way.name << ": tips are left alone";
        way.close(f.button);
        QApplication::processEvents();
        EXPECT_EQ(f.button->Palette(), nullptr) << way.name;
        EXPECT_FALSE(TopMostsNormalized()) << way.name;
        EXPECT_TRUE(onTopFlag(onTop)) << way.name;
        EXPECT_TRUE(onTop.isVisible()) << way.name;
        EXPECT_TRUE(onTopFlag(hiddenOnTop)) << way.name;
        EXPECT_TRUE(hiddenOnTop.isHidden()) << way.name << ": shown only where it was";
        EXPECT_FALSE(onTopFlag(plain)) << way.name;
    }
    // Stepping through the colours drops nothing down and leaves the windows alone.
    f.button->CycleColors = true;
    QCursor::setPos(f.button->mapToGlobal(QPoint(3, 3)));
    f.button->ButtonClick();
    EXPECT_EQ(f.button->Palette(), nullptr);
    EXPECT_TRUE(onTopFlag(onTop));
    EXPECT_FALSE(TopMostsNormalized());
    // A button freed with its palette down puts them back too.
    {
        auto owner = std::make_unique<Form>();
        owner->button->ButtonClick();
        ASSERT_NE(owner->button->Palette(), nullptr);
        EXPECT_FALSE(onTopFlag(onTop));
    }
    EXPECT_FALSE(TopMostsNormalized());
    EXPECT_TRUE(onTopFlag(onTop));
}

TEST(ColorPalette, OtherButtonRunsTheColourDialog)
{
    Form f;
    f.button->SetColor(RGB(10, 20, 30)); // not in the palette: the other square's colour
    QCursor::setPos(QPoint(-1000, -1000));
    QTest::mouseClick(f.button, Qt::LeftButton);
    TSCColorButtonPalette* p = f.button->Palette();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->OtherColor, RGB(10, 20, 30));
    EXPECT_EQ(p->CurrentSquare(), QPoint(-1, -1));

    // Cancelled: the palette stays; it would not close while the dialog was up.
    bool closedWhileOpen = true;
    {
        DialogAnswer answer([&](QWidget*, TColor&, QStringList&) {
            p->close();
            closedWhileOpen = !p->isVisible();
            return false;
        });
        QTest::mouseClick(p->btnOther, Qt::LeftButton);
    }
    EXPECT_FALSE(closedWhileOpen);
    ASSERT_EQ(f.button->Palette(), p);

    QStringList given;
    {
        DialogAnswer answer([&](QWidget*, TColor& c, QStringList& lines) {
            EXPECT_EQ(c, RGB(10, 20, 30));
            given = lines;
            c = RGB(1, 2, 3);
            lines = {QStringLiteral("ColorC=00112233"), QStringLiteral("ColorP=zz")};
            return true;
        });
        QTest::mouseClick(p->btnOther, Qt::LeftButton);
    }
    ASSERT_EQ(given.size(), 16);
    EXPECT_EQ(given.first(), QStringLiteral("ColorA=00FFFFFF"));
    EXPECT_EQ(given.last(), QStringLiteral("ColorP=00FFFFFF"));
    EXPECT_EQ(f.button->Palette(), nullptr);
    EXPECT_EQ(f.button->Color(), RGB(1, 2, 3));
    EXPECT_EQ(f.button->OtherColor, RGB(1, 2, 3));
    EXPECT_EQ(f.button->CustomColors.Color(3, 1), 0x00112233u);
    EXPECT_EQ(f.button->CustomColors.Color(8, 2), clWhite);
}

TEST(ColorPalette, CustomColourLines)
{
    TColorArrayClass custom(8, 2);
    for (int i = 1; i <= 16; ++i)
        custom.SetSingleColor(i, TColor(i));
    const QStringList lines = CustomColorLines(custom);
    EXPECT_EQ(lines.at(9), QStringLiteral("ColorJ=0000000A")); // column 2, row 2

    TColorArrayClass back(8, 2);
    ReadCustomColorLines(lines, back);
    EXPECT_TRUE(back.IsEqualTo(&custom));

    // Damaged lines: none may write outside the 16 colours or raise.
    const struct {
        const char* line;
        int x, y;
        TColor expected;
    } cases[] = {
        {"ColorB=0000FF00", 2, 1, 0x0000FF00},
        {"ColorB=", 2, 1, clWhite},
        {"ColorB=nothex", 2, 1, clWhite},
        {"ColorB=FFFFFFFFFFFFFFFF", 2, 1, 0xFFFFFFFF}, // only the first 8 digits count
        {"ColorQ=00000000", 1, 1, 1},                  // no such letter: skipped
        {"Color@=00000000", 1, 1, 1},
        {"=00000000", 1, 1, 1},
        {"", 1, 1, 1},
    };
    for (const auto& c : cases) {
        TColorArrayClass t = custom;
        EXPECT_NO_THROW(ReadCustomColorLines({QString::fromLatin1(c.line)}, t)) << c.line;
        EXPECT_EQ(t.Color(c.x, c.y), c.expected) << c.line;
    }
}

TEST(ColorButton, CustomColoursInTheRegistry)
{
    const QString key = QStringLiteral("\\Software\\Tarnwick\\ColorTest\\");
    const struct {
        const char* stored;
        TColor first, second, last;
    } cases[] = {
        {"$00000001,$00000002,$00000003", 1, 2, clWhite},
        {"$1,$00000002", 1, 2, clWhite}, // values of any width, comma by comma
        {"00000001,$zz,,", clWhite, clWhite, clWhite},
        {",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,$00000005", clWhite, clWhite, clWhite},
        {"$123456789,$00000002", clWhite, 2, clWhite}, // too long
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TRegIniFile(key).WriteString(QStringLiteral("Colors"), QStringLiteral("Form.FontColor"),
                                     QString::fromLatin1(c.stored));
        QWidget form;
        form.setObjectName(QStringLiteral("Form"));
        auto* b = new TscColorButton(&form);
        b->setObjectName(QStringLiteral("FontColor"));
        b->CustomColorsKey = key;
        EXPECT_EQ(b->GetSectionName(), QStringLiteral("Form.FontColor"));
        b->LoadCustomColors();
        EXPECT_EQ(b->CustomColors.Color(1, 1), c.first);
        EXPECT_EQ(b->CustomColors.Color(1, 2), c.second); // row advances first
        EXPECT_EQ(b->CustomColors.Color(8, 2), c.last);
    }
    // Saved when the button goes, read by the next one.
    {
        QWidget form;
        form.setObjectName(QStringLiteral("Form"));
        auto* b = new TscColorButton(&form);
        b->setObjectName(QStringLiteral("FontColor"));
        b->CustomColorsKey = key;
        b->CustomColors.SetColor(2, 1, RGB(1, 2, 3));
    }
    EXPECT_EQ(TRegIniFile(key)
                  .ReadString(QStringLiteral("Colors"), QStringLiteral("Form.FontColor"), QString())
                  .section(QLatin1Char(','), 2, 2),
              QStringLiteral("$00030201"));
}

TEST(ColorPalette, PositionHintsAndClosing)
{
    const QRect work(0, 0, 1000, 800);
    const QSize size(78, 127);
    const struct {
        QRect button;
        QPoint expected;
    } cases[] = {
        {QRect(100, 100, 45, 22), QPoint(100, 122)},
        {QRect(100, 750, 45, 22), QPoint(100, 750 - 127)}, // no room below: above the button
        {QRect(-20, 100, 45, 22), QPoint(0, 122)},
        {QRect(980, 100, 45, 22), QPoint(1000 - 78, 122)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSCColorButtonPalette::PalettePosition(c.button, work, size), c.expected);

    QWidget owner;
    auto* p = new TSCColorButtonPalette(&owner);
    QString hint;
    p->BuildHintText(clRed, 1, 2, hint);
    EXPECT_EQ(hint, QStringLiteral("RGB = 255 000 000"));
    p->OnGetColorHintText = [](QObject*, TColor, int, int, QString& text) { text.clear(); };
    p->BuildHintText(clRed, 1, 2, hint);
    EXPECT_TRUE(hint.isEmpty());

    // It goes when it loses the activation.
    int closes = 0;
    p->OnPaletteClose = [&](QObject*) { ++closes; };
    QPointer<TSCColorButtonPalette> guard(p);
    p->show();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(p, &deactivate);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(guard.isNull());
}
