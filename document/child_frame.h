#pragma once
// The document window: one label document on one paper type, in label or full-page mode. Its
// design objects are the windowless controls of Page; there is no other list of them.
#include "document/design_object.h"
#include "document/paper_type.h"
#include "document/print_worker.h"
#include "document/std.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"
#include "platform/window_message.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QPicture;
struct TPrintOptions;
class TPicture;
class TOpenDialogEx;
class TSaveDialogEx;
class TChildFrame;

// The relabel message the main window posts after a language change.
constexpr unsigned WM_RELABEL = WM_USER + 50;

// Editing tools of the document window (the main window's paint-tool buttons).
enum TEditTool : int8_t {
    ToolArrow = 0,
    ToolLabel = 1,
    ToolImage = 2,
    ToolRect = 3,
    ToolEllipse = 4,
    ToolBarCode = 5,
    ToolFileList = 6,
    ToolCDDBList = 7,
};

// Band corners to origin and size: origin = (smaller X, smaller Y), size = absolute differences.
void NormalizeDragRect(TPoint start, TPoint end, TPoint& origin, TPoint& size);

// BaseWidth: screen pixels of what the window shows at 100 % (the sheet's width in full-page
// mode, the label's otherwise), rounded as every screen length is (RoundValue). Sizes from
// damaged papers give at most 1e8.
int32_t PaperBaseWidth(const PaperType& paper, int32_t pageMode, int pixelsPerInch);

// A font size typed into a dialog: a whole decimal number from MinLabelFontSize to
// MaxLabelFontSize, nothing else. The disc-text dialogs accept only such a size.
constexpr int MinLabelFontSize = 1;
constexpr int MaxLabelFontSize = 1638;
bool FontSizeFromText(const QString& text, int& size);

// The file extensions (upper case, with the dot) that a drop turns into a picture object.
bool IsDroppedPictureFile(const QString& path);

// The page of a document window: paints the paper and its objects, and takes the mouse for the
// window where no object is under it.
class TPageWidget : public TControlHost {
    Q_OBJECT
public:
    explicit TPageWidget(TChildFrame* frame);
    TChildFrame* Frame() const { return m_frame; }

    // The design objects on the page, back to front.
    std::vector<CDesignObject*> Objects() const;

    // What the page keeps of its objects as they come, go, are renamed and selected, so that
    // counting them, checking a name or finding the selection costs the same however many
    // objects the page holds.
    int ObjectCount() const { return int(m_objects.size()); }
    bool HasObjectNamed(const QString& name) const { return m_names.contains(name); }
    bool IsObject(const void* object) const { return m_objects.count(object) != 0; }
    // The selected objects (Selected set through SetSelected or by the constructor).
    std::vector<CDesignObject*> SelectedObjects();
    void ObjectAdded(CDesignObject* object);
    void ObjectRemoved(const QObject* object);
    void ObjectRenamed(CDesignObject* object);
    void ObjectSelected(CDesignObject* object);

protected:
    void ControlAdded(TGraphicControl* control) override;
    void ControlRemoved(TGraphicControl* control) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TChildFrame* m_frame;
    bool m_clicked = false;   // left press on the page itself, not yet released
    std::unordered_map<const void*, QString> m_objects;  // object to the name counted for it
    QHash<QString, int> m_names;                          // name to the number of objects
    // Objects that became selected since the last look, in that order; those no longer
    // selected or gone are dropped when the selection is next asked for.
    std::vector<CDesignObject*> m_selected;
    std::unordered_set<const void*> m_selectedSet;
};

class TChildFrame : public QWidget {
    Q_OBJECT
public:
    // owner: the main window. With an MDI area the window puts itself into a new sub-window of
    // it before it is set up, so its frame size is known; without one it stays a plain widget.
    explicit TChildFrame(QWidget* owner = nullptr, QMdiArea* mdiArea = nullptr);
    ~TChildFrame() override;

    // ---- fields ----
    std::unique_ptr<TSaveDialogEx> SaveDialog;
    QPointer<QWidget> MainWindowHandle;
    bool Dragging = false;
    bool Modified = false;
    int16_t ToolCursor = 0;
    TPoint BandStart, BandCurrent;
    TPoint PreviousCentre;
    int32_t PreviousHalfHeight = 0;
    TPoint PaperCentre;
    TPoint MinTrackSize;
    int32_t BaseWidth = 0;
    int32_t CoreRadius = 0;
    float PaperScale = 0.0f;
    std::unique_ptr<TBitmap> MaskBitmap;
    int8_t Tool = ToolArrow;
    std::unique_ptr<PaperType> Paper;
    int32_t PageMode = PageModeLabel;
    int32_t Zoom = 100;
    int32_t HalfWidth = 0, HalfHeight = 0;
    TColor CoreColor = clWhite;
    TColor OutlineColor = clSilver;
    // The last print job's worker; closing the window stops and joins it.
    std::unique_ptr<TPrintWorker> PrintThread;

    // ---- components ----
    TPageWidget* Page = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction *PaperPropertiesItem = nullptr, *N1 = nullptr, *PasteItem = nullptr, *SelectAllItem = nullptr;
    // Drawing surface of FormPaint, attached while the page paints.
    TCanvas Canvas;

