#include "app/image_editor_frame.h"

#include "app/dialog_form.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/cursors.h"
#include "platform/graphics.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"
#include "platform/scaled_picture_cache.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>

float FitZoom(int w, int h, int clientW, int clientH)
{
    if (h <= clientH && w <= clientW)
        return 1.0f;
    // Both sides must fit: a wide picture whose height fits early keeps shrinking.
    float z = 1.0f;
    do {
        z -= EditorZoomStep;
    } while (!(RoundValue(h * double(z)) <= clientH && RoundValue(w * double(z)) <= clientW) &&
             z > MinEditorZoom);
    return z;
}

QRect CropRect(int x1, int y1, int x2, int y2, float zoom, int picW, int picH)
{
    if (zoom <= 0 || picW <= 0 || picH <= 0)
        return QRect();
    auto toPicture = [zoom](int v) { return RoundValue(v * (1.0 / double(zoom))); };
    int l = toPicture(std::min(x1, x2)), r = toPicture(std::max(x1, x2));
    int t = toPicture(std::min(y1, y2)), b = toPicture(std::max(y1, y2));
    l = std::clamp(l, 0, picW);
    r = std::clamp(r, 0, picW);
    t = std::clamp(t, 0, picH);
    b = std::clamp(b, 0, picH);
    if (r - l < 1 || b - t < 1)
        return QRect();
    return QRect(l, t, r - l, b - t);
}

