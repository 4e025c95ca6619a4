#include "document/child_frame.h"
#include "document/clipboard.h"

#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_translations.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/byte_order.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTime>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Results of damaged paper data may be far outside any window; they never overflow an int.
int SafeRound(double v)
{
    if (!std::isfinite(v))
        return 0;
    return RoundValue(std::clamp(v, -1.0e8, 1.0e8));
}

int SafeTrunc(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(v, -1.0e8, 1.0e8));
}

// A usable ratio of two stored sizes (taken as unsigned 32-bit values): finite and above 0.
bool PaperRatio(int32_t numerator, int32_t denominator, float& r)
{
    if (numerator == 0 || denominator == 0)
        return false;
    r = float(uint32_t(numerator)) / float(uint32_t(denominator));
    return std::isfinite(r) && r > 0.0f;
}

// Ratios beyond this make no window of any use; the layout leaves the size alone then.
constexpr float MaxLayoutRatio = 100.0f;

bool LayoutRatio(int32_t numerator, int32_t denominator, float& r)
{
    return PaperRatio(numerator, denominator, r) && r <= MaxLayoutRatio && r >= 1.0f / MaxLayoutRatio;
}

} // namespace

// The rubber band, drawn over the page and its objects.
class TChildFrame::TBandOverlay : public QWidget {
public:
    explicit TBandOverlay(TChildFrame* frame) : QWidget(frame), m_frame(frame)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_frame->Dragging)
            return;
        QPainter painter(this);
        TCanvas canvas(&painter);
        canvas.Brush.Style = bsClear;
        canvas.Pen.Width = 2;
        canvas.Pen.Mode = pmNotXor;
        canvas.Pen.Color = clBlack;
        canvas.Rectangle(m_frame->BandStart.X, m_frame->BandStart.Y, m_frame->BandCurrent.X,
                         m_frame->BandCurrent.Y);
    }

private:
    TChildFrame* m_frame;
};

// ---- free helpers ----

TChildFrame* ChildFrameOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* f = qobject_cast<TChildFrame*>(w))
            return f;
    return nullptr;
}

int32_t PaperBaseWidth(const PaperType& paper, int32_t pageMode, int pixelsPerInch)
{
    const int32_t size = pageMode == PageModeFull ? paper.PaperWidth : paper.ShapeWidth;
    return SafeRound(double(size) * double(ScreenFactor(pixelsPerInch)) * 0.01);
}

void NormalizeDragRect(TPoint start, TPoint end, TPoint& origin, TPoint& size)
{
    origin = TPoint(std::min(start.X, end.X), std::min(start.Y, end.Y));
    size = TPoint(std::abs(start.X - end.X), std::abs(start.Y - end.Y));
}

bool FontSizeFromText(const QString& text, int& size)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int v = t.toInt();
    if (v < MinLabelFontSize || v > MaxLabelFontSize)
        return false;
    size = v;
    return true;
}

bool IsDroppedPictureFile(const QString& path)
{
    static const char* const kExtensions[] = {".PNG", ".GIF", ".PCD", ".PIC", ".BMP",
                                              ".JPG", ".JPEG", ".TGA", ".TIF", ".TIFF"};
    const QString name = QFileInfo(path).fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0)
        return false;
    const QString ext = name.mid(dot).toUpper();
    for (const char* e : kExtensions)
        if (ext == QLatin1String(e))
            return true;
    return false;
}

// ---- page ----

