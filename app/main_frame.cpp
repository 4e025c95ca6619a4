#include "app/main_frame.h"

#include "app/graphics_library.h"
#include "platform/graphic_control.h"
#include "app/web_links.h"
#include "bars/dock_bar_common.h"
#include "bars/image_list.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "bars/toolbar_positions.h"
#include "controls/recent_list.h"
#include "document/child_frame.h"
#include "document/clipboard.h"
#include "document/paper_catalogue.h"
#include "document/paper_translations.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/language_library.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScreen>
#include <QStyle>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QUrl>
#include <QWindow>

TMainFrame* MainFrame = nullptr;

namespace {


void SetWindowStateNumber(QWidget* w, int state)
{
    if (state == wsMaximized)
        w->setWindowState(w->windowState() | Qt::WindowMaximized);
    else if (state == wsMinimized)
        w->setWindowState(w->windowState() | Qt::WindowMinimized);
    else
        w->setWindowState(w->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
}

bool IsKvoFile(const QString& name)
{
    return name.toUpper().endsWith(QStringLiteral(".KVO")) && QFileInfo(name).isFile();
}

// Colours and the dog-eared sheet the tool button glyphs share.
struct GlyphKit {
    QPainter& p;
    QColor ink{0x00, 0x00, 0x00};
    QColor paper{0xFF, 0xFF, 0xFF};
    QColor accent{0x2A, 0x62, 0xB8};

    void sheet(const QColor& fill) const
    {
        QPainterPath path;
        path.moveTo(8, 3); path.lineTo(20, 3); path.lineTo(26, 9); path.lineTo(26, 29); path.lineTo(8, 29);
        path.closeSubpath();
        p.setBrush(fill);
        p.drawPath(path);
        p.drawLine(QPointF(20, 3), QPointF(20, 9));
        p.drawLine(QPointF(20, 9), QPointF(26, 9));
    }
};

struct GlyphEntry {
    const char* kind;
    void (*draw)(QPainter& p, const GlyphKit& k);
};

const GlyphEntry kGlyphs[] = {
    {"new",
     [](QPainter& p, const GlyphKit& k) {
         k.sheet(k.paper);
         p.setPen(QPen(k.accent, 2.4));
         p.drawLine(QPointF(17, 15), QPointF(17, 25));
         p.drawLine(QPointF(12, 20), QPointF(22, 20));
     }},
    {"open",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xF2, 0xC9, 0x4C));
         p.drawRect(QRectF(3, 9, 24, 18));
         p.setBrush(QColor(0xF7, 0xDB, 0x7A));
         QPolygonF lid; lid << QPointF(7, 14) << QPointF(30, 14) << QPointF(26, 27) << QPointF(3, 27);
         p.drawPolygon(lid);
     }},
    {"save",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(k.accent);
         p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
         p.setBrush(k.paper);
         p.drawRect(QRectF(9, 4, 14, 9));
         p.drawRect(QRectF(8, 18, 16, 10));
     }},
    {"acquire",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xD8, 0xD8, 0xD8));
         p.drawRoundedRect(QRectF(3, 14, 26, 12), 2, 2);
         p.setBrush(k.accent);
         p.drawRect(QRectF(6, 17, 20, 3));
         p.setBrush(k.paper);
         p.drawRect(QRectF(9, 4, 14, 10));
     }},
    {"print",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(k.paper);
         p.drawRect(QRectF(9, 3, 14, 10));
         p.setBrush(QColor(0xB0, 0xB0, 0xB0));
         p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
         p.setBrush(k.paper);
         p.drawRect(QRectF(9, 19, 14, 10));
     }},
    {"preview",
     [](QPainter& p, const GlyphKit& k) {
         k.sheet(k.paper);
         p.setBrush(QColor(0xCF, 0xE3, 0xFF));
         p.drawEllipse(QPointF(15, 16), 6, 6);
         p.setPen(QPen(k.ink, 3));
         p.drawLine(QPointF(19.5, 20.5), QPointF(26, 27));
     }},
    {"wizard",
     [](QPainter& p, const GlyphKit& k) {
         k.sheet(k.paper);
         p.setBrush(QColor(0xCF, 0xE3, 0xFF));
         p.drawEllipse(QPointF(13, 15), 3.5, 3.5);
         p.drawEllipse(QPointF(21, 15), 3.5, 3.5);
         p.drawEllipse(QPointF(13, 23), 3.5, 3.5);
         p.drawEllipse(QPointF(21, 23), 3.5, 3.5);
     }},
    {"cut",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(10, 24), 4, 4);
         p.drawEllipse(QPointF(22, 24), 4, 4);
         p.drawLine(QPointF(12, 21), QPointF(22, 4));
         p.drawLine(QPointF(20, 21), QPointF(10, 4));
     }},
    {"copy",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(k.paper);
         p.drawRect(QRectF(4, 3, 15, 19));
         p.drawRect(QRectF(13, 10, 15, 19));
     }},
    {"paste",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xC8, 0x9A, 0x5A));
         p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
         p.setBrush(k.paper);
         p.drawRect(QRectF(13, 12, 15, 17));
         p.setBrush(QColor(0x90, 0x90, 0x90));
         p.drawRect(QRectF(10, 2, 8, 5));
     }},
    {"arrow",
     [](QPainter& p, const GlyphKit& k) {
         QPolygonF a;
         a << QPointF(9, 3) << QPointF(9, 25) << QPointF(14, 20) << QPointF(18, 29) << QPointF(21, 27)
           << QPointF(17, 19) << QPointF(24, 19);
         p.setBrush(k.paper);
         p.drawPolygon(a);
     }},
    {"label",
     [](QPainter& p, const GlyphKit& k) {
         QFont f(QStringLiteral("Times New Roman"));
         f.setPixelSize(24);
         f.setBold(true);
         p.setFont(f);
         p.setPen(k.accent);
         p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("A"));
     }},
    {"image",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(k.paper);
         p.drawRect(QRectF(3, 6, 26, 20));
         p.setBrush(QColor(0x5C, 0xA8, 0x4E));
         QPolygonF hill; hill << QPointF(4, 25) << QPointF(13, 13) << QPointF(19, 20) << QPointF(22, 17) << QPointF(28, 25);
         p.setPen(Qt::NoPen);
         p.drawPolygon(hill);
         p.setBrush(QColor(0xF2, 0xC9, 0x4C));
         p.drawEllipse(QPointF(22, 11), 2.5, 2.5);
     }},
    {"rect",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xCF, 0xE3, 0xFF));
         p.drawRect(QRectF(4, 8, 24, 16));
     }},
    {"ellipse",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xCF, 0xE3, 0xFF));
         p.drawEllipse(QRectF(3, 7, 26, 18));
     }},
    {"barcode",
     [](QPainter& p, const GlyphKit& k) {
         p.setPen(Qt::NoPen);
         p.setBrush(k.ink);
         for (int x = 5, i = 0; x < 27; x += (i % 3) + 2, ++i)
             p.drawRect(QRectF(x, 7, (i % 2) + 1, 18));
     }},
    {"filelist",
     [](QPainter& p, const GlyphKit& k) {
         k.sheet(k.paper);
         p.setPen(QPen(k.accent, 2));
         for (int y = 13; y <= 25; y += 4)
             p.drawLine(QPointF(11, y), QPointF(23, y));
     }},
    {"sheet",
     [](QPainter& p, const GlyphKit& k) {
         k.sheet(k.paper);
         p.setBrush(QColor(0xCF, 0xE3, 0xFF));
         p.drawEllipse(QPointF(17, 19), 6, 6);
     }},
    {"folder",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xF2, 0xC9, 0x4C));
         p.drawRoundedRect(QRectF(3, 8, 26, 19), 2, 2);
         p.drawRect(QRectF(3, 5, 10, 4));
     }},
    {"maker",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xB8, 0xC6, 0xDC));
         p.drawRect(QRectF(4, 12, 24, 16));
         QPolygonF roof; roof << QPointF(2, 13) << QPointF(16, 3) << QPointF(30, 13);
         p.setBrush(k.accent);
         p.drawPolygon(roof);
         p.setBrush(k.paper);
         p.drawRect(QRectF(13, 18, 6, 10));
     }},
    {"cddb",
     [](QPainter& p, const GlyphKit& k) {
         p.setBrush(QColor(0xE4, 0xE8, 0xF0));
         p.drawEllipse(QPointF(16, 16), 13, 13);
         p.setBrush(k.paper);
         p.drawEllipse(QPointF(16, 16), 4, 4);
         p.setPen(QPen(k.accent, 1.4));
         p.setBrush(Qt::NoBrush);
         p.drawArc(QRectF(7, 7, 18, 18), 30 * 16, 60 * 16);
     }},
};

