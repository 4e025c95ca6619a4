#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "bars/toolbar_positions.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A form as the program builds one: docks on three edges, a toolbar and a tool window.
struct Form {
    QWidget form;
    TAlignLayout* layout;
    TDockX *top, *left, *right;
    TToolbarX* tools;
    TToolWindowX* library;

    Form()
    {
        form.resize(600, 400);
        layout = new TAlignLayout(&form);
        top = new TDockX(&form, dpTop);
        top->setObjectName(QStringLiteral("TopDock"));
        top->SetAllowDrag(false);
        left = new TDockX(&form, dpLeft);
        left->setObjectName(QStringLiteral("LDock"));
        right = new TDockX(&form, dpRight);
        right->setObjectName(QStringLiteral("RDock"));
        layout->AddControl(top, TAlignLayout::alTop);
        layout->AddControl(left, TAlignLayout::alLeft);
        layout->AddControl(right, TAlignLayout::alRight);
        layout->AddControl(new QWidget(&form), TAlignLayout::alClient);
        tools = new TToolbarX;
        tools->setObjectName(QStringLiteral("PaintToolBar"));
        for (int i = 0; i < 3; ++i)
            new TToolbarButtonX(tools);
        tools->SetHideWhenInactive(false);
        tools->SetParent(left);
        library = new TToolWindowX;
        library->setObjectName(QStringLiteral("GraphicsLibraryBar"));
        library->MinClientWidth = 65;
        library->SetHideWhenInactive(false);
        library->SetClientAreaSize(78, 200);
        library->SetParent(right);
        form.show();
        layout->Realign();
    }
};

struct Snapshot {
    bool docked;
    QString dock;
    int row, pos;
    QPoint floating;
    bool visible;
    int floatWidth;
    QSize libraryClient;
};

Snapshot Take(const Form& f, TCustomToolWindowX* w)
{
    Snapshot s{w->Docked(),
               w->DockedTo() ? w->DockedTo()->objectName() : QString(),
               w->DockRow(),
               w->DockPos(),
               w->FloatingPosition(),
               !w->isHidden(),
               f.tools->FloatingWidth(),
               QSize(f.library->BarWidth(), f.library->BarHeight())};
    return s;
}

void ExpectSame(const Snapshot& a, const Snapshot& b, const char* what)
{
    EXPECT_EQ(a.docked, b.docked) << what;
    EXPECT_EQ(a.dock, b.dock) << what;
    EXPECT_EQ(a.row, b.row) << what;
    EXPECT_EQ(a.pos, b.pos) << what;
    if (!a.docked) {
        EXPECT_EQ(a.floating, b.floating) << what;
    }
    EXPECT_EQ(a.visible, b.visible) << what;
    EXPECT_EQ(a.floatWidth, b.floatWidth) << what;
    EXPECT_EQ(a.libraryClient, b.libraryClient) << what;
}

// A positions file of this text, in place of any before it.
bool WriteBarsFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Moves the bars away from where a new form has them.
void Rearrange(Form& f)
{
    f.tools->SetDockRow(0);
    f.tools->SetParent(f.right);
    f.tools->SetDockPos(30);
    f.tools->SetFloatingWidth(31);
    f.right->ArrangeToolbars(true);
    f.library->SetFloatingPosition(QPoint(120, 140));
    f.library->SetParent(&f.form);
    f.library->SetClientAreaSize(95, 210);
}