TPageWidget::TPageWidget(TChildFrame* frame) : TControlHost(frame), m_frame(frame)
{
    setObjectName(QStringLiteral("Page"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
}

std::vector<CDesignObject*> TPageWidget::Objects() const
{
    std::vector<CDesignObject*> list;
    list.reserve(m_objects.size());
    for (TGraphicControl* c : Controls())
        if (auto* o = qobject_cast<CDesignObject*>(c))
            list.push_back(o);
    return list;
}

void TPageWidget::ControlAdded(TGraphicControl* control)
{
    if (auto* o = qobject_cast<CDesignObject*>(control))
        ObjectAdded(o);
}

void TPageWidget::ControlRemoved(TGraphicControl* control)
{
    ObjectRemoved(control);
}

void TPageWidget::ObjectAdded(CDesignObject* object)
{
    if (object->Host() != this || !m_objects.try_emplace(object, object->objectName()).second)
        return;
    ++m_names[object->objectName()];
    if (object->Selected)
        ObjectSelected(object);
}

void TPageWidget::ObjectRemoved(const QObject* object)
{
    const auto it = m_objects.find(object);
    if (it == m_objects.end())
        return;
    if (--m_names[it->second] <= 0)
        m_names.remove(it->second);
    m_objects.erase(it);
    m_selectedSet.erase(object);
}

void TPageWidget::ObjectRenamed(CDesignObject* object)
{
    const auto it = m_objects.find(object);
    if (it == m_objects.end() || it->second == object->objectName())
        return;
    if (--m_names[it->second] <= 0)
        m_names.remove(it->second);
    it->second = object->objectName();
    ++m_names[it->second];
}

void TPageWidget::ObjectSelected(CDesignObject* object)
{
    if (IsObject(object) && m_selectedSet.insert(object).second)
        m_selected.push_back(object);
}

std::vector<CDesignObject*> TPageWidget::SelectedObjects()
{
    // Entries of objects that went are no longer in the set; an object made since at the same
    // address may stand there twice.
    std::vector<CDesignObject*> selected;
    std::unordered_set<const void*> seen;
    for (CDesignObject* o : m_selected)
        if (m_selectedSet.count(o) && seen.insert(o).second && o->Selected)
            selected.push_back(o);
    m_selected = selected;
    m_selectedSet.clear();
    m_selectedSet.insert(selected.begin(), selected.end());
    return selected;
}

void TPageWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_frame->Canvas.Attach(&painter);
    Application->Guard([this] { m_frame->FormPaint(this); });
    m_frame->Canvas.Detach();
}

void TPageWidget::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    if (button == mbLeft)
        m_clicked = true;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Application->Guard([&] { m_frame->FormMouseDown(this, button, shift, p.x(), p.y()); });
}

void TPageWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    if (button == mbLeft)
        m_clicked = true;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble;
    Application->Guard([&] { m_frame->FormMouseDown(this, button, shift, p.x(), p.y()); });
}

void TPageWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Application->Guard([&] { m_frame->FormMouseMove(this, shift, p.x(), p.y()); });
}

void TPageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    QPointer<TChildFrame> frame(m_frame);
    // As the framework does: a left press and release on the page is a click, before the
    // release itself.
    if (button == mbLeft && m_clicked) {
        m_clicked = false;
        if (rect().contains(p))
            Application->Guard([&] { m_frame->FormClick(this); });
        if (!frame)
            return;
    }
    Application->Guard([&] { m_frame->FormMouseUp(this, button, shift, p.x(), p.y()); });
}

void TPageWidget::keyPressEvent(QKeyEvent* event)
{
    int key = event->key() == Qt::Key_Escape ? 27 : event->key();
    const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
    Application->Guard([&] { m_frame->FormKeyDown(this, key, shift); });
    if (key == 0)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void TPageWidget::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    m_frame->UpdatePasteItem();
    m_frame->PopupMenu1->popup(event->globalPos());
}

// ---- window ----

TChildFrame::TChildFrame(QWidget* owner, QMdiArea* mdiArea)
    : QWidget(nullptr)
{
    setObjectName(QStringLiteral("ChildFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    MainWindowHandle = owner ? owner : MainWindowLink()->MainWindow();
    Page = new TPageWidget(this);
    m_band = new TBandOverlay(this);
    setFocusProxy(Page);
    BuildPopupMenu();
    resize(472, 399);

    // Inside the main window its own F1 serves; a second one there would make the key ambiguous.
    if (!mdiArea) {
        auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
        help->setContext(Qt::WidgetWithChildrenShortcut);
        connect(help, &QShortcut::activated, this,
                [] { Application->Guard([] { MainWindowLink()->FormHelp(); }); });
    }

    if (mdiArea) {
        QMdiSubWindow* sub = mdiArea->addSubWindow(this);
        connect(sub, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates, Qt::WindowStates now) {
            m_windowState = now & Qt::WindowMinimized ? wsMinimized
                            : now & Qt::WindowMaximized ? wsMaximized : wsNormal;
        });
        connect(mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
            if (w && w == SubWindow() && m_created)
                Application->Guard([this] { FormActivate(this); });
        });
        sub->resize(sub->sizeHint());
    } else if (owner) {
        // Owned by the main window but not placed in it: a window of its own.
        setParent(owner, Qt::Window);
    }
    FormCreate();
    m_created = true;
}