// Glyphs of the buttons, drawn here so the program carries no picture files for them, on a
// 32 by 32 grid. An unknown kind gives a blank glyph.
void DrawGlyph(QPainter& p, const QString& kind, bool smooth = true)
{
    p.setRenderHint(QPainter::Antialiasing, smooth);
    const GlyphKit kit{p};
    p.setPen(QPen(kit.ink, 1.6));
    for (const GlyphEntry& g : kGlyphs) {
        if (kind == QLatin1String(g.kind)) {
            g.draw(p, kit);
            break;
        }
    }
}

QIcon Glyph(const QString& kind)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    DrawGlyph(p, kind);
    p.end();
    return QIcon(pm);
}

// A button's glyph bitmap of side pixels: the picture on the button face, whose colour (the
// bottom-left pixel) is the transparent one. Drawn without smoothing, so its outlines stay black
// for the disabled look made from the black pixels.
TBitmap GlyphBitmap(const QString& kind, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(ColorToQColor(clBtnFace));
    QPainter p(&image);
    p.scale(side / 32.0, side / 32.0);
    DrawGlyph(p, kind, false);
    p.end();
    // Outlines thinner than a pixel come out dark grey: they are black ink.
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const QRgb px = image.pixel(x, y);
            if (qRed(px) < 0x60 && qGreen(px) < 0x60 && qBlue(px) < 0x60)
                image.setPixel(x, y, 0xFF000000);
        }
    TBitmap bitmap;
    bitmap.SetImage(image.convertToFormat(QImage::Format_BGR888));
    return bitmap;
}

QCursor DrawnCursor(bool zoom)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (zoom) {
        // Magnifier, hot spot in the middle of the lens.
        p.setPen(QPen(Qt::white, 4));
        p.drawEllipse(QPointF(12, 12), 8, 8);
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawEllipse(QPointF(12, 12), 8, 8);
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(QPointF(18, 18), QPointF(28, 28));
        p.end();
        return QCursor(pm, 12, 12);
    }
    // Cross with a small frame: the cursor of every creating tool; hot spot at the centre.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass == 0 ? Qt::white : Qt::black, pass == 0 ? 3 : 1));
        p.drawLine(15, 2, 15, 12);
        p.drawLine(15, 18, 15, 28);
        p.drawLine(2, 15, 12, 15);
        p.drawLine(18, 15, 28, 15);
        p.setBrush(Qt::NoBrush);
        p.drawRect(19, 19, 9, 7);
    }
    p.end();
    return QCursor(pm, 15, 15);
}

} // namespace

QIcon TMainFrame::ImageListIcon(int index)
{
    switch (index) {
    case 0: return Glyph(QStringLiteral("sheet"));
    case 1: return Glyph(QStringLiteral("folder"));
    case 5: return Glyph(QStringLiteral("paste"));
    case 13: return Glyph(QStringLiteral("maker"));
    case CDDBImage: return Glyph(QStringLiteral("cddb"));
    default: return QIcon();
    }
}

TMainFrame::TMainFrame(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_arguments(arguments)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Korvane"));
    setAttribute(Qt::WA_DeleteOnClose);   // close action: free
    setAcceptDrops(true);
    resize(800, 600);
    MainFrame = this;

    // The docking bars' texts come from the language library too.
    SetDockBarsStringLookup([](unsigned id) { return LoadLangStr(int(id)); });
    BuildDocks();
    BuildMenus();
    BuildToolbars();
    BuildDocksAndStatus();
    ConnectCommands();

    scMRUFileList = new TscMRUFileList(this);
    scMRUFileList->setObjectName(QStringLiteral("scMRUFileList"));
    scMRUFileList->BeginLoading();
    scMRUFileList->RemoveOnClick = false;
    scMRUFileList->SetUseSubmenu(true);
    scMRUFileList->SetInsertSeparator(false);
    scMRUFileList->SetSubmenuName(QStringLiteral("Recent F&iles"));
    scMRUFileList->SetClearItemName(QStringLiteral("&Clear MRU List"));
    scMRUFileList->SetRemoveObsoleteName(QStringLiteral("&Remove Obsolete"));
    scMRUFileList->SetFileMenu(N4);
    scMRUFileList->SetAutoSaveName(QStringLiteral("\\Software\\Tarnwick\\"));
    scMRUFileList->SetAutoSaveKey(QStringLiteral("History File List"));
    scMRUFileList->OnMRUItemClick = [this](QObject* sender, const QString& name) {
        Application->Guard([&] { scMRUFileListMRUItemClick(sender, name); });
    };
    // Loading is finished by FormCreate, once the product key is set.

    RegisterDocumentLink();
    FormCreate();
}