namespace {

// The paint box hands its painting and mouse to the editor's handlers.
class TEditorPaintBox : public QWidget {
public:
    TEditorPaintBox(TImageEditorFrame* editor, QWidget* parent) : QWidget(parent), m_editor(editor)
    {
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent* e) override { m_editor->PaintBoxPaint(e->rect()); }
    void mousePressEvent(QMouseEvent* e) override
    {
        m_editor->PaintBoxMouseDown(e->button(), e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override { m_editor->PaintBoxMouseMove(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        m_editor->PaintBoxMouseUp(e->button(), e->position().toPoint());
    }

private:
    TImageEditorFrame* m_editor;
};

QIcon toolIcon(bool zoom)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    if (zoom) {
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
        p.drawLine(QPointF(4, 6), QPointF(8, 6));
        p.drawLine(QPointF(6, 4), QPointF(6, 8));
    } else {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
    }
    return QIcon(pm);
}

} // namespace

TImageEditorFrame::TImageEditorFrame(QWidget* owner)
    : QDialog(owner), Picture(std::make_unique<TPicture>()), m_view(std::make_unique<TScaledPictureCache>())
{
    setObjectName(QStringLiteral("ImageEditorFrame"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    resize(463, 324);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu = new QMenuBar(this);
    Named(MainMenu, "MainMenu");
    File1 = MainMenu->addMenu(QString());
    Named(File1, "File1");
    ExitItem = File1->addAction(QString());
    Named(ExitItem, "ExitItem");
    ExitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    EditItem = MainMenu->addMenu(QString());
    Named(EditItem, "EditItem");
    CropItem = EditItem->addAction(QString());
    Named(CropItem, "CropItem");
    CropItem->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_R));
    CropItem->setEnabled(false);
    layout->setMenuBar(MainMenu);

    ToolBar1 = new QToolBar(this);
    Named(ToolBar1, "ToolBar1");
    ZoomBtn = ToolBar1->addAction(toolIcon(true), QString());
    Named(ZoomBtn, "ZoomBtn");
    SelectBtn = ToolBar1->addAction(toolIcon(false), QString());
    Named(SelectBtn, "SelectBtn");
    auto* group = new QActionGroup(this);
    for (QAction* a : {ZoomBtn, SelectBtn}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    ZoomBtn->setChecked(true);
    layout->addWidget(ToolBar1);

    ScrollBox = new QScrollArea(this);
    Named(ScrollBox, "ScrollBox");
    ScrollBox->setBackgroundRole(QPalette::Dark);
    ScrollBox->setAlignment(Qt::AlignCenter);
    PaintBox = new TEditorPaintBox(this, nullptr);
    Named(PaintBox, "PaintBox");
    ScrollBox->setWidget(PaintBox);
    layout->addWidget(ScrollBox, 1);

    StatusBar = new QStatusBar(this);
    Named(StatusBar, "StatusBar");
    StatusBar->setSizeGripEnabled(false);
    const int widths[3] = {150, 200, 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(StatusBar);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanel[i]->setMinimumWidth(widths[i]);
        StatusBar->addWidget(StatusPanel[i], i == 2 ? 1 : 0);
    }
    layout->addWidget(StatusBar);

    connect(ExitItem, &QAction::triggered, this, [this] { ExitItemClick(); });
    connect(CropItem, &QAction::triggered, this, [this] { Application->Guard([this] { CropItemClick(); }); });
    connect(ZoomBtn, &QAction::triggered, this, [this] { ZoomBtnClick(); });
    connect(SelectBtn, &QAction::triggered, this, [this] { ZoomBtnClick(); });

    setWindowTitle(LoadLangStr(ImageEditorCaptionString));
    File1->setTitle(LoadLangStr(EditorFileMenuString));
    ExitItem->setText(LoadLangStr(EditorExitItemString));
    EditItem->setTitle(LoadLangStr(EditorEditMenuString));
    CropItem->setText(LoadLangStr(CropItemString));
    ApplyLanguageCharset(this);
    FormCreate();
}

TImageEditorFrame::~TImageEditorFrame() = default;

void TImageEditorFrame::FormCreate()
{
    TRegIniFile reg(ProductKey());
    const int state = reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_WindowState"), wsNormal);
    if (state == wsMaximized)
        setWindowState(Qt::WindowMaximized);
    else if (state == wsMinimized)
        setWindowState(Qt::WindowMinimized);
    else
        setGeometry(reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_Left"), x()),
                    reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_Top"), y()),
                    reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_Width"), width()),
                    reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_Height"), height()));
    PaintBox->setCursor(Screen->Cursor(1));
}

void TImageEditorFrame::FormClose()
{
    if (Modified && MessageDlg(LoadLangStr(PictureModifiedString), mtConfirmation, mbYes | mbNo) != mrYes)
        Modified = false;
    TRegIniFile reg(ProductKey());
    const TWindowState state = WindowStateOf(this);
    reg.WriteInteger(BasicInfo(), QStringLiteral("Editor_WindowState"), state);
    if (state == wsNormal) {
        reg.WriteInteger(BasicInfo(), QStringLiteral("Editor_Left"), x());
        reg.WriteInteger(BasicInfo(), QStringLiteral("Editor_Top"), y());
        reg.WriteInteger(BasicInfo(), QStringLiteral("Editor_Width"), width());
        reg.WriteInteger(BasicInfo(), QStringLiteral("Editor_Height"), height());
    }
}

void TImageEditorFrame::done(int result)
{
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    QDialog::done(result);
}

void TImageEditorFrame::ExitItemClick()
{
    close();
}

void TImageEditorFrame::showZoom()
{
    StatusPanel[0]->setText(QString::number(RoundValue(100.0 * Zoom)) + QLatin1Char('%'));
}

void TImageEditorFrame::SetPicture(const TPicture* picture)
{
    Picture->Assign(picture);
    m_selKept = false;
    m_view->Clear();
    PaintBox->setAttribute(Qt::WA_OpaquePaintEvent, false);
    const int w = Picture->Width(), h = Picture->Height();
    // Before the window first shows, its layout has not placed the scroll box yet.
    if (layout()) {
        layout()->activate();
        layout()->setGeometry(rect());
    }
    const QSize client = ScrollBox->contentsRect().size();
    if (h > client.height() || w > client.width())
        Zoom = FitZoom(w, h, client.width(), client.height());
    // The box always shows the picture at Zoom, so a selection converts back by the same factor
    // (also after a crop made while zoomed in).
    PaintBox->resize(RoundValue(w * double(Zoom)), RoundValue(h * double(Zoom)));
    PaintBox->update();
    StatusPanel[2]->setText(LoadLangStr(ImageSizeString) + QString::number(w) + QLatin1Char('x') +
                            QString::number(h));
    showZoom();
}

void TImageEditorFrame::ZoomStep(int direction)
{
    const QRect view = ScrollBox->viewport()->rect();
    ZoomStepAt(direction, PaintBox->mapFrom(ScrollBox->viewport(), view.center()));
}

void TImageEditorFrame::ZoomStepAt(int direction, QPoint boxPoint)
{
    const float before = Zoom;
    const QPoint inView = PaintBox->mapTo(ScrollBox->viewport(), boxPoint);
    if (direction == 0) {
        if (Zoom < MaxEditorZoom)
            Zoom += EditorZoomStep;
    } else if (Zoom > MinEditorZoom) {
        Zoom -= EditorZoomStep;
    }
    PaintBox->resize(RoundValue(Picture->Width() * double(Zoom)),
                     RoundValue(Picture->Height() * double(Zoom)));
    rescaleSelection(before);
    PaintBox->update();
    // The scroll box shows or hides its bars, which moves a centred box, only when it next
    // lays out: do that now, so the view is final before it is scrolled.
    QEvent relayout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(ScrollBox, &relayout);
    FormResize();
    // The same picture point, through the middle of its pixel, at the new zoom; the bars hold
    // the value inside their range.
    const double scale = double(Zoom) / double(before);
    const QPoint after(int(std::floor((boxPoint.x() + 0.5) * scale)),
                       int(std::floor((boxPoint.y() + 0.5) * scale)));
    ScrollBox->horizontalScrollBar()->setValue(after.x() - inView.x());
    ScrollBox->verticalScrollBar()->setValue(after.y() - inView.y());
    showZoom();
    showPointer();
}

QRect TImageEditorFrame::selectionOnPicture(float zoom) const
{
    if (m_selKept && std::equal(std::begin(SelRect), std::end(SelRect), std::begin(m_selBox)))
        return m_selOnPicture;
    return CropRect(SelRect[0], SelRect[1], SelRect[2], SelRect[3], zoom, Picture->Width(),
                    Picture->Height());
}

void TImageEditorFrame::rescaleSelection(float before)
{
    if (Zoom == before)
        return;
    const double scale = double(Zoom) / double(before);
    const auto toBox = [this](int v) { return RoundValue(v * double(Zoom)); };
    if (Selecting) {
        // A drag still going on goes on from the same picture points.
        for (int i = 0; i < 4; ++i)
            SelRect[i] =
                std::clamp(RoundValue(SelRect[i] * scale), 0, i % 2 ? PaintBox->height() : PaintBox->width());
        m_selKept = false;
    } else if (HasSelection) {
        // The band stays on the picture pixels Crop cuts.
        const QRect r = selectionOnPicture(before);
        if (r.isEmpty()) {
            HasSelection = false;
            m_selKept = false;
            return;
        }
        SelRect[0] = toBox(r.left());
        SelRect[1] = toBox(r.top());
        SelRect[2] = toBox(r.left() + r.width());
        SelRect[3] = toBox(r.top() + r.height());
        std::copy(std::begin(SelRect), std::end(SelRect), std::begin(m_selBox));
        m_selOnPicture = r;
        m_selKept = true;
    }
}

void TImageEditorFrame::showPointer()
{
    const QPoint global = QCursor::pos();
    const QPoint p = PaintBox->mapFromGlobal(global);
    if (PaintBox->isVisible() && PaintBox->rect().contains(p) &&
        ScrollBox->viewport()->rect().contains(ScrollBox->viewport()->mapFromGlobal(global)))
        PaintBoxMouseMove(p);
    else
        StatusPanel[1]->setText(QString());
}

void TImageEditorFrame::FormResize()
{
    // The scroll box keeps the paint box centred while it is smaller than the box.
    ScrollBox->setAlignment(Qt::AlignCenter);
}

void TImageEditorFrame::PaintBoxPaint(const QRect& exposed)
{
    QPainter p(PaintBox);
    if (!Picture->Empty()) {
        const QRect view(-PaintBox->pos(), ScrollBox->viewport()->size());
        m_view->Paint(p, Picture->Graphic(), PaintBox->size(), exposed, view);
        // An opaque picture covers its box, so the view's background is not painted under it.
        if (PaintBox->testAttribute(Qt::WA_OpaquePaintEvent) != m_view->Opaque())
            PaintBox->setAttribute(Qt::WA_OpaquePaintEvent, m_view->Opaque());
    }
    if (Selecting || HasSelection) {
        // The band inverts what lies under it, so it shows on any picture.
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(std::min(SelRect[0], SelRect[2]), std::min(SelRect[1], SelRect[3])),
                         QPoint(std::max(SelRect[0], SelRect[2]), std::max(SelRect[1], SelRect[3]))));
    }
}

int TImageEditorFrame::toPicture(int v) const
{
    return RoundValue(v * (1.0 / double(Zoom)));
}

void TImageEditorFrame::PaintBoxMouseDown(Qt::MouseButton button, QPoint p)
{
    if (ZoomBtn->isChecked()) {
        if (button == Qt::LeftButton)
            ZoomStepAt(0, p);
        else if (button == Qt::RightButton)
            ZoomStepAt(1, p);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    Selecting = true;
    HasSelection = false;
    m_selKept = false;
    SelRect[0] = SelRect[2] = std::clamp(p.x(), 0, PaintBox->width());
    SelRect[1] = SelRect[3] = std::clamp(p.y(), 0, PaintBox->height());
    PaintBox->update();
}

void TImageEditorFrame::PaintBoxMouseMove(QPoint p)
{
    const int x = std::clamp(p.x(), 0, PaintBox->width());
    const int y = std::clamp(p.y(), 0, PaintBox->height());
    if (Selecting && SelectBtn->isChecked()) {
        SelRect[2] = x;
        SelRect[3] = y;
        PaintBox->update();
        const int x1 = toPicture(SelRect[0]), y1 = toPicture(SelRect[1]);
        const int x2 = toPicture(x), y2 = toPicture(y);
        StatusPanel[1]->setText(QStringLiteral("(%1,%2)->(%3,%4) = (%5,%6)")
                                    .arg(x1)
                                    .arg(y1)
                                    .arg(x2)
                                    .arg(y2)
                                    .arg(std::abs(x2 - x1))
                                    .arg(std::abs(y2 - y1)));
    } else {
        StatusPanel[1]->setText(QStringLiteral("(%1,%2)").arg(toPicture(x)).arg(toPicture(y)));
    }
}

void TImageEditorFrame::PaintBoxMouseUp(Qt::MouseButton button, QPoint p)
{
    if (button != Qt::LeftButton)
        return;
    StatusPanel[1]->setText(QString());
    // Only a drag begun in selection mode makes a selection: a zoom click's release would
    // otherwise turn the last band's start into one.
    if (!Selecting)
        return;
    Selecting = false;
    SelRect[2] = std::clamp(p.x(), 0, PaintBox->width());
    SelRect[3] = std::clamp(p.y(), 0, PaintBox->height());
    HasSelection = SelRect[2] != SelRect[0] && SelRect[3] != SelRect[1];
    PaintBox->update();
}

void TImageEditorFrame::ZoomBtnClick()
{
    CropItem->setEnabled(SelectBtn->isChecked());
    PaintBox->setCursor(Screen->Cursor(SelectBtn->isChecked() ? 2 : 1));
}

void TImageEditorFrame::CropItemClick()
{
    if (!HasSelection)
        return;
    HasSelection = false;
    const QRect r = selectionOnPicture(Zoom);
    if (r.isEmpty() || Picture->Empty()) {
        PaintBox->update();
        return;
    }
    Modified = true;
    TBitmap cropped;
    cropped.SetImage(Picture->Graphic()->ToImage().copy(r));
    TPicture next;
    next.SetGraphic(&cropped);
    SetPicture(&next);
    FormResize();
}

void TImageEditorFrame::keyPressEvent(QKeyEvent* event)
{
    if (ZoomBtn->isChecked() && (event->modifiers() & Qt::KeypadModifier)) {
        if (event->key() == Qt::Key_Plus) {
            ZoomStep(0);
            return;
        }
        if (event->key() == Qt::Key_Minus) {
            ZoomStep(1);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