TChildFrame::~TChildFrame()
{
    if (isWindow())
        m_windowState = WindowState();
    if (!m_destroyed)
        FormDestroy(this);
    // The objects go before the paper they draw on.
    Page->DeleteControls();
}

void TChildFrame::BuildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PaperPropertiesItem = PopupMenu1->addAction(QStringLiteral("Paper P&roperties"));
    PaperPropertiesItem->setObjectName(QStringLiteral("PaperPropertiesItem"));
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    PasteItem = PopupMenu1->addAction(QStringLiteral("&Paste"));
    PasteItem->setObjectName(QStringLiteral("PasteItem"));
    PasteItem->setEnabled(false);
    SelectAllItem = PopupMenu1->addAction(QStringLiteral("Select &All"));
    SelectAllItem->setObjectName(QStringLiteral("SelectAllItem"));
    // Shown in the menu; the main window's commands answer the keys.
    PasteItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    PasteItem->setShortcutContext(Qt::WidgetShortcut);
    SelectAllItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    SelectAllItem->setShortcutContext(Qt::WidgetShortcut);
    PasteItem->setIcon(MainWindowLink()->ImageListIcon(5));
    connect(PaperPropertiesItem, &QAction::triggered, this,
            [this] { Application->Guard([this] { PaperPropertiesItemClick(); }); });
    connect(PasteItem, &QAction::triggered, this, [this] { Application->Guard([this] { PasteItemClick(); }); });
    connect(SelectAllItem, &QAction::triggered, this, [this] { Application->Guard([this] { SelectAllItemClick(); }); });
}

void TChildFrame::UpdatePasteItem()
{
    PasteItem->setEnabled(ClipboardOffersPaste(QGuiApplication::clipboard()->mimeData()));
}

int TChildFrame::ClientWidth() const { return width(); }
int TChildFrame::ClientHeight() const { return height(); }

QMdiSubWindow* TChildFrame::SubWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

bool TChildFrame::IsActiveDocument() const
{
    QMdiSubWindow* sub = SubWindow();
    if (!sub || !sub->mdiArea())
        return true;
    return sub->mdiArea()->currentSubWindow() == sub;
}

QWidget* TChildFrame::WindowWidget() const
{
    if (QMdiSubWindow* sub = SubWindow())
        return sub;
    return const_cast<TChildFrame*>(this);
}

QSize TChildFrame::FrameExtent() const
{
    QMdiSubWindow* sub = SubWindow();
    if (!sub)
        return QSize(0, 0);
    // The sub-window's title bar and borders are its contents margins; its layout places the
    // widget inside them only once it is shown.
    QMargins m = sub->contentsMargins();
    if (sub->layout())
        m += sub->layout()->contentsMargins();
    return QSize(std::max(m.left() + m.right(), 0), std::max(m.top() + m.bottom(), 0));
}

void TChildFrame::SetClientSize(int w, int h)
{
    if (QMdiSubWindow* sub = SubWindow()) {
        const QSize extent = FrameExtent();
        sub->resize(w + extent.width(), h + extent.height());
    }
    resize(w, h);
}

int TChildFrame::WindowState() const
{
    return WindowStateOf(WindowWidget());
}

void TChildFrame::SetWindowState(int state)
{
    QWidget* w = WindowWidget();
    const Qt::WindowStates now = w->windowState();
    Qt::WindowStates wanted = now & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == wsMinimized)
        wanted |= Qt::WindowMinimized;
    else if (state == wsMaximized)
        wanted |= Qt::WindowMaximized;
    // Setting the state a window already has (or dropping its active flag) makes the area
    // lay a sub-window out again at its smallest size.
    if (wanted != now)
        w->setWindowState(wanted);
    m_windowState = state == wsMinimized || state == wsMaximized ? state : wsNormal;
}

QString TChildFrame::Caption() const
{
    return windowTitle();
}

void TChildFrame::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
    if (QMdiSubWindow* sub = SubWindow())
        sub->setWindowTitle(caption);
}

void TChildFrame::SetColor(TColor color)
{
    m_color = color;
    QPalette pal = Page->palette();
    pal.setColor(QPalette::Window, ColorToQColor(color));
    Page->setPalette(pal);
    Page->update();
}