TMainFrame::~TMainFrame()
{
    if (!m_closed)
        FormClose();
    ReleaseDocuments();
    // The recent list saves itself while this window's menus still exist.
    delete scMRUFileList;
    scMRUFileList = nullptr;
    if (m_createdOk)
        FreePaperCatalogue();
    if (MainFrame == this)
        MainFrame = nullptr;
    if (Application && Application->MainForm == this)
        Application->MainForm = nullptr;
}

QAction* TMainFrame::Item(QMenu* menu, const char* name, const QString& caption, void (TMainFrame::*handler)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { Application->Guard([&] { (this->*handler)(); }); });
    return action;
}

void TMainFrame::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    File1 = bar->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    FileNewItem = Item(File1, "FileNewItem", QStringLiteral("&New..."), &TMainFrame::FileNewItemClick);
    FileNewItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    FileOpenItem = Item(File1, "FileOpenItem", QStringLiteral("&Open..."), &TMainFrame::FileOpenItemClick);
    FileOpenItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    File1->addSeparator();
    FileSaveItem = Item(File1, "FileSaveItem", QStringLiteral("&Save"));
    FileSaveItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    FileSaveAsItem = Item(File1, "FileSaveAsItem", QStringLiteral("Save &As..."));
    FileCloseItem = Item(File1, "FileCloseItem", QStringLiteral("&Close"), &TMainFrame::FileCloseItemClick);
    File1->addSeparator();
    PageSetupItem = Item(File1, "PageSetupItem", QStringLiteral("Pa&ge Setup..."));
    PrintPreviewItem = Item(File1, "PrintPreviewItem", QStringLiteral("Print Pre&view"));
    PrintItem = Item(File1, "PrintItem", QStringLiteral("&Print..."));
    PrintItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    MultipleImagePrintWizardItem = Item(File1, "MultipleImagePrintWizardItem", QStringLiteral("Multiple Image Printing Wizard"));
    File1->addSeparator();
    ExportItem = Item(File1, "ExportItem", QStringLiteral("Expo&rt"));
    ImportMenu = File1->addMenu(QStringLiteral("&Import"));
    ImportItem = ImportMenu->menuAction();
    ImportItem->setObjectName(QStringLiteral("ImportItem"));
    TWAINMenu = ImportMenu->addMenu(QStringLiteral("TWAIN"));
    TWAINItem = TWAINMenu->menuAction();
    TWAINItem->setObjectName(QStringLiteral("TWAINItem"));
    SelectSourceItem = Item(TWAINMenu, "SelectSourceItem", QStringLiteral("&Select Source..."));
    AcquireItem = Item(TWAINMenu, "AcquireItem", QStringLiteral("&Acquire..."));
    N4 = File1->addSeparator();
    N4->setObjectName(QStringLiteral("N4"));
    FileExitItem = Item(File1, "FileExitItem", QStringLiteral("E&xit"), &TMainFrame::FileExitItemClick);

    Edit1 = bar->addMenu(QStringLiteral("&Edit"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    CutItem = Item(Edit1, "CutItem", QStringLiteral("Cu&t"));
    CopyItem = Item(Edit1, "CopyItem", QStringLiteral("&Copy"));
    PasteItem = Item(Edit1, "PasteItem", QStringLiteral("&Paste"));
    CleanClipboradItem = Item(Edit1, "CleanClipboradItem", QStringLiteral("Clean &up Clipborad"),
                              &TMainFrame::CleanClipboradItemClick);
    Edit1->addSeparator();
    PaperPropertiesItem = Item(Edit1, "PaperPropertiesItem", QStringLiteral("&Paper Properties..."));
    PropertiesItem = Item(Edit1, "PropertiesItem", QStringLiteral("P&roperties..."));
    PropertiesItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    SelectAllItem = Item(Edit1, "SelectAllItem", QStringLiteral("Select &All"));
    DeleteItem = Item(Edit1, "DeleteItem", QStringLiteral("&Delete"));
    DeleteItem->setShortcut(QKeySequence(Qt::Key_Delete));
    LockedItem = Item(Edit1, "LockedItem", QStringLiteral("&Locked"));
    LockedItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

    View1 = bar->addMenu(QStringLiteral("&View"));
    View1->setObjectName(QStringLiteral("View1"));
    ToolbarItem = Item(View1, "ToolbarItem", QStringLiteral("&Toolbar"), &TMainFrame::ToolbarItemClick);
    ToolbarItem->setCheckable(true);
    ToolbarItem->setChecked(true);
    GraphicsLibraryItem = Item(View1, "GraphicsLibraryItem", QStringLiteral("&Graphics Library"),
                               &TMainFrame::GraphicsLibraryItemClick);
    GraphicsLibraryItem->setCheckable(true);
    GraphicsLibraryItem->setChecked(true);
    OptionsItem = Item(View1, "OptionsItem", QStringLiteral("&Options..."));
    OptionsItem->setVisible(false);

    Window1 = bar->addMenu(QStringLiteral("&Window"));
    Window1->setObjectName(QStringLiteral("Window1"));
    WindowCascadeItem = Item(Window1, "WindowCascadeItem", QStringLiteral("&Cascade"), &TMainFrame::WindowCascadeItemClick);
    WindowTileHItem = Item(Window1, "WindowTileHItem", QStringLiteral("&Tile Horizontal"), &TMainFrame::WindowTileHItemClick);
    WindowTileVItem = Item(Window1, "WindowTileVItem", QStringLiteral("Tile &Vertical"), &TMainFrame::WindowTileVItemClick);
    WindowArrangeItem = Item(Window1, "WindowArrangeItem", QStringLiteral("&Arrange Icons"), &TMainFrame::WindowArrangeItemClick);
    WindowMinimizeItem = Item(Window1, "WindowMinimizeItem", QStringLiteral("&Minimize All"), &TMainFrame::WindowMinimizeItemClick);
    connect(Window1, &QMenu::aboutToShow, this, &TMainFrame::FillWindowList);

    MemuLang = bar->addMenu(QStringLiteral("&Language"));
    MemuLang->setObjectName(QStringLiteral("MemuLang"));
    static const struct { const char* name; const char* caption; } languages[] = {
        {"PopMemu_Tra", "&Traditional Chinese"}, {"PopMemu_Sim", "Simplified &Chinese"},
        {"PopMemu_Czech", "C&zech"}, {"PopMemu_Dutch", "&Dutch"}, {"PopMemu_EnuUs", "&English"},
        {"PopMemu_French", "&French"}, {"PopMemu_German", "&German"}, {"PopMemu_Hungarian", "&Hungarian"},
        {"PopMemu_Japanese", "&Japanese"}, {"PopMemu_Korean", "&Korean"}, {"PopMemu_Polish", "Po&lish"},
        {"PopMemu_Russian", "&Russian"}, {"PopMemu_Serbian", "Serbian"}, {"PopMemu_Spanish", "&Spanish"},
        {"PopMemu_Swedish", "Swedish"},
    };
    for (const auto& l : languages) {
        QAction* item = Item(MemuLang, l.name, QString::fromUtf8(l.caption));
        item->setCheckable(true);
        // Qt has already toggled the mark; the handler wants it as it was before the click.
        connect(item, &QAction::triggered, this, [this, item](bool checked) {
            item->setChecked(!checked);
            Application->Guard([&] { PopMemu_TraClick(item); });
        });
        LanguageItems << item;
    }

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    UsersMenuItem = Item(Help1, "UsersMenuItem", QStringLiteral("&User's Menu"), &TMainFrame::UsersMenuItemClick);
    Help1->addSeparator();
    OnlineSupportMenu = Help1->addMenu(QStringLiteral("&Online Support"));
    OnlineSupportItem = OnlineSupportMenu->menuAction();
    OnlineSupportItem->setObjectName(QStringLiteral("OnlineSupportItem"));
    WWWConnectItem = Item(OnlineSupportMenu, "WWWConnectItem", BuiltinString(WebSiteString));
    OnlineUpdateItem = Item(OnlineSupportMenu, "OnlineUpdateItem", QStringLiteral("&Online Update"));
    DownImageMenu = Help1->addMenu(QStringLiteral("&Download Images"));
    DownImageItem = DownImageMenu->menuAction();
    DownImageItem->setObjectName(QStringLiteral("DownImageItem"));
    LinksItem1 = Item(DownImageMenu, "LinksItem1", BuiltinString(ImageSiteString));
    Help1->addSeparator();
    HelpAboutItem = Item(Help1, "HelpAboutItem", QStringLiteral("&About..."));

    // F1 anywhere in the main window opens the manual.
    auto* help = new QAction(this);
    help->setObjectName(QStringLiteral("HelpKey"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(help);
    connect(help, &QAction::triggered, this, [this] { Application->Guard([this] { FormHelp(); }); });
}

void TMainFrame::BuildDocks()
{
    // Docks along the edges of the client area round the document windows, aligned as the
    // framework aligns a form's controls: top and bottom first, then left and right.
    FormClient = new QWidget(this);
    FormClient->setObjectName(QStringLiteral("FormClient"));
    auto* layout = new TAlignLayout(FormClient);
    auto dock = [this, layout](const char* name, TDockPosition position, TAlignLayout::TAlign align) {
        auto* d = new TDockX(FormClient, position);
        d->setObjectName(QString::fromLatin1(name));
        layout->AddControl(d, align);
        return d;
    };
    CoolBar1 = dock("CoolBar1", dpTop, TAlignLayout::alTop);
    CoolBar1->SetAllowDrag(false);   // one fixed band
    DownDock = dock("DownDock", dpBottom, TAlignLayout::alBottom);
    LDock = dock("LDock", dpLeft, TAlignLayout::alLeft);
    LDock->SetBoundLines(blBottom | blLeft);
    RDock = dock("RDock", dpRight, TAlignLayout::alRight);
    RDock->SetBoundLines(blBottom | blLeft | blRight);

    MdiArea = new QMdiArea(FormClient);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    MdiArea->setBackground(palette().brush(QPalette::Dark));   // the application workspace colour
    layout->AddControl(MdiArea, TAlignLayout::alClient);
    setCentralWidget(FormClient);
}

void TMainFrame::BuildToolbars()
{
    UpToolbar = new TToolbarX;
    UpToolbar->setObjectName(QStringLiteral("UpToolbar"));
    UpToolbar->SetCaption(QStringLiteral("ToolBar"));
    UpToolbar->SetFullSize(true);
    UpToolbar->SetCloseButton(false);

    auto button = [this](const char* name, const QString& caption, const char* glyph,
                         void (TMainFrame::*handler)()) {
        auto* b = new TToolbarButtonX(UpToolbar);
        b->setObjectName(QString::fromLatin1(name));
        b->SetCaption(caption);
        b->SetGlyph(GlyphBitmap(QString::fromLatin1(glyph), 20));
        b->SetLayout(blGlyphTop);
        b->SetSpacing(1);
        b->resize(StandardButtonWidth(b, caption), 36);
        if (handler)
            b->OnClick = [this, handler](TToolbarButtonX*) { Application->Guard([&] { (this->*handler)(); }); };
        return b;
    };
    auto separator = [this] { new TToolbarSepX(UpToolbar); };
    FileNewBtn = button("FileNewBtn", QStringLiteral("New"), "new", &TMainFrame::FileNewItemClick);
    FileOpenBtn = button("FileOpenBtn", QStringLiteral("Open"), "open", &TMainFrame::FileOpenItemClick);
    SaveBtn = button("SaveBtn", QStringLiteral("Save"), "save", nullptr);
    separator();
    AcquireBtn = button("AcquireBtn", QStringLiteral("Acquire"), "acquire", nullptr);
    separator();
    PrintBtn = button("PrintBtn", QStringLiteral("Print"), "print", nullptr);
    PrintPreviewBtn = button("PrintPreviewBtn", QStringLiteral("Preview"), "preview", nullptr);
    MultipleImagePrintWizardBtn = button("MultipleImagePrintWizardBtn", QStringLiteral("Print Wizard"), "wizard", nullptr);
    separator();
    CutBtn = button("CutBtn", QStringLiteral("Cut"), "cut", nullptr);
    CopyBtn = button("CopyBtn", QStringLiteral("Copy"), "copy", nullptr);
    PasteBtn = button("PasteBtn", QStringLiteral("Paste"), "paste", nullptr);
    UpToolbar->SetParent(CoolBar1);
    UpToolbar->show();

    PaintToolBar = new TToolbarX;
    PaintToolBar->setObjectName(QStringLiteral("PaintToolBar"));
    PaintToolBar->SetCaption(QStringLiteral("Paint Tools"));
    PaintToolBar->SetCloseButton(false);
    PaintToolBar->SetDragHandleStyle(dhNone);
    PaintToolBar->SetFullSize(true);
    PaintToolBar->DockableTo = DockableBit(dpLeft) | DockableBit(dpRight) | DockableBit(dpBottom);
    PaintToolBar->SetDefaultDock(LDock);
    ImageList = new TImageList(16, 16, this);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    for (int i = 0; i < ImageListCount; ++i) {
        QImage image = ImageListIcon(i).pixmap(16, 16).toImage();
        if (image.isNull()) {
            image = QImage(16, 16, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
        }
        ImageList->Add(image);
    }
    // A glyph of side pixels, or none for a button that takes its picture from the image list.
    auto tool = [this](const char* name, const char* glyph, int number, int side, bool oldStyle) {
        auto* b = new TToolbarButtonX(PaintToolBar);
        b->setObjectName(QString::fromLatin1(name));
        if (glyph)
            b->SetGlyph(GlyphBitmap(QString::fromLatin1(glyph), side));
        b->SetOldDisabledStyle(oldStyle);
        b->SetGroupIndex(2);
        b->OnClick = [this, number](TToolbarButtonX*) { Application->Guard([&] { ToolBtnClick(number); }); };
        return b;
    };
    ArrowBtn = tool("ArrowBtn", "arrow", 0, 18, false);
    LabelBtn = tool("LabelBtn", "label", 1, 18, false);
    ImageBtn = tool("ImageBtn", "image", 2, 18, false);
    RectBtn = tool("RectBtn", "rect", 3, 18, false);
    EllipseBtn = tool("EllipseBtn", "ellipse", 4, 18, false);
    BarCodeBtn = tool("BarCodeBtn", "barcode", 5, 24, true);
    BarCodeBtn->hide();
    PaintToolSep = new TToolbarSepX(PaintToolBar);
    PaintToolSep->setObjectName(QStringLiteral("PaintToolSep"));
    FileListBtn = tool("FileListBtn", "filelist", 6, 16, true);
    CDDBListBtn = tool("CDDBListBtn", nullptr, 7, 0, true);
    CDDBListBtn->SetImages(ImageList);
    CDDBListBtn->SetImageIndex(CDDBImage);
    ArrowBtn->SetDown(true);
    PaintToolBar->SetParent(LDock);
    PaintToolBar->show();
}

void TMainFrame::BuildDocksAndStatus()
{
    GraphicsLibraryBar = new TToolWindowX;
    GraphicsLibraryBar->setObjectName(QStringLiteral("GraphicsLibraryBar"));
    GraphicsLibraryBar->SetCaption(QStringLiteral("Graphics Library"));
    GraphicsLibraryBar->SetCloseButtonWhenDocked(true);
    GraphicsLibraryBar->SetFullSize(true);
    GraphicLibraryList = new QScrollArea(GraphicsLibraryBar);
    GraphicLibraryList->setObjectName(QStringLiteral("GraphicLibraryList"));
    GraphicLibraryList->setBackgroundRole(QPalette::Base);
    GraphicLibraryList->setFrameShape(QFrame::NoFrame);
    GraphicLibraryList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GraphicLibraryList->verticalScrollBar()->setSingleStep(23);
    GraphicsLibraryBar->ClientLayout()->AddControl(GraphicLibraryList, TAlignLayout::alClient);
    // At its narrowest the panel still shows one whole tile beside the scroll bar.
    const int tileRoom = 65 + GraphicLibraryList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                                         GraphicLibraryList->verticalScrollBar());
    GraphicsLibraryBar->MinClientWidth = std::max(65, tileRoom);
    GraphicsLibraryBar->SetClientAreaSize(std::max(78, tileRoom), 346);
    GraphicsLibraryBar->OnClose = [this](TCustomToolWindowX*) { Application->Guard([this] { GraphicsLibraryBarClose(); }); };
    GraphicsLibraryBar->SetParent(RDock);
    GraphicsLibraryBar->show();

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    const int widths[3] = {350, 45, 250};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(status);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i > 0)
            StatusPanel[i]->setFixedWidth(widths[i]);
        else
            StatusPanel[i]->setMinimumWidth(widths[i]); // a longer hint takes the room the window has
        if (i > 0)
            StatusPanel[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        status->addWidget(StatusPanel[i], i == 0 ? 1 : 0);
    }
    StatusPanel[0]->setText(QStringLiteral("Ready"));
    StatusPanel[1]->setAlignment(Qt::AlignCenter);
}

int TMainFrame::StandardButtonWidth(const QWidget* button, const QString& caption)
{
    // 64 pixels, or more where a caption needs it: a caption is never cut.
    return std::max(64, button->fontMetrics().horizontalAdvance(caption) + 8);
}

QString TMainFrame::ToolbarPositionsKey()
{
    return ProductKey() + QStringLiteral("Toolbars");
}

void TMainFrame::RegisterCursors()
{
    Screen->SetCursor(crZoom, DrawnCursor(true));
    Screen->SetCursor(crSelection, DrawnCursor(false));
}

void TMainFrame::RegisterAppPaths()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    TRegIniFile reg(AppPathsKey(), RootKey::LocalMachine);
    if (!reg.KeyExists(program.fileName())) {
        reg.WriteString(program.fileName(), QString(), program.absoluteFilePath());
        reg.WriteString(program.fileName(), QStringLiteral("Path"), program.absolutePath());
    }
    OnlineUpdateItem->setVisible(!RegisteredUpdater().isEmpty());
}

void TMainFrame::FormCreate()
{
    FirstActivation = true;
    m_hint = LoadLangStr(ReadyHintString);
    setWindowIcon(QApplication::windowIcon());

    // The screen's active-form change: any window or document window activated.
    m_activeFormChange << connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { UpdateMenuItems(); });
    m_activeFormChange << connect(MdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateMenuItems(); });

    RegisterCursors();
    m_clipboardViewer = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                                [this] { Application->Guard([this] { WMDrawClipboard(); }); });

    ProbeLanguageDlls();

    if (!LoadPaperCatalogue()) {
        // Already reported; the program ends without its window.
        m_createdOk = false;
        scMRUFileList->AutoSave = false;   // its entries were never loaded
        for (const auto& c : m_activeFormChange)
            disconnect(c);
        m_activeFormChange.clear();
        return;
    }
    LoadPaperTranslations();
    StartGraphicsLibrary(this);
    WarnWhenSettingsAreNotKept();

    RegisterAppPaths();

    // Where the user left the bars; the View settings below decide which of them show.
    RegLoadToolbarPositions(this, ToolbarPositionsKey());
    {
        TRegIniFile reg(ProductKey());
        OpenDialog = std::make_unique<TOpenDialogEx>(this);
        OpenDialog->InitialDir = reg.ReadString(BasicInfo(), QStringLiteral("LastDir"), QString());
        ToolbarItem->setChecked(reg.ReadBool(BasicInfo(), QStringLiteral("Toolbar"), true));
        UpToolbar->setVisible(reg.ReadBool(BasicInfo(), QStringLiteral("Toolbar"), true));
        // The panel shows only when it holds at least one picture.
        auto* tiles = qobject_cast<TControlHost*>(GraphicLibraryList->widget());
        if (tiles && tiles->ControlCount() > 0) {
            const bool shown = reg.ReadBool(BasicInfo(), QStringLiteral("GraphicsLibrarybar"), true);
            GraphicsLibraryItem->setChecked(shown);
            GraphicsLibraryBar->setVisible(shown);
        } else {
            GraphicsLibraryItem->setChecked(false);
            GraphicsLibraryBar->hide();
        }
    }

    scMRUFileList->SetAutoSaveName(ProductKey());
    scMRUFileList->SetClearItemName(LoadLangStr(RecentClearItemString));
    scMRUFileList->SetRemoveObsoleteName(LoadLangStr(RecentRemoveObsoleteString));
    scMRUFileList->SetSubmenuName(LoadLangStr(RecentSubmenuString));
    scMRUFileList->Loaded();

    CleanClipboradItem->setEnabled(ClipboardOffersPaste(QGuiApplication::clipboard()->mimeData()));
    UpdateMenuItems();
}