    // ---- window and page geometry ----
    int ClientWidth() const;
    int ClientHeight() const;
    // Sets the client size (the sub-window grows by its frame).
    void SetClientSize(int width, int height);
    // Window size minus client size (the sub-window's frame), (0, 0) outside an MDI area.
    QSize FrameExtent() const;
    // The widget that is the window on screen: the MDI sub-window, or this widget.
    QWidget* WindowWidget() const;
    QMdiSubWindow* SubWindow() const;
    // The window the main window's status bar and commands speak of.
    bool IsActiveDocument() const;
    // wsNormal, wsMinimized or wsMaximized.
    int WindowState() const;
    void SetWindowState(int state);
    // The window's caption: the document's path or its untitled name.
    QString Caption() const;
    void SetCaption(const QString& caption);
    // The window colour (the page's background).
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    // The window's cursor number.
    int Cursor() const { return m_cursor; }
    void SetCursor(int cursor);
    // The window's hint, shown in the main window's status bar.
    QString Hint() const { return statusTip(); }
    void SetHint(const QString& hint) { setStatusTip(hint); }
    // Repaints the page now.
    void Refresh();
    // The design objects, back to front (the page's z-order).
    std::vector<CDesignObject*> Objects() const;
    int ObjectCount() const;
    // The popup menu the window's design objects share; made on first use when make is set.
    TObjectMenu* ObjectPopupMenu(bool make);

    // ---- document window ----
    void FormCreate();
    void LayoutPaperArea();
    void UpdatePaperArea();
    void FormResize(QObject* sender);
    void FormPaint(QObject* sender);
    void FormActivate(QObject* sender);
    void FormDestroy(QObject* sender);
    void SetToolCursor(int cursor);
    void SelectAll();
    // Routes a window message; true when it was one of the window's own.
    bool Dispatch(unsigned msg, uintptr_t wParam, intptr_t lParam);
    void WMGetMinMaxInfo();
    // Object commands (WM_COPYDATA from a design object; wParam may name the sender).
    void WMCopyData(uintptr_t wParam, const COPYDATASTRUCT& data);

    // ---- editing tools and mouse ----
    void FormMouseDown(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void FormMouseMove(QObject* sender, TShiftState shift, int x, int y);
    void FormMouseUp(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void FormKeyDown(QObject* sender, int& key, TShiftState shift);
    // The files of a drop, in order.
    void OnDropFiles(const QStringList& files);
    // What a released band does with a creation tool (origin x0, y0, size w, h): runs the
    // tool's dialog where it has one, creates its objects, and returns to the select tool.
    void CreateToolObject(int tool, int x0, int y0, int w, int h);
    // A dropped picture file as a new picture object; false when the file could not be read.
    bool AddDroppedPicture(const QString& path);
    // Back to the select tool: arrow button down, Tool 0, arrow cursor.
    void ReturnToArrowTool();

    // ---- document commands ----
    void SetModified(bool modified);
    void DeleteSelected();
    void LockSelected();
    void EditSelectedProperties();
    void FormClick(QObject* sender);
    void FormShow(QObject* sender);
    // Called on closing; action = true frees the window.
    void FormClose(QObject* sender, bool& freeWindow);
    void SelectAllItemClick();
    void PaperPropertiesItemClick();
    void PageSetup();
    void InsertPicture(const TPicture* picture);
    void ExportPageBitmap();
    // Save As and Export start at the document's folder and name.
    void StartSaveDialogAtDocument(TOpenDialogEx& dialog, const QString& extension) const;
    void LoadPaperMask();
    void LoadCaptions();
    void RefreshLanguage();

    // ---- clipboard ----
    void CopySelection();
    void CutSelection();
    void PasteClipboard();
    void PasteItemClick();
    QString MakeObjectNameSuffix() const;
    // Enables the popup's Paste by what the clipboard offers.
    void UpdatePasteItem();

    // ---- document file ----
    void LoadDocument(const QString& path);
    void SaveDocument(const QString& path);
    void SaveDocumentAs();
    void QuerySaveDocument();
    void FormCloseQuery(QObject* sender, bool& canClose);

    // ---- printing ----
    // Draws the page into target (width x height pixels, at most 2800 on the larger side): the
    // objects, clipped to the label in label mode, with the paper's outlines when drawOutLine,
    // turned grey when greyscale, the centre hole left white when maskCore (label mode).
    void RenderPage(TBitmap* target, int width, int height, bool drawOutLine, bool greyscale,
                    bool maskCore);
    // The Print command: checks, the print dialog, then RunPrintJob.
    void PrintDocument();
    // Renders the page, prints it on a worker while the progress dialog runs; returns when the
    // dialog has closed and the worker has ended.
    void RunPrintJob(const TPrintOptions& options);
    // The page as it prints on every label position of the sheet, at 180 dpi, in 0.1 mm.
    std::unique_ptr<QPicture> PreviewPicture();
    // Runs the preview window on PreviewPicture; its modal result.
    int ShowPrintPreview();
    // The Print Preview command: the preview, and PrintDocument when it asks to print.
    void PrintPreview();

    // ---- library tiles dropped on the page ----
    // accept: whether the dragged data is taken.
    void FormDragOver(QObject* sender, const QMimeData* data, int x, int y, bool& accept);
    void FormDragDrop(QObject* sender, const QMimeData* data, int x, int y);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TPageWidget;
    class TBandOverlay;
    void BuildPopupMenu();
    void ApplyMinTrackSize();
    // Paper area helpers of FormPaint.
    void PaintLabelMode();
    void PaintFullPageMode();

    QWidget* m_band = nullptr;
    TObjectMenu* m_objectMenu = nullptr;
    TColor m_color = clWhite;
    int m_cursor = 0;
    int m_windowState = wsNormal;
    bool m_created = false;
    bool m_destroyed = false;
    bool m_inResize = false;
};

// A label re-fits itself to its text (after its zoom changed); other kinds are left alone.
void AdjustLabelToText(CDesignObject* object);

// The document window a widget lies in (the widget itself, its page or an object), or nullptr.
TChildFrame* ChildFrameOf(QWidget* widget);