void TChildFrame::SetCursor(int cursor)
{
    if (cursor == m_cursor)
        return;
    m_cursor = cursor;
    if (cursor == crDefault)
        Page->UnsetOwnCursor();
    else
        Page->SetOwnCursor(Screen->Cursor(cursor));
}

void TChildFrame::Refresh()
{
    Page->update();
    m_band->update();
}

std::vector<CDesignObject*> TChildFrame::Objects() const
{
    return Page->Objects();
}

int TChildFrame::ObjectCount() const
{
    return Page->ObjectCount();
}

TObjectMenu* TChildFrame::ObjectPopupMenu(bool make)
{
    if (!m_objectMenu && make)
        m_objectMenu = new TObjectMenu(this);
    return m_objectMenu;
}

// ---- creation and layout ----

void TChildFrame::FormCreate()
{
    TMainWindowLink* link = MainWindowLink();
    SaveDialog = std::make_unique<TSaveDialogEx>(this);
    SaveDialog->Options |= ofOverwritePrompt;
    if (!MainWindowHandle)
        MainWindowHandle = link->MainWindow();

    Paper = std::make_unique<PaperType>();
    PageMode = link->NextFullPageMode() ? PageModeFull : PageModeLabel;
    TGUID id = link->NextPaperID();

    BaseWidth = 0;
    Tool = ToolArrow;
    SetToolCursor(crArrow);
    ToolCursor = crDefault;

    CoreColor = clWhite;
    OutlineColor = clSilver;
    SetColor(CoreColor);
    Dragging = false;
    Modified = false;

    if (const PaperType* source = PaperOrFirst(id)) {
        CopyPaperType(source, Paper.get());
        id = source->ID;
    }
    Paper->ID = id;

    MaskBitmap = std::make_unique<TBitmap>();
    LayoutPaperArea();
    LoadPaperMask();

    BaseWidth = PaperBaseWidth(*Paper, PageMode, Screen->PixelsPerInch);

    PreviousHalfHeight = HalfHeight;
    LoadCaptions();
    FormResize(this);

    setAcceptDrops(true);
    SetHint(LoadLangStr(ReadyHintString));
    FormActivate(this);
    UpdatePasteItem();
}

void TChildFrame::ApplyMinTrackSize()
{
    const QSize extent = FrameExtent();
    setMinimumSize(std::max(MinTrackSize.X - extent.width(), 0), std::max(MinTrackSize.Y - extent.height(), 0));
}

void TChildFrame::LayoutPaperArea()
{
    const QSize extent = FrameExtent();
    const int frameW = extent.width(), frameH = extent.height();
    bool known = false;
    int clientW = 0, clientH = 0;
    float r = 0.0f;
    if (PageMode == PageModeLabel) {
        if (Paper->ShapeStyle == ShapeCircle) {
            MinTrackSize = TPoint(frameW + 300, frameH + 300);
            clientW = 400;
            clientH = 400;
            known = true;
        } else if (Paper->ShapeStyle == ShapeRectangle && LayoutRatio(Paper->ShapeHeight, Paper->ShapeWidth, r)) {
            MinTrackSize = TPoint(frameW + 400, frameH + SafeRound(400.0f * r));
            clientW = 400;
            clientH = SafeRound(400.0f * r);
            known = true;
        }
    } else if (PageMode == PageModeFull && LayoutRatio(Paper->PaperLength, Paper->PaperWidth, r)) {
        MinTrackSize = TPoint(frameW + 320, frameH + SafeRound(320.0f * r));
        clientW = 400;
        clientH = SafeRound(400.0f * r);
        known = true;
    }
    if (!known)
        return;
    WMGetMinMaxInfo();
    if (WindowState() == wsNormal)
        SetClientSize(clientW, clientH);
}