QRect TMainFrame::KeptOnScreen(const QRect& wanted, const QMargins& frame)
{
    // The screen that shows most of the window, or the primary one when none shows any of it
    // (a monitor since unplugged, or nonsense in the settings).
    QScreen* screen = nullptr;
    qint64 shown = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->availableGeometry().intersected(wanted);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > shown) {
            shown = area;
            screen = s;
        }
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    // The whole window, frame and title bar included, fits and lies on that screen.
    const QRect room = screen->availableGeometry().marginsRemoved(frame);
    const QSize size = wanted.size().boundedTo(room.size()).expandedTo(QSize(1, 1));
    const int left = std::clamp(wanted.left(), room.left(), std::max(room.right() + 1 - size.width(), room.left()));
    const int top = std::clamp(wanted.top(), room.top(), std::max(room.bottom() + 1 - size.height(), room.top()));
    return QRect(QPoint(left, top), size);
}

void TMainFrame::WarnWhenSettingsAreNotKept()
{
    // A settings file read only in part is never written back, lest the rest of it be lost.
    const TRegIniFile reg(ProductKey());
    if (reg.HiveWritable())
        return;
    Application->MessageBox(LoadLangStr(SettingsNotSavedString).replace(QStringLiteral("%s"), reg.FileName()),
                            LoadLangStr(ProgramNameString), MB_OK | MB_ICONWARNING);
}