TEST(ToolbarPositionsTest, RoundTripThroughTheRegistryAndAnIniFile)
{
    QTemporaryDir dir;
    for (int kind = 0; kind < 2; ++kind) {
        Snapshot tools, library;
        {
            Form f;
            Rearrange(f);
            tools = Take(f, f.tools);
            library = Take(f, f.library);
            if (kind == 0)
                RegSaveToolbarPositions(&f.form,
                                        QStringLiteral("\\Software\\Tarnwick\\Korvane\\2.x\\Bars\\"));
            else
                IniSaveToolbarPositions(&f.form, dir.filePath(QStringLiteral("bars.ini")),
                                        QStringLiteral("Bar_"));
        }
        Form g;
        if (kind == 0)
            RegLoadToolbarPositions(&g.form, QStringLiteral("\\Software\\Tarnwick\\Korvane\\2.x\\Bars\\"));
        else
            IniLoadToolbarPositions(&g.form, dir.filePath(QStringLiteral("bars.ini")),
                                    QStringLiteral("Bar_"));
        ExpectSame(Take(g, g.tools), tools, kind == 0 ? "registry: toolbar" : "ini: toolbar");
        ExpectSame(Take(g, g.library), library, kind == 0 ? "registry: library" : "ini: library");
        EXPECT_EQ(g.library->LastDock(), g.right);
        EXPECT_EQ(g.library->ClientRect().size(), QSize(95, 210));
    }
    TIniFile ini(dir.filePath(QStringLiteral("bars.ini")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Bar_PaintToolBar"), QStringLiteral("Rev"), 0), 3);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Bar_GraphicsLibraryBar"), QStringLiteral("DockedTo"), QString()),
              QStringLiteral("+"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Bar_PaintToolBar"), QStringLiteral("FloatRightX"), -1), 31);
}

TEST(ToolbarPositionsTest, DamagedValuesAreSkippedOrBroughtIntoRange)
{
    struct Case {
        const char* name;
        const char* text; // section of GraphicsLibraryBar
        bool docked;
        QString dock;
        int row;
        const char* lastDock = nullptr; // checked when given
        TDockableTo dockable = DockableToAll;
    };
    const Case cases[] = {
        {"unknown revision leaves it", "Rev=1\nDockedTo=+\n", true, QStringLiteral("RDock"), 0},
        {"missing revision leaves it", "DockedTo=+\n", true, QStringLiteral("RDock"), 0},
        {"dock that does not allow dragging", "Rev=3\nDockedTo=TopDock\n", true, QStringLiteral("RDock"), 0},
        {"unknown dock", "Rev=3\nDockedTo=Nowhere\n", true, QStringLiteral("RDock"), 0},
        {"dock names are exact", "Rev=3\nDockedTo=ldock\n", true, QStringLiteral("RDock"), 0},
        {"empty dock name", "Rev=3\nDockedTo=\nDockRow=5\n", true, QStringLiteral("RDock"), 0},
        {"huge row", "Rev=3\nDockedTo=LDock\nDockRow=2147483647\nDockPos=-2147483648\n", true,
         QStringLiteral("LDock"), 1},
        {"negative row", "Rev=2\nDockedTo=LDock\nDockRow=-40\nDockPos=abc\n", true, QStringLiteral("LDock"),
         0},
        {"far off screen", "Rev=3\nDockedTo=+\nFloatLeft=2147483647\nFloatTop=-2147483648\n", false,
         QString(), 0},
        {"sizes out of range", "Rev=3\nDockedTo=+\nClientWidth=-5\nClientHeight=999999999\n", false,
         QString(), 0},
        {"garbage numbers", "Rev=3\nDockedTo=+\nClientWidth=12abc\nFloatLeft=0x\n", false, QString(), 0},
        {"last dock unknown", "Rev=3\nDockedTo=+\nLastDock=Gone\n", false, QString(), 0},
        {"last dock that does not allow dragging", "Rev=3\nDockedTo=+\nLastDock=TopDock\n", false, QString(),
         0, "RDock"},
        {"last dock the bar may not go to", "Rev=3\nDockedTo=+\nLastDock=LDock\n", false, QString(), 0,
         "RDock", DockableBit(dpRight)},
        {"dock the bar may not go to", "Rev=3\nDockedTo=LDock\n", true, QStringLiteral("RDock"), 0, "RDock",
         DockableBit(dpRight)},
    };
    QTemporaryDir dir;
    const QRect work = GetDesktopAreaRect();
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("damaged.ini"));
        ASSERT_TRUE(WriteBarsFile(path, QByteArray("[GraphicsLibraryBar]\n") + c.text +
                                            "[PaintToolBar]\nRev=3\nDockedTo=LDock\nDockRow=0\nDockPos=0\n"));
        Form f;
        f.library->DockableTo = c.dockable;
        IniLoadToolbarPositions(&f.form, path, QString());
        TToolWindowX* w = f.library;
        EXPECT_EQ(w->Docked(), c.docked) << c.name;
        if (c.lastDock) {
            ASSERT_NE(w->LastDock(), nullptr) << c.name;
            EXPECT_EQ(w->LastDock()->objectName(), QLatin1String(c.lastDock)) << c.name;
        }
        if (c.docked) {
            ASSERT_NE(w->DockedTo(), nullptr) << c.name;
            EXPECT_EQ(w->DockedTo()->objectName(), c.dock) << c.name;
            EXPECT_EQ(w->DockRow(), c.row) << c.name;
            EXPECT_GE(w->DockPos(), 0) << c.name;
        } else {
            EXPECT_TRUE(QRect(w->FloatingPosition(), w->size()).intersects(work)) << c.name;
        }
        EXPECT_GE(w->BarWidth(), w->MinClientWidth) << c.name;
        EXPECT_GE(w->BarHeight(), w->MinClientHeight) << c.name;
        EXPECT_LE(w->BarWidth(), work.width()) << c.name;
        EXPECT_LE(w->BarHeight(), work.height()) << c.name;
        EXPECT_GE(f.tools->FloatingWidth(), 0) << c.name;
    }
}