void TChildFrame::UpdatePaperArea()
{
    const int CW = ClientWidth(), CH = ClientHeight();
    PaperCentre = TPoint(RoundValue(CW * 0.5), RoundValue(CH * 0.5));
    if (PageMode == PageModeLabel && Paper->ShapeStyle == ShapeCircle) {
        HalfWidth = HalfHeight = CH > CW ? RoundValue(CW * 0.475) : RoundValue(CH * 0.475);
        return;
    }
    float r = 0.0f;
    bool fit = false;
    if (PageMode == PageModeLabel && Paper->ShapeStyle == ShapeRectangle)
        fit = PaperRatio(Paper->ShapeWidth, Paper->ShapeHeight, r);
    else if (PageMode == PageModeFull)
        fit = PaperRatio(Paper->PaperWidth, Paper->PaperLength, r);
    if (!fit)
        return;
    const int w = RoundValue(CW * 0.475), h = RoundValue(CH * 0.475);
    if (CW > CH) {
        const int t = SafeRound(h * r);
        if (w < t) {
            HalfWidth = w;
            HalfHeight = SafeRound(w / r);
        } else {
            HalfWidth = t;
            HalfHeight = h;
        }
    } else {
        const int t = SafeRound(w / r);
        if (t > h) {
            HalfHeight = h;
            HalfWidth = SafeRound(h * r);
        } else {
            HalfWidth = w;
            HalfHeight = t;
        }
    }
}

void TChildFrame::FormResize(QObject*)
{
    // A window shrunk to nothing (or with no paper area) says nothing about the paper: the
    // objects keep their place until a real size comes back.
    if (ClientWidth() <= 0 || ClientHeight() <= 0)
        return;
    if (PreviousHalfHeight != 0) {
        LoadPaperMask();
        if (HalfHeight <= 0)
            return;
        // Rescale when the centre or the half-height moved; a new paper type in an unchanged
        // window changes only the half-height.
        if (PaperCentre != PreviousCentre || HalfHeight != PreviousHalfHeight) {
            const bool scale = PreviousHalfHeight != HalfHeight;
            const float k = scale ? float(HalfHeight) / float(PreviousHalfHeight) : 1.0f;
            for (CDesignObject* o : Objects()) {
                const float dx = float(PreviousCentre.X - o->Left());
                const float dy = float(PreviousCentre.Y - o->Top());
                if (scale) {
                    o->SetBounds(SafeRound(PaperCentre.X - dx * k), SafeRound(PaperCentre.Y - dy * k),
                                 SafeRound(o->Width() * k), SafeRound(o->Height() * k));
                    o->Zoom = float(Zoom) * 0.01f;
                    AdjustLabelToText(o);
                } else {
                    o->move(PaperCentre.X - SafeTrunc(dx), PaperCentre.Y - SafeTrunc(dy));
                }
            }
        }
        PreviousCentre = PaperCentre;
        PreviousHalfHeight = HalfHeight;
    }
    float r = 0.0f;
    if (Paper->CoreWidth != 0 && PaperRatio(Paper->ShapeWidth, Paper->CoreWidth, r))
        CoreRadius = SafeRound(HalfWidth / r);
    else
        CoreRadius = 0;
    const int32_t divisor = PageMode == PageModeFull ? Paper->PaperWidth : Paper->ShapeWidth;
    if (divisor != 0)
        PaperScale = float(HalfWidth) * 2.0f / float(divisor);
    if (BaseWidth > 0) {
        const float z = float(HalfWidth) * 2.0f / float(BaseWidth);
        for (CDesignObject* o : Objects())
            o->Zoom = z;
        Zoom = SafeRound(z * 100.0f);
        // Tiling resizes every window: the status bar speaks of the active one only.
        if (IsActiveDocument())
            MainWindowLink()->SetStatusPanel(1, QString::number(Zoom) + QLatin1Char('%'));
    }
    for (CDesignObject* o : Objects())
        AdjustLabelToText(o);
    Refresh();
}

void TChildFrame::resizeEvent(QResizeEvent*)
{
    Page->setGeometry(rect());
    m_band->setGeometry(rect());
    m_band->raise();
    if (m_created && !m_inResize) {
        m_inResize = true;
        Application->Guard([this] { FormResize(this); });
        m_inResize = false;
    }
}

// ---- painting ----

void TChildFrame::FormPaint(QObject*)
{
    const TColor penColor = Canvas.Pen.Color;
    const TBrushStyle brushStyle = Canvas.Brush.Style;
    const int penWidth = Canvas.Pen.Width;
    Canvas.Brush.Style = bsClear;
    Canvas.Pen.Color = OutlineColor;
    Canvas.Pen.Width = 1;
    if (PageMode == PageModeLabel)
        PaintLabelMode();
    else if (PageMode == PageModeFull)
        PaintFullPageMode();
    Canvas.Pen.Color = penColor;
    Canvas.Brush.Style = brushStyle;
    Canvas.Pen.Width = penWidth;
}