void TMainFrame::RestorePlacement()
{
    TRegIniFile reg(ProductKey());
    const int state = reg.ReadInteger(BasicInfo(), QStringLiteral("WindowState"), wsNormal);
    if (WindowStateOf(this) == wsNormal) {
        // Stored and restored as the client area, which a window manager places exactly; the
        // frame around it is the window manager's and not known before the window is shown.
        const QRect now = geometry();
        const auto read = [&](const char* name, int def, int low) {
            return std::clamp(reg.ReadInteger(BasicInfo(), QLatin1String(name), def), low,
                              StoredCoordinateLimit);
        };
        const int left = read("Left", now.x(), -StoredCoordinateLimit);
        const int top = read("Top", now.y(), -StoredCoordinateLimit);
        int w = read("Width", now.width(), 0);
        int h = read("Height", now.height(), 0);
        if (w <= 0 || h <= 0) {
            w = now.width();
            h = now.height();
        }
        QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                       frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
        if (frame.isNull()) {
            // Not framed yet: room for a title bar and borders of the usual size.
            const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
            frame = QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border);
        }
        const bool stored = reg.ValueExists(BasicInfo(), QStringLiteral("Left")) ||
                            reg.ValueExists(BasicInfo(), QStringLiteral("Top")) ||
                            reg.ValueExists(BasicInfo(), QStringLiteral("Width")) ||
                            reg.ValueExists(BasicInfo(), QStringLiteral("Height"));
        if (stored)
            setGeometry(KeptOnScreen(QRect(left, top, w, h), frame));
    }
    SetWindowStateNumber(this, state);
}

