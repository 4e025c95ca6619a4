#pragma once
// The program's main window: the document windows' frame, its menus, bars, settings and shut-down.
#include "document/main_window_link.h"
#include "platform/guid.h"
#include "platform/window_message.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QScrollArea;
class TDockX;
class TImageList;
class TToolbarButtonX;
class TToolbarSepX;
class TToolbarX;
class TToolWindowX;
class TscMRUFileList;
class TChildFrame;
class TOpenDialogEx;

// Registered clipboard format of the program's design objects.
inline constexpr char CF_MIXEDOBJ_FORMAT[] = "CF_MIXEDOBJ";
// Cursor numbers registered by the main window.
constexpr int crZoom = 1;
constexpr int crSelection = 2;

class TMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // arguments: the command-line arguments after the program name, already absolute.
    explicit TMainFrame(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TMainFrame() override;

    // False when the paper catalogue could not be loaded; the program must end.
    bool CreatedOk() const { return m_createdOk; }

    // Own fields.
    bool FirstActivation = true;
    std::unique_ptr<TOpenDialogEx> OpenDialog;
    TGUID NextPaperID{};
    bool NextFullPageMode = false;

    // Components.
    QMdiArea* MdiArea = nullptr;
    // The form's client area: the docks along its edges round the document area.
    QWidget* FormClient = nullptr;
    TDockX *CoolBar1 = nullptr, *LDock = nullptr, *RDock = nullptr, *DownDock = nullptr;
    TToolbarX* PaintToolBar = nullptr;
    TToolbarButtonX *ArrowBtn = nullptr, *LabelBtn = nullptr, *ImageBtn = nullptr, *RectBtn = nullptr,
                    *EllipseBtn = nullptr, *BarCodeBtn = nullptr, *FileListBtn = nullptr, *CDDBListBtn = nullptr;
    TToolbarSepX* PaintToolSep = nullptr;
    // The window's image list (ImageListIcon), from which the CDDB tool takes its picture.
    TImageList* ImageList = nullptr;
    TToolWindowX* GraphicsLibraryBar = nullptr;
    QScrollArea* GraphicLibraryList = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    TToolbarX* UpToolbar = nullptr;
    TToolbarButtonX *FileNewBtn = nullptr, *FileOpenBtn = nullptr, *SaveBtn = nullptr, *AcquireBtn = nullptr,
                    *PrintBtn = nullptr, *PrintPreviewBtn = nullptr, *MultipleImagePrintWizardBtn = nullptr,
                    *CutBtn = nullptr, *CopyBtn = nullptr, *PasteBtn = nullptr;
    TscMRUFileList* scMRUFileList = nullptr;

    // Menus and items.
    QMenu *File1 = nullptr, *Edit1 = nullptr, *View1 = nullptr, *Window1 = nullptr, *MemuLang = nullptr,
          *Help1 = nullptr, *ImportMenu = nullptr, *TWAINMenu = nullptr, *OnlineSupportMenu = nullptr,
          *DownImageMenu = nullptr;
    QAction *FileNewItem = nullptr, *FileOpenItem = nullptr, *FileSaveItem = nullptr, *FileSaveAsItem = nullptr,
            *FileCloseItem = nullptr, *PageSetupItem = nullptr, *PrintPreviewItem = nullptr, *PrintItem = nullptr,
            *MultipleImagePrintWizardItem = nullptr, *ExportItem = nullptr, *ImportItem = nullptr,
            *TWAINItem = nullptr, *SelectSourceItem = nullptr, *AcquireItem = nullptr, *N4 = nullptr,
            *FileExitItem = nullptr;
    QAction *CutItem = nullptr, *CopyItem = nullptr, *PasteItem = nullptr, *CleanClipboradItem = nullptr,
            *PaperPropertiesItem = nullptr, *PropertiesItem = nullptr, *SelectAllItem = nullptr,
            *DeleteItem = nullptr, *LockedItem = nullptr;
    QAction *ToolbarItem = nullptr, *GraphicsLibraryItem = nullptr, *OptionsItem = nullptr;
    QAction *WindowCascadeItem = nullptr, *WindowTileHItem = nullptr, *WindowTileVItem = nullptr,
            *WindowArrangeItem = nullptr, *WindowMinimizeItem = nullptr;
    QAction *UsersMenuItem = nullptr, *OnlineSupportItem = nullptr, *WWWConnectItem = nullptr,
            *OnlineUpdateItem = nullptr, *DownImageItem = nullptr, *LinksItem1 = nullptr,
            *HelpAboutItem = nullptr;
    // The fifteen language items, in menu order.
    QList<QAction*> LanguageItems;

    // Form events.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void FormHelp();
    void ApplicationHint(const QString& hint);

    // Messages.
    void WMCopyData(const COPYDATASTRUCT& data);
    void WMDropFiles(const QStringList& names);
    void WMDrawClipboard();

    // Commands.
    void OpenDocumentFile(const QString& path);
    void OpenChildWindow(const QString& path, bool fullPage, const TGUID& paperId);
    void UpdateMenuItems();
    void FileNewItemClick();
    void FileOpenItemClick();
    void FileCloseItemClick();
    void FileExitItemClick();
    void CleanClipboradItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void PageSetupItemClick();
    void PrintPreviewItemClick();
    void PrintItemClick();
    void MultipleImagePrintWizardItemClick();
    void ExportItemClick();
    void SelectSourceItemClick();
    void AcquireItemClick();
    void CutItemClick();
    void CopyItemClick();
    void PasteItemClick();
    void PaperPropertiesItemClick();
    void PropertiesItemClick();
    void SelectAllItemClick();
    void DeleteItemClick();
    void LockedItemClick();
    void OptionsItemClick();
    void HelpAboutItemClick();
    void WWWConnectItemClick();
    void LinksItem1Click();
    void OnlineUpdateItemClick();
    void ToolbarItemClick();
    void GraphicsLibraryItemClick();
    void GraphicsLibraryBarClose();
    void WindowCascadeItemClick();
    void WindowTileHItemClick();
    void WindowTileVItemClick();
    void WindowArrangeItemClick();
    void WindowMinimizeItemClick();
    void UsersMenuItemClick();
    void ArrowBtnClick();
    void ToolBtnClick(int tool);
    void scMRUFileListMRUItemClick(QObject* sender, const QString& fileName);

    // Interface language.
    void ProbeLanguageDlls();
    void CheckLanguageItems();
    // A Language item chosen: stores and loads its language and relabels every window.
    // Nothing happens when the item is already checked.
    void PopMemu_TraClick(QAction* sender);
    void RetranslateAll();
    void WMRetranslate();
    void ApplyLanguage();

    // The paper of the next document from the settings; a missing or unreadable "PaperID"
    // gives the first catalogue paper. False when there is no paper at all.
    static bool StoredPaperID(TGUID& id);
    // Name of a new untitled window: base + (largest number among the untitled captions + 1).
    static QString UntitledName(const QString& base, const QStringList& captions,
                                const std::function<bool(const QString&)>& fileExists);
    // The clipboard offers something a document can paste.
    static bool ClipboardOffersPaste(const QMimeData* data);
    static bool ClipboardOffersMixedObj(const QMimeData* data);
    // The pictures of the window's image list by index (0 paper, 1 classification, 5 paste,
    // 13 maker, 14 the CDDB tool); a null icon for the indices without one.
    static QIcon ImageListIcon(int index);
    static constexpr int ImageListCount = 15;
    static constexpr int CDDBImage = 14;
    // Captions of the document windows, in window order.
    QStringList DocumentCaptions() const;
    int DocumentCount() const;
    // The document windows, in the order they were opened.
    QList<TChildFrame*> Documents() const;
    // The document the commands act on: the frame's active child, none while a dialog is in front.
    TChildFrame* ActiveDocument() const;
    // The paint-tool button of a tool (none for the bar-code tool).
    TToolbarButtonX* ToolButton(int tool) const;
    // Where the bars' positions are kept: a key per bar under it.
    static QString ToolbarPositionsKey();
    // Width of a standard-bar button for its caption.
    static int StandardButtonWidth(const QWidget* button, const QString& caption);
    // What File, New would call the next untitled document.
    QString NextUntitledName() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // Where a window asked for at wanted (its client area) goes so that it, with its frame,
    // lies on a screen.
    static QRect KeptOnScreen(const QRect& wanted, const QMargins& frame);
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMenu* createPopupMenu() override { return nullptr; }

private:
    void BuildMenus();
    void BuildDocks();
    void BuildToolbars();
    void BuildDocksAndStatus();
    void RegisterCursors();
    void RegisterAppPaths();
    void RestorePlacement();
    void WarnWhenSettingsAreNotKept();
    void FillWindowList();
    void TileDocuments(bool horizontal);
    // Document windows that are shown, front to back.
    QList<QMdiSubWindow*> ArrangedWindows() const;
    // Lines the minimised document windows up along the bottom; returns the area above them.
    QRect ArrangeIcons();
    void ConnectCommands();
    void RegisterDocumentLink();
    // Frees the document windows and withdraws the link, before this window comes apart.
    void ReleaseDocuments();
    // Closes the document windows in the order they were opened, each as its own Close would
    // (it may ask to save first); false when one stays open.
    bool CloseDocuments();
    void SetDocumentsPasteEnabled(bool enabled);
    QAction* Item(QMenu* menu, const char* name, const QString& caption, void (TMainFrame::*handler)() = nullptr);

    QStringList m_arguments;
    bool m_createdOk = true;
    bool m_shown = false;
    bool m_closed = false;
    // The window's last state other than minimised (a TWindowState): what is stored at close,
    // so that a window closed while minimised does not start minimised.
    int m_shownState = 0;
    QString m_hint;
    QList<QAction*> m_windowListItems;
    QList<QMetaObject::Connection> m_activeFormChange;
    QMetaObject::Connection m_clipboardViewer;
    std::unique_ptr<TMainWindowLink> m_link;
    QMdiSubWindow* m_dyingWindow = nullptr;   // a document window being destroyed
    bool m_releasing = false;
};

extern TMainFrame* MainFrame;