void TChildFrame::PaintLabelMode()
{
    const int L = PaperCentre.X - HalfWidth, T = PaperCentre.Y - HalfHeight;
    const int R = PaperCentre.X + HalfWidth, B = PaperCentre.Y + HalfHeight;
    if (Paper->HasShapeMask) {
        Canvas.StretchDraw(TRect(L, T, R, B), MaskBitmap.get());
        return;
    }
    const int cx = PaperCentre.X, cy = PaperCentre.Y;
    if (Paper->ShapeStyle == ShapeCircle || Paper->ShapeStyle == ShapeRectangle) {
        if (Paper->ShapeStyle == ShapeCircle)
            Canvas.Ellipse(L, T, R, B);
        else
            Canvas.Rectangle(L, T, R, B);
        if (CoreRadius != 0)
            Canvas.Ellipse(cx - CoreRadius, cy - CoreRadius, cx + CoreRadius, cy + CoreRadius);
    }
    for (const PaperExtraLine& line : Paper->ExtraLines) {
        Canvas.MoveTo(SafeRound(line.XFrom * PaperScale) + L, SafeRound(line.YFrom * PaperScale) + T);
        Canvas.LineTo(SafeRound(line.XTo * PaperScale) + L, SafeRound(line.YTo * PaperScale) + T);
    }
}

void TChildFrame::PaintFullPageMode()
{
    const int L = PaperCentre.X - HalfWidth, T = PaperCentre.Y - HalfHeight;
    const int R = PaperCentre.X + HalfWidth, B = PaperCentre.Y + HalfHeight;
    if (Paper->PaperWidth == 0)
        return;
    const int mX = (ClientWidth() - 2 * HalfWidth) / 2;
    const int mY = (ClientHeight() - 2 * HalfHeight) / 2;
    const float s = float(HalfWidth) * 2.0f / float(Paper->PaperWidth);
    auto at = [&](int margin, double v) { return SafeTrunc(margin + v); };
    Canvas.Rectangle(L, T, R, B);
    const double sw = double(Paper->ShapeWidth) * s, sh = double(Paper->ShapeHeight) * s;
    const double core = double(Paper->CoreWidth) * s;
    for (const PaperShape& shape : Paper->Shapes) {
        const double x = double(shape.X) * s, y = double(shape.Y) * s;
        const TRect box(at(mX, x), at(mY, y), at(mX, double(shape.X + Paper->ShapeWidth) * s),
                        at(mY, double(shape.Y + Paper->ShapeHeight) * s));
        if (Paper->HasShapeMask) {
            Canvas.StretchDraw(box, MaskBitmap.get());
        } else if (Paper->ShapeStyle == ShapeCircle) {
            Canvas.Ellipse(box);
            Canvas.Ellipse(at(mX, x + (sw - core) * 0.5), at(mY, y + (sh - core) * 0.5),
                           at(mX, x + (sw + core) * 0.5), at(mY, y + (sh + core) * 0.5));
        } else if (Paper->ShapeStyle == ShapeRectangle) {
            Canvas.Rectangle(box);
        }
        for (const PaperExtraLine& line : Paper->ExtraLines) {
            Canvas.MoveTo(at(mX, double(shape.X + line.XFrom) * s), at(mY, double(shape.Y + line.YFrom) * s));
            Canvas.LineTo(at(mX, double(shape.X + line.XTo) * s), at(mY, double(shape.Y + line.YTo) * s));
        }
    }
    for (const PaperOtherShape& o : Paper->OtherShapes) {
        const double x = double(o.X) * s, y = double(o.Y) * s;
        const TRect box(at(mX, x), at(mY, y), at(mX, double(o.X + o.Width) * s), at(mY, double(o.Y + o.Height) * s));
        if (o.Style == ShapeCircle) {
            Canvas.Ellipse(box);
            const double w = double(o.Width) * s, h = double(o.Height) * s, c = double(o.CoreWidth) * s;
            Canvas.Ellipse(at(mX, x + (w - c) * 0.5), at(mY, y + (h - c) * 0.5), at(mX, x + (w + c) * 0.5),
                           at(mY, y + (h + c) * 0.5));
        } else if (o.Style == ShapeRectangle) {
            Canvas.Rectangle(box);
        }
    }
}