void TMainFrame::FormShow()
{
    CheckLanguageItems();
    RetranslateAll();

    if (!m_arguments.isEmpty()) {
        FirstActivation = false;
        for (const QString& a : m_arguments)
            if (IsKvoFile(a))
                OpenDocumentFile(a);
    } else if (FirstActivation) {
        bool startup;
        {
            TRegIniFile reg(ProductKey());
            startup = reg.ReadBool(BasicInfo(), QStringLiteral("Startup"), true);
        }
        if (!startup) {
            RestorePlacement();
            OpenDocumentFile(LoadLangStr(StartupCaptionString) + QString::number(DocumentCount() + 1));
        }
    }

    CutItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    CopyItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    PasteItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    SelectAllItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
}

void TMainFrame::FormActivate()
{
    if (FirstActivation && m_arguments.isEmpty()) {
        FirstActivation = false;
        bool startup;
        {
            TRegIniFile reg(ProductKey());
            startup = reg.ReadBool(BasicInfo(), QStringLiteral("Startup"), true);
        }
        if (startup) {
            RestorePlacement();
            // After the activation has been handled, so the dialog opens over a shown window.
            QMetaObject::invokeMethod(this, [this] { Application->Guard([this] { FileNewItemClick(); }); },
                                      Qt::QueuedConnection);
        }
    }
    FirstActivation = false;
}