TEST(ToolbarPositionsTest, BarsPulledOntoASmallerScreenDoNotCoverEachOther)
{
    struct Case {
        const char* name;
        const char* tools;   // section of PaintToolBar
        const char* library; // section of GraphicsLibraryBar
    };
    const Case cases[] = {
        {"both beyond the bottom right", "Rev=3\nDockedTo=+\nFloatLeft=3000\nFloatTop=2000\n",
         "Rev=3\nDockedTo=+\nFloatLeft=3020\nFloatTop=2010\n"},
        {"both beyond the top left", "Rev=3\nDockedTo=+\nFloatLeft=-3000\nFloatTop=-2000\n",
         "Rev=3\nDockedTo=+\nFloatLeft=-2000\nFloatTop=-3000\n"},
        // The library, on screen where it was, is read after the tools are pulled into its corner.
        {"pulled onto one that stays", "Rev=3\nDockedTo=+\nFloatLeft=-3000\nFloatTop=-2000\n",
         "Rev=3\nDockedTo=+\nFloatLeft=0\nFloatTop=0\n"},
    };
    QTemporaryDir dir;
    const QRect work = GetDesktopAreaRect();
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("smaller.ini"));
        ASSERT_TRUE(
            WriteBarsFile(path, QByteArray("[PaintToolBar]\n") + c.tools + "[GraphicsLibraryBar]\n" + c.library));
        Form f;
        IniLoadToolbarPositions(&f.form, path, QString());
        ASSERT_FALSE(f.tools->Docked()) << c.name;
        ASSERT_FALSE(f.library->Docked()) << c.name;
        const QRect tools(f.tools->FloatingPosition(), f.tools->size());
        const QRect library(f.library->FloatingPosition(), f.library->size());
        EXPECT_TRUE(work.contains(tools)) << c.name << ": tools";
        EXPECT_TRUE(work.contains(library)) << c.name << ": library";
        EXPECT_FALSE(tools.intersects(library)) << c.name;
    }
    // Where the library stayed put, it stays there.
    Form f;
    IniLoadToolbarPositions(&f.form, dir.filePath(QStringLiteral("smaller.ini")), QString());
    EXPECT_EQ(f.library->FloatingPosition(), work.topLeft());
}

TEST(ToolbarPositionsTest, FixedSizeWindowIgnoresSavedClientSize)
{
    Form f;
    f.library->SetResizable(false);
    CustomLoadToolbarPositions(
        &f.form,
        [](const QString& tb, const QString& value, int def, void*) {
            if (value == QLatin1String("Rev"))
                return 3;
            if (tb == QLatin1String("GraphicsLibraryBar") && value.startsWith(QLatin1String("Client")))
                return 150;
            return def;
        },
        [](const QString&, const QString& value, const QString& def, void*) {
            return value == QLatin1String("DockedTo") ? QStringLiteral("RDock") : def;
        },
        nullptr);
    EXPECT_EQ(f.library->BarWidth(), 78);
    EXPECT_EQ(f.library->BarHeight(), 200);
}

TEST(ToolbarPositionsTest, SavingNeedsNames)
{
    QTemporaryDir dir;
    {
        Form f;
        f.tools->setObjectName(QString());
        EXPECT_THROW(IniSaveToolbarPositions(&f.form, dir.filePath(QStringLiteral("a.ini")), QString()),
                     EKorvaneError);
    }
    {
        Form f;
        f.left->setObjectName(QString());
        EXPECT_THROW(IniSaveToolbarPositions(&f.form, dir.filePath(QStringLiteral("b.ini")), QString()),
                     EKorvaneError);
    }
    {
        // A dock that does not allow dragging is saved as no dock, and such a window stays put.
        Form f;
        f.left->SetAllowDrag(false);
        const QString path = dir.filePath(QStringLiteral("c.ini"));
        IniSaveToolbarPositions(&f.form, path, QString());
        TIniFile ini(path);
        EXPECT_EQ(
            ini.ReadString(QStringLiteral("PaintToolBar"), QStringLiteral("DockedTo"), QStringLiteral("x")),
            QString());
        Form g;
        g.tools->SetParent(g.right);
        IniLoadToolbarPositions(&g.form, path, QString());
        EXPECT_EQ(g.tools->DockedTo(), g.right);
    }
}

} // namespace