// ---- activation, destruction, cursor ----

void TChildFrame::FormActivate(QObject*)
{
    TMainWindowLink* link = MainWindowLink();
    if (Tool != ToolBarCode)
        link->SetToolButtonDown(Tool);
    SetModified(Modified);
    link->SetStatusPanel(2, Paper ? Paper->Name : QString());
    link->SetStatusPanel(1, QString::number(Zoom) + QLatin1Char('%'));
}

void TChildFrame::FormDestroy(QObject*)
{
    m_destroyed = true;
    TRegIniFile reg(ProductKey());
    reg.WriteInteger(BasicInfo(), QStringLiteral("ChildWindowState"), m_windowState);
}

void TChildFrame::SetToolCursor(int cursor)
{
    ToolCursor = int16_t(cursor);
}

void TChildFrame::SelectAll()
{
    for (CDesignObject* o : Objects()) {
        o->SetSelected(true, true);
        o->update();
    }
    Refresh();
}

void TChildFrame::SelectAllItemClick()
{
    SelectAll();
}

void TChildFrame::FormClick(QObject*)
{
    const std::vector<CDesignObject*> objects = Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if ((*it)->Selected)
            (*it)->SetSelected(false, false);
}

// ---- messages ----

bool TChildFrame::Dispatch(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_COPYDATA:
        if (lParam)
            WMCopyData(wParam, *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return true;
    case WM_RELABEL:
        RefreshLanguage();
        return true;
    default:
        return false;
    }
}

void TChildFrame::WMGetMinMaxInfo()
{
    ApplyMinTrackSize();
}

void TChildFrame::WMCopyData(uintptr_t wParam, const COPYDATASTRUCT& data)
{
    if (!data.lpData || data.cbData < uint32_t(ObjectCommandBlockSize))
        return;
    const char* block = static_cast<const char*>(data.lpData);
    const QByteArray name(block, int(qstrnlen(block, ObjectNameFieldSize)));
    auto fieldName = [](const QString& objectName) {
        const QByteArray f = ObjectNameField(objectName);
        return QByteArray(f.constData(), int(qstrnlen(f.constData(), size_t(f.size()))));
    };
    // The sender itself when it says who it is, else the first object of that name.
    CDesignObject* sender =
        Page->IsObject(reinterpret_cast<const void*>(wParam)) ? reinterpret_cast<CDesignObject*>(wParam) : nullptr;
    auto isSender = [&](CDesignObject* o) {
        return sender ? o == sender : fieldName(o->objectName()) == name;
    };

    switch (data.dwData) {
    case ocSelectAlone:
        Refresh();
        for (CDesignObject* o : Page->SelectedObjects())
            if (!isSender(o))
                o->SetSelected(false, false);
        break;
    case ocMaxSize:
        for (CDesignObject* o : sender ? std::vector<CDesignObject*>{sender} : Objects()) {
            if (!isSender(o))
                continue;
            o->SetSize(2 * HalfWidth, 2 * HalfHeight);
            o->move(PaperCentre.X - o->Width() / 2, PaperCentre.Y - o->Height() / 2);
            break;
        }
        SetModified(true);
        break;
    case ocCut:
        CutSelection();
        SetModified(true);
        break;
    case ocCopy:
        // Copying changes nothing in the document.
        CopySelection();
        break;
    case ocDelete:
        DeleteSelected();
        SetModified(true);
        break;
    case ocMoveSelection: {
        if (data.cbData < uint32_t(ObjectMoveBlockSize))
            break;
        const int dx = int32_t(ReadLE32(block + ObjectNameFieldSize));
        const int dy = int32_t(ReadLE32(block + ObjectNameFieldSize + 4));
        for (CDesignObject* o : Page->SelectedObjects())
            if (!isSender(o))
                o->move(o->Left() + dx, o->Top() + dy);
        SetModified(true);
        break;
    }
    case ocChanged:
        SetModified(true);
        break;
    default:
        break;
    }
}

bool TChildFrame::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        Application->Guard([&] { Dispatch(m->Msg, m->WParam, m->LParam); });
        return true;
    }
    return QWidget::event(e);
}

// ---- closing ----