void TMainFrame::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    StopGraphicsLibrary(this);

    for (const auto& c : m_activeFormChange)
        disconnect(c);
    m_activeFormChange.clear();

    if (m_createdOk) {
        TRegIniFile reg(ProductKey());
        // A window closed while minimised (the session ending) comes back as it was shown.
        const int state = WindowStateOf(this) == wsMinimized ? m_shownState : WindowStateOf(this);
        reg.WriteInteger(BasicInfo(), QStringLiteral("WindowState"), state);
        reg.WriteBool(BasicInfo(), QStringLiteral("Toolbar"), ToolbarItem->isChecked());
        reg.WriteBool(BasicInfo(), QStringLiteral("GraphicsLibrarybar"), GraphicsLibraryItem->isChecked());
        RegSaveToolbarPositions(this, ToolbarPositionsKey());
        if (state == wsNormal) {
            const QRect client = geometry();
            reg.WriteInteger(BasicInfo(), QStringLiteral("Left"), client.x());
            reg.WriteInteger(BasicInfo(), QStringLiteral("Top"), client.y());
            reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), client.width());
            reg.WriteInteger(BasicInfo(), QStringLiteral("Height"), client.height());
        }
    }

    QClipboard* clipboard = QGuiApplication::clipboard();
    // The transfer file the clipboard's objects still need, when the user keeps them there.
    QString kept;
    if (ClipboardOffersMixedObj(clipboard->mimeData())) {
        if (Application->MessageBox(LoadLangStr(LargeClipboardString), windowTitle(), MB_YESNO) == IDNO) {
            clipboard->clear();
        } else if (const QMimeData* data = clipboard->mimeData()) {
            uint32_t count = 0;
            if (DecodeClipboardBlock(data->data(QString::fromLatin1(CF_MIXEDOBJ)), count, kept))
                kept = QFileInfo(kept).absoluteFilePath();
        }
    }
    // Transfer files nothing on the clipboard refers to any more go.
    for (const QString& file : FindFiles(TempDir(), QStringLiteral("KVO2K_*.clp")))
        if (kept.isEmpty() || QFileInfo(file).absoluteFilePath() != kept)
            QFile::remove(file);

    disconnect(m_clipboardViewer);
    OpenDialog.reset();
}

void TMainFrame::FormHelp()
{
    UsersMenuItemClick();
}

void TMainFrame::ApplicationHint(const QString& hint)
{
    StatusPanel[0]->setText(hint.isEmpty() ? m_hint : hint);
}

void TMainFrame::showEvent(QShowEvent* event)
{
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        Application->Guard([this] { FormShow(); });
    }
    QMainWindow::showEvent(event);
}

void TMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Application->Guard([this] { FormActivate(); });
    if (event->type() == QEvent::WindowStateChange && WindowStateOf(this) != wsMinimized)
        m_shownState = WindowStateOf(this);
    QMainWindow::changeEvent(event);
}

void TMainFrame::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    Application->Guard([&] { canClose = CloseDocuments(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    Application->Guard([this] { FormClose(); });
    QMainWindow::closeEvent(event);
}

bool TMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        ApplicationHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    if (const TMessageEvent* m = AsMessageEvent(event)) {
        if (m->Msg == WM_RELABEL) {
            Application->Guard([this] { WMRetranslate(); });
            return true;
        }
    }
    return QMainWindow::event(event);
}

void TMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainFrame::dropEvent(QDropEvent* event)
{
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    event->acceptProposedAction();
    Application->Guard([&] { WMDropFiles(names); });
}

void TMainFrame::WMCopyData(const COPYDATASTRUCT& data)
{
    if (!data.lpData || data.cbData == 0)
        return;
    // The text ends at the first NUL, and never beyond the block.
    const char* bytes = static_cast<const char*>(data.lpData);
    const size_t length = qstrnlen(bytes, data.cbData);
    const QString path = QString::fromUtf8(bytes, qsizetype(length));
    if (IsKvoFile(path))
        OpenDocumentFile(path);
}

void TMainFrame::WMDropFiles(const QStringList& names)
{
    for (const QString& name : names)
        if (IsKvoFile(name))
            OpenDocumentFile(name);
}

void TMainFrame::WMDrawClipboard()
{
    const bool offers = ClipboardOffersPaste(QGuiApplication::clipboard()->mimeData());
    CleanClipboradItem->setEnabled(offers);
    const bool paste = offers && DocumentCount() >= 1;
    PasteBtn->setEnabled(paste);
    PasteItem->setEnabled(paste);
    SetDocumentsPasteEnabled(offers);
}

void TMainFrame::ProbeLanguageDlls()
{
    // Tags in menu order; the library of each, as a built-in string number (0: none).
    static const struct { unsigned tag; unsigned library; } table[] = {
        {0x10004, 600}, {0x20004, 601}, {5, 607}, {0x10013, 640}, {0x10009, 0},
        {0x1000C, 604}, {0x10007, 605}, {14, 612}, {17, 603}, {0x10012, 642},
        {21, 641}, {25, 643}, {0x2001A, 613}, {10, 606}, {0x1001D, 614},
    };
    for (int i = 0; i < LanguageItems.size(); ++i) {
        QAction* item = LanguageItems.at(i);
        item->setData(table[i].tag);
        if (table[i].library == 0)
            continue;
        if (HINSTANCE library = LoadLibraryA(BuiltinString(table[i].library)))
            FreeLibrary(library);
        else
            item->setVisible(false);
    }

    // First match in this order; Spanish by its primary language.
    static const int order[] = {0, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 1, 13, 14};
    const unsigned current = unsigned(CurrentLanguage);
    for (int index : order) {
        QAction* item = LanguageItems.at(index);
        const unsigned tag = item->data().toUInt();
        const bool match = index == 13 ? (current & 0x3FF) == 10 : current == tag;
        if (match) {
            (item->isVisible() ? item : LanguageItems.at(4))->setChecked(true);
            break;
        }
    }
}

void TMainFrame::CheckLanguageItems()
{
    const unsigned current = unsigned(CurrentLanguage);
    for (QAction* item : LanguageItems)
        if (item->data().toUInt() == current)
            item->setChecked(true);
}

void TMainFrame::PopMemu_TraClick(QAction* sender)
{
    if (!sender || sender->isChecked())
        return;
    QPointer<QMdiSubWindow> maximised = MdiArea->activeSubWindow();
    if (maximised && maximised->isMaximized())
        maximised->showNormal();
    else
        maximised = nullptr;

    CurrentLanguage = sender->data().toUInt();
    {
        TRegIniFile reg(ProductKey());
        reg.WriteInteger(OptionSection(), QStringLiteral("Language"), int(CurrentLanguage));
    }
    for (QAction* item : LanguageItems)
        item->setChecked(item->data().toUInt() == CurrentLanguage);
    LoadLanguageDll();
    RetranslateAll();

    if (maximised)
        if (QMdiSubWindow* active = MdiArea->activeSubWindow())
            active->showMaximized();
}

void TMainFrame::RetranslateAll()
{
    m_hint = LoadLangStr(ReadyHintString);
    // The papers' texts first, so that the documents show their paper in the new language.
    LoadPaperTranslations();
    // A window may close while another relabels itself: each is held by a guarded pointer and
    // told only when it is still there. Only the relabel message of the window just told is
    // handled, so no other queued work (a dialog waiting to open) runs in the middle.
    QList<QPointer<TChildFrame>> documents;
    for (TChildFrame* doc : Documents())
        documents << doc;
    for (const QPointer<TChildFrame>& doc : documents) {
        if (!doc)
            continue;
        PostMessage(doc, WM_RELABEL, 0, 0);
        QCoreApplication::sendPostedEvents(doc, TMessageEvent::type());
    }
    PostMessage(this, WM_RELABEL, 0, 0);
    QCoreApplication::sendPostedEvents(this, TMessageEvent::type());

    // Other open windows (dialogs, floating tool windows) relabel themselves on Qt's signal.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w != this && w->isVisible())
            QCoreApplication::postEvent(w, new QEvent(QEvent::LanguageChange));
}

void TMainFrame::WMRetranslate()
{
    ApplyLanguage();
}

void TMainFrame::ApplyLanguage()
{
    ApplyLanguageCharset(this);
    Application->Title = LoadLangStr(ProgramNameString);
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("App Name"), Application->Title);
    }
    setWindowTitle(LoadLangStr(ProgramNameString));

    const struct { TToolbarButtonX* button; int caption; } buttons[] = {
        {FileNewBtn, 650}, {FileOpenBtn, 651}, {SaveBtn, 652}, {AcquireBtn, 653}, {PrintBtn, 654},
        {PrintPreviewBtn, 655}, {MultipleImagePrintWizardBtn, 656}, {CutBtn, 657}, {CopyBtn, 658}, {PasteBtn, 659},
    };
    for (const auto& b : buttons) {
        b.button->SetCaption(LoadLangStr(b.caption));
        b.button->resize(StandardButtonWidth(b.button, b.button->Caption()), b.button->height());
    }
    UpToolbar->ArrangeControls();

    const struct { QAction* item; int caption; int hint; TToolbarButtonX* button; } items[] = {
        {File1->menuAction(), 450, 451, nullptr},
        {FileNewItem, 452, 453, FileNewBtn},
        {FileOpenItem, 454, 455, FileOpenBtn},
        {FileSaveItem, 456, 457, SaveBtn},
        {FileSaveAsItem, 458, 459, nullptr},
        {FileCloseItem, 460, 461, nullptr},
        {PrintItem, 462, 463, PrintBtn},
        {PageSetupItem, 464, 465, nullptr},
        {MultipleImagePrintWizardItem, 575, 576, MultipleImagePrintWizardBtn},
        {PrintPreviewItem, 467, 467, PrintPreviewBtn},
        {ExportItem, 573, 574, nullptr},
        {ImportItem, 468, 469, nullptr},
        {TWAINItem, 470, 471, nullptr},
        {SelectSourceItem, 472, 473, nullptr},
        {AcquireItem, 474, 475, AcquireBtn},
        {FileExitItem, 476, 478, nullptr},
        {Edit1->menuAction(), 479, 480, nullptr},
        {CutItem, 481, 482, CutBtn},
        {CopyItem, 483, 484, CopyBtn},
        {PasteItem, 485, 486, PasteBtn},
        {CleanClipboradItem, 487, 488, nullptr},
        {PaperPropertiesItem, 700, 701, nullptr},
        {PropertiesItem, 489, 490, nullptr},
        {SelectAllItem, 491, 492, nullptr},
        {DeleteItem, 493, 494, nullptr},
        {LockedItem, 507, 508, nullptr},
        {View1->menuAction(), 551, 552, nullptr},
        {ToolbarItem, 553, 554, nullptr},
        {GraphicsLibraryItem, 556, 557, nullptr},
        {OptionsItem, 558, 559, nullptr},
        {Window1->menuAction(), 495, 496, nullptr},
        {WindowCascadeItem, 497, 498, nullptr},
        {WindowTileVItem, 499, 500, nullptr},
        {WindowTileHItem, 501, 502, nullptr},
        {WindowArrangeItem, 503, 504, nullptr},
        {WindowMinimizeItem, 505, 506, nullptr},
    };
    for (const auto& i : items) {
        i.item->setText(LoadLangStr(i.caption));
        i.item->setStatusTip(LoadLangStr(i.hint));
        if (i.button) {
            i.button->setToolTip(LoadLangStr(i.hint));
            i.button->setStatusTip(LoadLangStr(i.hint));
        }
    }
    GraphicsLibraryBar->SetCaption(LoadLangStr(GraphicsLibraryBarString));

    MemuLang->setTitle(LoadLangStr(LanguageMenuString));
    MemuLang->menuAction()->setStatusTip(LoadLangStr(LanguageMenuHintString));
    static const int languageCaptions[] = {537, 536, 538, 539, 540, 541, 542, 527, 544, 545, 546, 549, 528, 548, 529};
    for (int i = 0; i < LanguageItems.size(); ++i)
        LanguageItems.at(i)->setText(LoadLangStr(languageCaptions[i]));

    UsersMenuItem->setText(LoadLangStr(UsersMenuString));
    OnlineSupportItem->setText(LoadLangStr(OnlineSupportMenuString));
    WWWConnectItem->setText(BuiltinString(WebSiteString));
    OnlineUpdateItem->setText(LoadLangStr(OnlineUpdateItemString));
    LinksItem1->setText(LoadLangStr(ImageSiteString));
    LinksItem1->setStatusTip(LoadLangStr(ImageSiteString));
    DownImageItem->setText(LoadLangStr(DownloadImagesItemString));
    DownImageItem->setStatusTip(LoadLangStr(DownloadImagesItemString));
    Help1->setTitle(LoadLangStr(HelpMenuString));
    Help1->menuAction()->setStatusTip(LoadLangStr(HelpMenuHintString));
    HelpAboutItem->setText(LoadLangStr(AboutItemString));

    UpToolbar->SetCaption(LoadLangStr(ToolBarCaptionString));
    UpToolbar->setToolTip(LoadLangStr(ToolBarHintString));
    PaintToolBar->SetCaption(LoadLangStr(PaintToolCaptionString));
    PaintToolBar->setToolTip(LoadLangStr(PaintToolHintString));

    const struct { TToolbarButtonX* button; int hint; } tools[] = {
        {ArrowBtn, 517}, {LabelBtn, 608}, {ImageBtn, 518}, {RectBtn, 519},
        {EllipseBtn, 520}, {BarCodeBtn, 609}, {FileListBtn, 610}, {CDDBListBtn, 611},
    };
    for (const auto& t : tools) {
        t.button->setToolTip(LoadLangStr(t.hint));
        t.button->setStatusTip(LoadLangStr(t.hint));
    }

    scMRUFileList->SetSubmenuName(LoadLangStr(RecentFilesMenuString));
    if (OpenDialog) {
        OpenDialog->Filter = LoadLangStr(LabelFileFilterString);
        OpenDialog->DefaultExt = LoadLangStr(LabelFileExtensionString);
    }
    StatusPanel[0]->setText(m_hint);
    LoadPaperTranslations();
    ArrowBtnClick();
}