void TChildFrame::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    Application->Guard([&] { FormCloseQuery(this, canClose); });
    if (!canClose) {
        e->ignore();
        return;
    }
    bool freeWindow = true;
    Application->Guard([&] { FormClose(this, freeWindow); });
    if (!freeWindow) {
        e->ignore();
        return;
    }
    e->accept();
}

// ---- drops ----

void TChildFrame::dragEnterEvent(QDragEnterEvent* e)
{
    dragMoveEvent(e);
}

void TChildFrame::dragMoveEvent(QDragMoveEvent* e)
{
    if (e->mimeData()->hasUrls()) {
        e->acceptProposedAction();
        return;
    }
    bool accept = false;
    const QPoint p = e->position().toPoint();
    Application->Guard([&] { FormDragOver(e->source(), e->mimeData(), p.x(), p.y(), accept); });
    if (accept)
        e->acceptProposedAction();
    else
        e->ignore();
}

void TChildFrame::dropEvent(QDropEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (e->mimeData()->hasUrls()) {
        QStringList files;
        for (const QUrl& url : e->mimeData()->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
        e->acceptProposedAction();
        Application->Guard([&] { OnDropFiles(files); });
        return;
    }
    e->acceptProposedAction();
    Application->Guard([&] { FormDragDrop(e->source(), e->mimeData(), p.x(), p.y()); });
}

// ---- document commands of this window ----

void TChildFrame::SetModified(bool modified)
{
    Modified = modified;
    MainWindowLink()->SetSaveEnabled(modified);
}

void TChildFrame::DeleteSelected()
{
    std::vector<CDesignObject*> objects = Objects();
    int lowest = -1;
    for (int i = int(objects.size()) - 1; i >= 0; --i) {
        if (objects[size_t(i)]->Selected && !objects[size_t(i)]->Locked) {
            delete objects[size_t(i)];
            lowest = i;
        }
    }
    if (lowest < 0)
        return;
    // Deleting changes the document, whoever asked for it (the main window's Delete too).
    SetModified(true);
    objects = Objects();
    if (objects.empty())
        return;
    Refresh();
    const int index = lowest > 0 ? lowest - 1 : 0;
    objects[size_t(std::min(index, int(objects.size()) - 1))]->SetSelected(true, false);
}

QString TChildFrame::MakeObjectNameSuffix() const
{
    const QTime now = QTime::currentTime();
    return QStringLiteral("_%1%2_%3_%4")
        .arg(ObjectCount() + 1)
        .arg(now.hour())
        .arg(now.minute())
        .arg(now.second());
}

void TChildFrame::LoadPaperMask()
{
    // The mask of an earlier paper type never stays behind.
    if (MaskBitmap)
        MaskBitmap->Clear();
    if (Paper && Paper->HasShapeMask && MaskBitmap) {
        MaskBitmap->SetTransparent(true);
        MaskBitmap->SetTransparentColor(clWhite);
        MaskBitmap->SetTransparentMode(tmAuto);
        const QString table = PaperMaskTableFileName();
        if (!table.isEmpty() && QFileInfo(table).isFile()) {
            const TIniFile ini(table);
            const QString value =
                ini.ReadString(QStringLiteral("shape_mask_full_out_line"), GUIDToString(Paper->ID), QString());
            const QString file = PaperMaskPictureFileName(value);
            if (!file.isEmpty() && QFileInfo(file).isFile()) {
                // A damaged mask leaves none, as a missing one does.
                try {
                    MaskBitmap->LoadFromFile(file);
                } catch (const std::exception&) {
                }
            }
        }
    }
    UpdatePaperArea();
}

void TChildFrame::LoadCaptions()
{
    PaperPropertiesItem->setText(LoadLangStr(PaperPropertiesItemString));
    PaperPropertiesItem->setStatusTip(LoadLangStr(PaperPropertiesHintString));
    PasteItem->setText(LoadLangStr(PasteItemString));
    PasteItem->setStatusTip(LoadLangStr(PasteHintString));
    SelectAllItem->setText(LoadLangStr(SelectAllItemString));
    SelectAllItem->setStatusTip(LoadLangStr(SelectAllHintString));
    SaveDialog->Filter = LoadLangStr(LabelFileFilterString);
    SaveDialog->DefaultExt = LoadLangStr(LabelFileExtensionString);
}
