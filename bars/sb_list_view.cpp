#include "bars/sb_list_view.h"

#include "bars/image_list.h"
#include "bars/sb_group_bar.h"
#include "bars/sb_panel_draw.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/shell_execute.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIODevice>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <map>

namespace {

constexpr int kDragThreshold = 6;
constexpr int kEdgeScrollZone = 10;
constexpr int crDragMove = 100;
constexpr int crDragCopy = 101;

std::map<quint32, TSBVertListView*>& Lists()
{
    static std::map<quint32, TSBVertListView*> lists;
    return lists;
}

quint32 g_nextSerial = 1;

} // namespace

// ---- the keyboard hook of an item drag: one dragging list at a time ----

class TSBDragKeyFilter : public QObject {
public:
    static void Install(TSBVertListView* list)
    {
        Remove();
        s_instance = new TSBDragKeyFilter(list);
        QCoreApplication::instance()->installEventFilter(s_instance);
    }
    static void Remove()
    {
        if (!s_instance)
            return;
        // The filter may be the caller (a release it passed on ended the drag): freed later.
        QCoreApplication::instance()->removeEventFilter(s_instance);
        s_instance->m_list = nullptr;
        s_instance->deleteLater();
        s_instance = nullptr;
    }
    static bool InstalledFor(const TSBVertListView* list) { return s_instance && s_instance->m_list == list; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // The drag follows the pointer wherever it goes, even when its own list is hidden
        // meanwhile (a page of the out bar opened by hovering) and has lost the mouse.
        if (watched->isWidgetType()
            && (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease
                || e->type() == QEvent::MouseButtonPress)) {
            QPointer<TSBVertListView> list = m_list;
            if (!list || !list->Dragging())
                return false;
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint local = list->mapFromGlobal(me->globalPosition().toPoint());
            if (e->type() == QEvent::MouseMove)
                list->MouseMove(me->modifiers(), local.x(), local.y());
            else if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton)
                list->MouseUp(Qt::LeftButton, local.x(), local.y());
            else if (e->type() == QEvent::MouseButtonPress && me->button() == Qt::RightButton)
                list->CancelDrag();
            else
                return false;
            return true;
        }
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
            return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        QPointer<TSBVertListView> list = m_list;
        if (!list)
            return false;
        if (ke->key() == Qt::Key_Control) {
            list->SetCopyDrag(e->type() == QEvent::KeyPress);
            return false;
        }
        if (ke->key() == Qt::Key_Escape && e->type() == QEvent::KeyPress) {
            list->CancelDrag();
            return true;
        }
        return false;
    }

private:
    explicit TSBDragKeyFilter(TSBVertListView* list) : m_list(list) {}
    QPointer<TSBVertListView> m_list;
    static TSBDragKeyFilter* s_instance;
};

TSBDragKeyFilter* TSBDragKeyFilter::s_instance = nullptr;

// ---- drag payload ----

QString SBItemDragMimeType()
{
    return QStringLiteral("application/x-korvane-sb-list-item");
}

namespace {
constexpr quint32 kDragMagic = 0x4B534249; // "KSBI"
constexpr quint16 kDragVersion = 1;
constexpr int kDragRecordSize = 4 + 2 + 8 + 4 + 4 + 1;
} // namespace

QByteArray EncodeItemDragData(const TSBItemDragData& data)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kDragMagic << kDragVersion << data.processId << data.listSerial << data.itemIndex
        << quint8(data.copy ? 1 : 0);
    return bytes;
}

std::optional<TSBItemDragData> DecodeItemDragData(const QByteArray& bytes)
{
    if (bytes.size() != kDragRecordSize)
        return std::nullopt;
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    quint32 magic = 0;
    quint16 version = 0;
    quint8 copy = 0;
    TSBItemDragData data;
    in >> magic >> version >> data.processId >> data.listSerial >> data.itemIndex >> copy;
    if (in.status() != QDataStream::Ok || magic != kDragMagic || version != kDragVersion || copy > 1
        || data.itemIndex < 0 || data.listSerial == 0)
        return std::nullopt;
    data.copy = copy == 1;
    return data;
}

// ---- TCustomSBListViewEx ----

TCustomSBListViewEx::TCustomSBListViewEx(QWidget* parent)
    : QWidget(parent)
    , m_background(std::make_unique<TBitmap>())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_background->OnChange = [this](TGraphic*) { update(); };
}

TCustomSBListViewEx::~TCustomSBListViewEx()
{
    m_destroying = true;
    m_background->OnChange = nullptr;
}

void TCustomSBListViewEx::SetBackground(const TBitmap& value)
{
    m_background->Assign(value);
    update();
}

void TCustomSBListViewEx::SetBackgroundMode(TBackgroundModeGlobal value)
{
    if (value == m_backgroundMode)
        return;
    m_backgroundMode = value;
    update();
}

void TCustomSBListViewEx::SetGradientBeginColor(TColor value)
{
    if (value == m_gradientBegin)
        return;
    m_gradientBegin = value;
    if (m_backgroundMode == bkmGradientHorz || m_backgroundMode == bkmGradientVert)
        update();
}

void TCustomSBListViewEx::SetGradientEndColor(TColor value)
{
    if (value == m_gradientEnd)
        return;
    m_gradientEnd = value;
    if (m_backgroundMode == bkmGradientHorz || m_backgroundMode == bkmGradientVert)
        update();
}

void TCustomSBListViewEx::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    update();
}

void TCustomSBListViewEx::SetBorderSingle(bool value)
{
    if (value == m_borderSingle)
        return;
    m_borderSingle = value;
    update();
}

void TCustomSBListViewEx::DrawBackGround(TCanvas& canvas, const TRect& area)
{
    const TRect r(area.Left, area.Top, area.Right + 1, area.Bottom + 1);
    const bool gradient = m_backgroundMode == bkmGradientHorz || m_backgroundMode == bkmGradientVert;
    const TBrush saved = canvas.Brush;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = m_color;
    if (m_backgroundMode == bkmNone || (m_background->Empty() && !gradient)) {
        canvas.FillRect(r);
        canvas.Brush = saved;
        return;
    }
    const int w = width(), h = height();
    switch (m_backgroundMode) {
    case bkmGradientHorz:
    case bkmGradientVert:
        FillGradient(canvas, w, h, m_gradientBegin, m_gradientEnd, m_backgroundMode == bkmGradientVert);
        break;
    case bkmCenter: {
        canvas.FillRect(r);
        const int bw = m_background->Width(), bh = m_background->Height();
        canvas.Draw((w - bw) / 2, (h - bh) / 2, m_background.get());
        break;
    }
    case bkmStretch:
        canvas.StretchDraw(TRect(0, 0, w, h), m_background.get());
        break;
    case bkmTile: {
        const int bw = m_background->Width(), bh = m_background->Height();
        for (int row = 0; row * bh < r.Bottom; ++row)
            for (int col = 0; col * bw < r.Right; ++col) {
                const TRect tile = Bounds(col * bw, row * bh, bw, bh);
                TRect meet;
                if (IntersectRect(meet, tile, r))
                    canvas.Draw(tile.Left, tile.Top, m_background.get());
            }
        break;
    }
    default:
        break;
    }
    canvas.Brush = saved;
}

void TCustomSBListViewEx::LastPaint(TCanvas&) {}

void TCustomSBListViewEx::PaintItems(TCanvas&, const TRect&) {}

void TCustomSBListViewEx::paintEvent(QPaintEvent* e)
{
    // Drawn off screen first, then copied: no flicker between background and items.
    const QRect ur = e->rect().intersected(rect());
    QImage buffer(size(), QImage::Format_RGB32);
    {
        QPainter bp(&buffer);
        TCanvas canvas(&bp);
        const TRect update(ur.left(), ur.top(), ur.right() + 1, std::min(ur.bottom() + 1, height()));
        DrawBackGround(canvas, update);
        PaintItems(canvas, update);
        LastPaint(canvas);
        if (m_borderSingle) {
            canvas.Brush.Color = clBtnShadow;
            canvas.FrameRect(TRect(0, 0, width(), height()));
        }
    }
    QPainter p(this);
    p.drawImage(ur, buffer, ur);
}

void TCustomSBListViewEx::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
}

// ---- TSBVertListItem ----

TSBVertListItem::~TSBVertListItem()
{
    if (m_owner)
        m_owner->ItemRemoved(this);
}

int TSBVertListItem::Index() const
{
    return m_owner ? m_owner->IndexOf(this) : -1;
}

void TSBVertListItem::SetHotTrackIndex(int value)
{
    if (value == m_hotTrackIndex)
        return;
    m_hotTrackIndex = value;
    if (m_owner)
        m_owner->update();
}

void TSBVertListItem::SetSelectedIndex(int value)
{
    if (value == m_selectedIndex)
        return;
    m_selectedIndex = value;
    if (m_owner)
        m_owner->update();
}

bool TSBVertListItem::Selected() const
{
    return m_owner && m_owner->GetSelectedItem() == this;
}

void TSBVertListItem::SetSelected(bool value)
{
    if (!m_owner || value == Selected())
        return;
    m_owner->SetSelectedItem(value ? this : nullptr);
}

void TSBVertListItem::MakeVisible(bool)
{
    if (m_owner)
        m_owner->EnsureVisible(this);
}

void TSBVertListItem::DoClick()
{
    if (OnClick)
        OnClick(m_owner);
}

// ---- TSBVertListView ----

std::function<bool(const QString&, const QString&)> TSBVertListView::ShellOpen =
    [](const QString& file, const QString& parameters) {
        const QFileInfo info(file);
        if (info.isExecutable() && !info.isDir())
            return ShellStart(info.absoluteFilePath(), QProcess::splitCommand(parameters));
        return ::ShellOpen(QUrl::fromLocalFile(info.absoluteFilePath()));
    };

TSBVertListView::TSBVertListView(QWidget* parent)
    : TCustomSBListViewEx(parent)
    , m_serial(g_nextSerial++)
{
    Lists()[m_serial] = this;
    m_downButton = new TSBScrollButton(this);
    m_downButton->SetButtonStyle(dcsbs_ScrollDown);
    m_upButton = new TSBScrollButton(this);
    m_upButton->SetButtonStyle(dcsbs_ScrollUp);
    for (TSBScrollButton* b : {m_downButton, m_upButton}) {
        b->hide();
        b->SetFrequency(200);
        b->installEventFilter(this);
    }
    m_downButton->OnSelect = [this](QObject*) { ScrollDown(); };
    m_upButton->OnSelect = [this](QObject*) { ScrollUp(); };
    m_scrollTimer.setInterval(m_downButton->Frequency());
    connect(&m_scrollTimer, &QTimer::timeout, this, &TSBVertListView::DragScrollTick);
    m_hoverTimer.setInterval(10);
    connect(&m_hoverTimer, &QTimer::timeout, this, &TSBVertListView::HoverCheck);
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(100, 200);
}

TSBVertListView::~TSBVertListView()
{
    m_destroying = true;
    if (m_dragging)
        CancelDrag();
    if (TSBDragKeyFilter::InstalledFor(this))
        TSBDragKeyFilter::Remove();
    Lists().erase(m_serial);
    m_hotItem = m_pressedItem = m_selectedItem = m_previousSelected = nullptr;
    for (auto& item : m_items)
        item->m_owner = nullptr;
    m_items.clear();
}

TSBVertListView* TSBVertListView::ListBySerial(quint32 serial)
{
    const auto it = Lists().find(serial);
    return it == Lists().end() ? nullptr : it->second;
}

TSBVertListItem* TSBVertListView::Item(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].get() : nullptr;
}

int TSBVertListView::IndexOf(const TSBVertListItem* item) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

TSBVertListItem* TSBVertListView::Add()
{
    return Insert(Count());
}

TSBVertListItem* TSBVertListView::Insert(int index)
{
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, std::make_unique<TSBVertListItem>(this));
    if (m_editCount == 0)
        ReAlignItems();
    return m_items[size_t(index)].get();
}

void TSBVertListView::Delete(int index)
{
    if (m_destroying || index < 0 || index >= Count())
        return;
    std::unique_ptr<TSBVertListItem> item = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    item.reset(); // clears the hot, pressed and selected references
    ReAlignItems();
    // The last item never ends above the top margin when there is room for it.
    if (!m_items.empty() && m_scrollY > 0) {
        const TRect last = BoundsRect(m_items.back().get());
        if (last.Bottom < height() - TopMargin()) {
            const int back = std::min(m_scrollY, height() - TopMargin() - last.Bottom);
            if (back > 0)
                Scroll(0, -back);
        }
    } else if (m_items.empty() && m_scrollY != 0) {
        m_scrollY = 0;
        UpdateScrollButtons();
    }
}

void TSBVertListView::Clear()
{
    while (Count() > 0)
        Delete(Count() - 1);
}

void TSBVertListView::ItemRemoved(TSBVertListItem* item)
{
    if (m_hotItem == item)
        m_hotItem = nullptr;
    if (m_pressedItem == item)
        m_pressedItem = nullptr;
    if (m_previousSelected == item)
        m_previousSelected = nullptr;
    if (m_selectedItem == item) {
        m_selectedItem = nullptr;
        SelectedItemChanged();
    }
    update();
}

TSBVertListItem* TSBVertListView::AddShortcut(const QString& caption, const QString& fileName,
                                              const QString& parameters)
{
    TSBVertListItem* item = Add();
    item->Caption = caption;
    item->FileName = fileName;
    item->Parameters = parameters;
    // The file's own icon, in both image lists when they are set.
    const QIcon icon = QFileIconProvider().icon(QFileInfo(fileName));
    int index = -1;
    if (m_largeImages)
        index = m_largeImages->Add(icon.pixmap(m_largeImages->Width(), m_largeImages->Height()).toImage());
    if (m_smallImages) {
        const int small = m_smallImages->Add(icon.pixmap(m_smallImages->Width(), m_smallImages->Height()).toImage());
        if (index < 0)
            index = small;
    }
    item->ImageIndex = index;
    ReAlignItems();
    return item;
}

void TSBVertListView::AssignItem(TSBVertListItem* dest, const TSBVertListItem* source)
{
    dest->Caption = source->Caption;
    dest->Data = source->Data;
    dest->ImageIndex = source->ImageIndex;
    dest->OverlayIndex = source->OverlayIndex;
    dest->StateIndex = source->StateIndex;
    dest->SubItems = source->SubItems;
    dest->FileName = source->FileName;
    dest->Parameters = source->Parameters;
    dest->OnClick = source->OnClick;
    dest->m_selectedIndex = source->m_selectedIndex;
}

// ---- font ----

int TSBVertListView::TListFont::Charset() const
{
    return WidgetCharset(m_owner);
}

void TSBVertListView::TListFont::SetCharset(int charset)
{
    SetWidgetCharset(m_owner, charset);
}

QFont TSBVertListView::TListFont::Font() const
{
    return m_owner->font();
}

void TSBVertListView::SetFont(const QFont& value)
{
    setFont(value);
}

bool TSBVertListView::event(QEvent* e)
{
    if (e->type() == QEvent::DynamicPropertyChange &&
        static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName() == kWidgetCharsetProperty)
        ReAlignItems();
    return TCustomSBListViewEx::event(e);
}

void TSBVertListView::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        ReAlignItems();
    else if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_dragging)
        CancelDrag();
    TCustomSBListViewEx::changeEvent(e);
}

// ---- property setters ----

void TSBVertListView::SetDragEnabled(bool value)
{
    if (value == m_dragEnabled)
        return;
    if (!value && m_dragging)
        CancelDrag();
    m_dragEnabled = value;
    update();
}

void TSBVertListView::SetDragPlaceColor(TColor value)
{
    if (value == m_dragPlaceColor)
        return;
    m_dragPlaceColor = value;
    if (m_dropPlace >= 0)
        update();
}

void TSBVertListView::SetHighlightColor(TColor value)
{
    if (value == m_highlightColor)
        return;
    m_highlightColor = value;
    update();
}

void TSBVertListView::SetHighlightFontColor(TColor value)
{
    if (value == m_highlightFontColor)
        return;
    m_highlightFontColor = value;
    update();
}

void TSBVertListView::SetHighlightSelection(bool value)
{
    if (value == m_highlightSelection)
        return;
    m_highlightSelection = value;
    update();
}

void TSBVertListView::SetItemSpace(int value)
{
    value = std::max(value, 5);
    if (value == m_itemSpace)
        return;
    m_itemSpace = value;
    ReAlignItems();
}

void TSBVertListView::SetScrollButtonsPos(TScrollButtonsPos value)
{
    if (value == m_scrollButtonsPos)
        return;
    m_scrollButtonsPos = value;
    UpdateScrollButtons();
}

void TSBVertListView::SetSelectionType(TSelectionType value)
{
    if (value == m_selectionType)
        return;
    m_selectionType = value;
    update();
}

void TSBVertListView::SetSunkSelected(bool value)
{
    if (value == m_sunkSelected)
        return;
    m_sunkSelected = value;
    update();
}

void TSBVertListView::SetUseDblClick(bool value)
{
    m_useDblClick = value;
}

void TSBVertListView::SetViewStyle(TViewStyle value)
{
    if (value != vsIcon && value != vsSmallIcon)
        RaiseError(SBString(SErrInvalidViewStyle));
    if (value == m_viewStyle)
        return;
    m_viewStyle = value;
    m_scrollY = 0;
    ReAlignItems();
}

void TSBVertListView::SetWrapLineCount(int value)
{
    if (value < 1)
        RaiseError(SBString(SErrInvalidPropValue));
    if (value == m_wrapLineCount)
        return;
    m_wrapLineCount = value;
    ReAlignItems();
}

void TSBVertListView::SetLargeImages(TImageList* value)
{
    if (value == m_largeImages)
        return;
    if (m_largeImages)
        disconnect(m_largeImages, nullptr, this, nullptr);
    m_largeImages = value;
    if (value) {
        connect(value, &TImageList::Change, this, &TSBVertListView::ReAlignItems);
        connect(value, &QObject::destroyed, this, &TSBVertListView::ReAlignItems, Qt::QueuedConnection);
    }
    ReAlignItems();
}

void TSBVertListView::SetSmallImages(TImageList* value)
{
    if (value == m_smallImages)
        return;
    if (m_smallImages)
        disconnect(m_smallImages, nullptr, this, nullptr);
    m_smallImages = value;
    if (value) {
        connect(value, &TImageList::Change, this, &TSBVertListView::ReAlignItems);
        connect(value, &QObject::destroyed, this, &TSBVertListView::ReAlignItems, Qt::QueuedConnection);
    }
    ReAlignItems();
}

// ---- selection ----

TSBVertListItem* TSBVertListView::GetSelectedItem() const
{
    return m_selectedItem;
}

void TSBVertListView::SetSelectedItem(TSBVertListItem* item)
{
    if (item && item->m_owner != this)
        return;
    if (item == m_selectedItem)
        return;
    if (TSBVertListItem* old = m_selectedItem) {
        m_selectedItem = nullptr;
        SelectionChanged(old, false);
    }
    m_selectedItem = item;
    if (item)
        SelectionChanged(item, true);
}

void TSBVertListView::SelectionChanged(TSBVertListItem* item, bool selected)
{
    if (OnSelectItem)
        OnSelectItem(this, item, selected);
    if (!selected) {
        m_previousSelected = item;
        update();
        return;
    }
    if (m_editCount == 0 && item != m_previousSelected)
        DoButtonClick(item);
    update();
    SelectedItemChanged();
}

TSBVertListItem* TSBVertListView::GetTopItem() const
{
    for (const auto& item : m_items)
        if (BoundsRect(item.get()).Top >= 0)
            return item.get();
    return nullptr;
}

// ---- item events ----

bool TSBVertListView::DoExecuteItem(TSBVertListItem* item)
{
    bool processed = false;
    if (OnExecuteItem)
        OnExecuteItem(this, item, processed);
    if (!processed && item && !item->FileName.isEmpty() && ShellOpen)
        ShellOpen(item->FileName, item->Parameters);
    return processed;
}

void TSBVertListView::DoButtonClick(TSBVertListItem* item)
{
    if (!item)
        return;
    if (!m_useDblClick)
        DoExecuteItem(item);
    item->DoClick();
    if (OnButtonClick)
        OnButtonClick(this, item);
}

void TSBVertListView::DoHotTrackItem(TSBVertListItem* item)
{
    if (OnHotTrackItem)
        OnHotTrackItem(this, item);
}

QMenu* TSBVertListView::DoPopupMenu(TSBVertListItem* item)
{
    QMenu* menu = m_popupMenu;
    if (OnPopupMenu)
        OnPopupMenu(this, item, menu);
    return menu;
}

QMenu* TSBVertListView::GetPopupMenu()
{
    return DoPopupMenu(m_hotItem);
}

// ---- geometry ----

QSize TSBVertListView::ImageSize() const
{
    if (m_viewStyle == vsIcon)
        return m_largeImages ? QSize(m_largeImages->Width(), m_largeImages->Height()) : QSize(32, 32);
    return m_smallImages ? QSize(m_smallImages->Width(), m_smallImages->Height()) : QSize(16, 16);
}

int TSBVertListView::LineHeight() const
{
    return QFontMetrics(font()).height();
}

int TSBVertListView::LabelHeight(const TSBVertListItem* item) const
{
    // The caption wraps, but never to more than WrapLineCount lines.
    const int line = LineHeight();
    const int boxWidth = m_viewStyle == vsIcon ? width() - 20 : width() - 10 - (7 + ImageSize().width() + 3);
    if (item->Caption.isEmpty() || boxWidth <= 0)
        return line;
    const QRect text = QFontMetrics(font()).boundingRect(QRect(0, 0, boxWidth, line * 1000),
                                                         Qt::TextWordWrap | Qt::AlignLeft, item->Caption);
    const int lines = std::clamp((text.height() + line - 1) / line, 1, m_wrapLineCount);
    return lines * line;
}

TRect TSBVertListView::IconRect(const TSBVertListItem* item) const
{
    const QSize img = ImageSize();
    const int top = item->m_layoutY - m_scrollY;
    if (m_viewStyle == vsIcon) {
        const int left = (width() - img.width()) / 2;
        return Bounds(left, top, img.width(), img.height());
    }
    return Bounds(7, top, img.width(), std::max(img.height(), LabelHeight(item)));
}

TRect TSBVertListView::LabelRect(const TSBVertListItem* item) const
{
    const TRect icon = IconRect(item);
    const int labelH = LabelHeight(item);
    const QFontMetrics fm(font());
    if (m_viewStyle == vsIcon) {
        const int boxLeft = 10, boxRight = width() - 10;
        const int textW = std::min(fm.boundingRect(QRect(0, 0, std::max(1, boxRight - boxLeft), labelH),
                                                   Qt::TextWordWrap | Qt::AlignHCenter, item->Caption)
                                       .width(),
                                   std::max(0, boxRight - boxLeft));
        TRect r(0, icon.Bottom + 2, textW, icon.Bottom + 2 + labelH);
        HCenterRect(r, TRect(boxLeft, 0, boxRight, 0));
        r.Left = std::max(r.Left, 10);
        r.Right = std::min(r.Right, width() - 10);
        return r;
    }
    const int left = icon.Right + 3;
    const int right = std::min(left + fm.horizontalAdvance(item->Caption), width() - 10);
    return TRect(left, icon.Top, std::max(left, right), icon.Top + labelH);
}

TRect TSBVertListView::BoundsRect(const TSBVertListItem* item) const
{
    const TRect icon = IconRect(item);
    const TRect label = LabelRect(item);
    if (m_viewStyle == vsIcon)
        return TRect(std::min(icon.Left, label.Left), icon.Top, std::max(icon.Right, label.Right), label.Bottom);
    return TRect(icon.Left, icon.Top, std::max(icon.Right, label.Right), icon.Bottom);
}

TRect TSBVertListView::GrowItemRect(const TSBVertListItem* item) const
{
    if (m_selectionType == stExpanded) {
        TRect r = BoundsRect(item);
        if (m_dragEnabled) {
            if (m_viewStyle == vsSmallIcon) {
                r.Top -= 2;
                r.Bottom += 2;
            }
        } else {
            r.Top -= TopMargin();
            r.Bottom += TopMargin() - 1;
        }
        r.Left = 0;
        r.Right = width() - 1;
        return r;
    }
    TRect r = IconRect(item);
    if (m_viewStyle == vsIcon) {
        InflateRect(r, 2, 2);
    } else {
        r.Left -= 2;
        r.Top -= 2;
        r.Right += 1;
        r.Bottom += 1;
    }
    return r;
}

TSBVertListItem* TSBVertListView::HitTest(int x, int y) const
{
    if (!rect().contains(x, y))
        return nullptr;
    for (const auto& owned : m_items) {
        const TSBVertListItem* item = owned.get();
        if (m_selectionType == stExpanded) {
            const TRect b = BoundsRect(item);
            const int extra = m_dragEnabled ? 0 : TopMargin();
            if (y >= b.Top - extra && y < b.Bottom + extra)
                return owned.get();
        } else if (IconRect(item).Contains(TPoint(x, y)) || LabelRect(item).Contains(TPoint(x, y))) {
            return owned.get();
        }
    }
    return nullptr;
}

void TSBVertListView::ReAlignItems()
{
    if (width() == 0)
        return;
    ++m_reAlignCount;
    int y = TopMargin();
    for (auto& item : m_items) {
        item->m_layoutY = y;
        const int height = BoundsRect(item.get()).Height();
        y += height + m_itemSpace;
    }
    UpdateScrollButtons();
    update();
}

// ---- scrolling ----

bool TSBVertListView::IsScrollUp() const
{
    return !m_items.empty() && BoundsRect(m_items.front().get()).Top < 0;
}

bool TSBVertListView::IsScrollDown() const
{
    return !m_items.empty() && BoundsRect(m_items.back().get()).Bottom > height();
}

void TSBVertListView::ScrollDown()
{
    if (!IsScrollDown())
        return;
    const TSBVertListItem* top = GetTopItem();
    if (!top)
        top = m_items.back().get();
    Scroll(0, BoundsRect(top).Height() + m_itemSpace);
}

void TSBVertListView::ScrollUp()
{
    if (!IsScrollUp())
        return;
    const int topIndex = IndexOf(GetTopItem());
    const TSBVertListItem* before = topIndex > 0 ? Item(topIndex - 1) : m_items.back().get();
    if (topIndex == 0)
        before = m_items.front().get();
    const int step = std::min(BoundsRect(before).Height() + m_itemSpace, m_scrollY);
    if (step > 0)
        Scroll(0, -step);
}

void TSBVertListView::ScrollBy(int lines)
{
    for (int i = 0; i < std::abs(lines); ++i) {
        if (lines < 0)
            ScrollUp();
        else
            ScrollDown();
    }
}

void TSBVertListView::Scroll(int, int dy)
{
    if (OnBeforeScroll)
        OnBeforeScroll(this);
    m_scrollY += dy;
    const QPoint local = mapFromGlobal(m_lastGlobal);
    if (!m_dragging && rect().contains(local))
        UpdateHotItem(local.x(), local.y());
    UpdateScrollButtons();
    update();
    if (OnAfterScroll)
        OnAfterScroll(this);
}

void TSBVertListView::EnsureVisible(TSBVertListItem* item)
{
    if (!item || item->m_owner != this)
        return;
    for (int guard = Count() + 1; guard > 0 && BoundsRect(item).Top < 0 && IsScrollUp(); --guard)
        ScrollUp();
    for (int guard = Count() + 1; guard > 0 && BoundsRect(item).Bottom > height() && IsScrollDown(); --guard) {
        const int before = m_scrollY;
        const TSBVertListItem* top = GetTopItem();
        // Never scroll the item itself out at the top.
        if (top == item)
            break;
        ScrollDown();
        if (m_scrollY == before)
            break;
    }
}

void TSBVertListView::UpdateScrollButtons()
{
    const int w = width(), h = height();
    const int upH = m_upButton->height(), downH = m_downButton->height();
    const bool room = h >= upH + downH + 10;
    if (room && IsScrollDown()) {
        const int y = m_scrollButtonsPos == spTop ? upH + 10 : h - downH - 5;
        m_downButton->move(w - m_downButton->width() - 5, y);
        m_downButton->show();
        m_downButton->raise();
    } else {
        m_downButton->hide();
    }
    if (room && IsScrollUp()) {
        const int y = m_scrollButtonsPos == spBottom ? h - downH - 10 - upH : 5;
        m_upButton->move(w - m_upButton->width() - 5, y);
        m_upButton->show();
        m_upButton->raise();
    } else {
        m_upButton->hide();
    }
}

void TSBVertListView::resizeEvent(QResizeEvent*)
{
    ReAlignItems();
}

// ---- hot item ----

void TSBVertListView::SetHotItem(TSBVertListItem* item)
{
    if (item == m_hotItem)
        return;
    m_hotItem = item;
    DoHotTrackItem(item);
    if (item)
        m_hoverTimer.start();
    else
        m_hoverTimer.stop();
    update();
}

void TSBVertListView::UpdateHotItem(int x, int y)
{
    const QPoint p(x, y);
    const bool overButton = (m_upButton->isVisible() && m_upButton->geometry().contains(p))
                            || (m_downButton->isVisible() && m_downButton->geometry().contains(p));
    SetHotItem(overButton ? nullptr : HitTest(x, y));
}

void TSBVertListView::HoverCheck()
{
    if (m_mouseDown || m_dragging || QWidget::mouseGrabber())
        return;
    if (!isVisible() || !rect().contains(mapFromGlobal(QCursor::pos())))
        SetHotItem(nullptr);
}

void TSBVertListView::MouseLeave()
{
    if (!m_mouseDown)
        SetHotItem(nullptr);
}

// ---- mouse ----

void TSBVertListView::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    m_lastGlobal = mapToGlobal(QPoint(x, y));
    if (button == Qt::RightButton) {
        CancelDrag();
        m_mouseDown = false;
        UpdateHotItem(x, y);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    if (OnBeforeMouseDown)
        OnBeforeMouseDown(this, x, y);
    if (focusPolicy() != Qt::NoFocus)
        setFocus();
    m_cancelled = false;
    m_pressedItem = HitTest(x, y);
    SetHotItem(m_pressedItem);
    if (m_pressedItem) {
        m_dragStart = QPoint(x, y);
        m_mouseDown = true;
        update();
    }
}

void TSBVertListView::MouseMove(Qt::KeyboardModifiers mods, int x, int y)
{
    m_lastGlobal = mapToGlobal(QPoint(x, y));
    if (m_dragging) {
        DragTo(m_lastGlobal);
        return;
    }
    if (m_mouseDown && m_pressedItem && m_dragEnabled
        && (std::abs(x - m_dragStart.x()) >= kDragThreshold || std::abs(y - m_dragStart.y()) >= kDragThreshold)) {
        StartDrag(mods);
        DragTo(m_lastGlobal);
        return;
    }
    UpdateHotItem(x, y);
}

void TSBVertListView::MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_lastGlobal = mapToGlobal(QPoint(x, y));
    const bool wasDown = m_mouseDown;
    m_mouseDown = false;
    if (m_dragging) {
        EndDrag(m_cancelled);
        if (rect().contains(x, y))
            UpdateHotItem(x, y);
    } else if (wasDown && !m_cancelled && m_pressedItem) {
        TSBVertListItem* item = m_pressedItem;
        ++m_editCount;
        SetSelectedItem(item);
        --m_editCount;
        if (IndexOf(item) >= 0) {
            DoButtonClick(item);
            if (IndexOf(item) >= 0)
                item->MakeVisible(false);
        }
    }
    m_pressedItem = nullptr;
    m_cancelled = false;
    update();
}

void TSBVertListView::DblClick(Qt::MouseButton button, int x, int y)
{
    if (button == Qt::LeftButton && m_useDblClick && m_hotItem) {
        DoExecuteItem(m_hotItem);
    } else {
        MouseDown(button, Qt::NoModifier, x, y);
    }
    if (OnDblClick)
        OnDblClick(this);
}

void TSBVertListView::WheelDelta(int delta)
{
    m_wheelRemainder += delta;
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder -= notches * 120;
    if (notches != 0)
        ScrollBy(-notches * QApplication::wheelScrollLines());
}

void TSBVertListView::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseDown(e->button(), e->modifiers(), p.x(), p.y());
}

void TSBVertListView::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseMove(e->modifiers(), p.x(), p.y());
}

void TSBVertListView::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseUp(e->button(), p.x(), p.y());
}

void TSBVertListView::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    DblClick(e->button(), p.x(), p.y());
}

void TSBVertListView::wheelEvent(QWheelEvent* e)
{
    WheelDelta(e->angleDelta().y());
    e->accept();
}

void TSBVertListView::leaveEvent(QEvent*)
{
    MouseLeave();
}

bool TSBVertListView::eventFilter(QObject* watched, QEvent* e)
{
    // The pointer going straight from an item onto a scroll button leaves the list for it.
    if (e->type() == QEvent::Enter && (watched == m_downButton || watched == m_upButton))
        MouseLeave();
    return TCustomSBListViewEx::eventFilter(watched, e);
}

void TSBVertListView::keyPressEvent(QKeyEvent* e)
{
    // Arrow, page and Home/End keys move nothing unless the selection is shown sunken.
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: {
        if (!m_sunkSelected || m_items.empty())
            return;
        int index = IndexOf(m_selectedItem);
        if (e->key() == Qt::Key_Up || e->key() == Qt::Key_PageUp)
            index = std::max(0, index - 1);
        else if (e->key() == Qt::Key_Home)
            index = 0;
        else if (e->key() == Qt::Key_End)
            index = Count() - 1;
        else
            index = std::min(Count() - 1, index + 1);
        SetSelectedItem(Item(index));
        EnsureVisible(Item(index));
        return;
    }
    default:
        TCustomSBListViewEx::keyPressEvent(e);
    }
}

void TSBVertListView::contextMenuEvent(QContextMenuEvent* e)
{
    if (QMenu* menu = GetPopupMenu())
        menu->popup(e->globalPos());
}

// ---- dragging ----

void TSBVertListView::SetCopyDrag(bool copy)
{
    if (copy == m_copyDrag)
        return;
    m_copyDrag = copy;
    if (m_dragging && m_dragAccepted && QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Screen->Cursor(m_copyDrag ? crDragCopy : crDragMove));
}

void TSBVertListView::StartDrag(Qt::KeyboardModifiers mods)
{
    // The dragged item is no longer under a resting pointer: no hover frame while it travels.
    SetHotItem(nullptr);
    m_dragging = true;
    m_dragAccepted = false;
    m_copyDrag = mods & Qt::ControlModifier;
    TSBDragKeyFilter::Install(this);
    QGuiApplication::setOverrideCursor(Screen->Cursor(m_copyDrag ? crDragCopy : crDragMove));
    update();
}

TSBVertListView* TSBVertListView::ListAt(const QPoint& global) const
{
    for (QWidget* w = QApplication::widgetAt(global); w; w = w->parentWidget())
        if (auto* list = qobject_cast<TSBVertListView*>(w))
            return list;
    return nullptr;
}

void TSBVertListView::DragTo(const QPoint& global)
{
    TSBVertListView* target = ListAt(global);
    if (target != m_dropTarget) {
        if (m_dropTarget)
            m_dropTarget->ClearDropPlace();
        m_dropTarget = target;
    }
    TSBItemDragData data;
    data.processId = QCoreApplication::applicationPid();
    data.listSerial = m_serial;
    data.itemIndex = IndexOf(m_pressedItem);
    data.copy = m_copyDrag;
    bool accepted = false;
    // Not a list: a control that wants to see the drag (a group bar opening its pages).
    QWidget* other = nullptr;
    if (!target)
        for (QWidget* w = QApplication::widgetAt(global); w && !other; w = w->parentWidget())
            if (dynamic_cast<TSBDragOverTarget*>(w))
                other = w;
    if (other != m_overTarget) {
        if (auto* leaving = dynamic_cast<TSBDragOverTarget*>(m_overTarget.data()))
            leaving->SBDragLeave();
        m_overTarget = other;
    }
    if (other)
        accepted = dynamic_cast<TSBDragOverTarget*>(other)->SBDragOver(other->mapFromGlobal(global));
    if (target) {
        const QPoint local = target->mapFromGlobal(global);
        accepted = target->AcceptItemDrag(data, local.x(), local.y());
        target->m_scrollSource = accepted ? this : nullptr;
    }
    m_dragAccepted = accepted;
    const QCursor cursor = accepted ? Screen->Cursor(m_copyDrag ? crDragCopy : crDragMove) : Screen->Cursor(crNoDrop);
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(cursor);
}

bool TSBVertListView::AcceptItemDrag(const TSBItemDragData& data, int x, int y)
{
    TSBVertListView* source =
        data.processId == QCoreApplication::applicationPid() ? ListBySerial(data.listSerial) : nullptr;
    if (!source || !source->DragEnabled() || !source->Item(data.itemIndex) || !rect().contains(x, y)) {
        ClearDropPlace();
        return false;
    }
    // Near an edge the target scrolls while it can.
    const bool nearTop = y < kEdgeScrollZone && IsScrollUp();
    const bool nearBottom = y >= height() - kEdgeScrollZone && IsScrollDown();
    if (nearTop || nearBottom) {
        if (!m_scrollTimer.isActive())
            m_scrollTimer.start(m_downButton->Frequency());
    } else {
        m_scrollTimer.stop();
    }
    const int place = GetDragPlace(x, y);
    if (place != m_dropPlace) {
        m_dropPlace = place;
        update();
    }
    // A drop goes only between items, never onto one or past a last item cut off.
    return place >= 0 && place <= Count();
}

void TSBVertListView::DragScrollTick()
{
    const QPoint local = mapFromGlobal(QCursor::pos());
    if (local.y() < kEdgeScrollZone && IsScrollUp())
        ScrollUp();
    else if (local.y() >= height() - kEdgeScrollZone && IsScrollDown())
        ScrollDown();
    else
        m_scrollTimer.stop();
    if (m_scrollSource && m_scrollSource->Dragging())
        m_scrollSource->DragTo(QCursor::pos());
}

void TSBVertListView::ClearDropPlace()
{
    m_scrollTimer.stop();
    if (m_dropPlace == -1)
        return;
    m_dropPlace = -1;
    update();
}

int TSBVertListView::GetDragPlace(int x, int y) const
{
    if (!rect().contains(x, y))
        return -1;
    if (m_items.empty())
        return 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const TRect b = BoundsRect(m_items[i].get());
        if (b.Top > y)
            return int(i);
        if (y >= b.Top && y < b.Bottom)
            return -1;
    }
    const TRect last = BoundsRect(m_items.back().get());
    return last.Bottom <= height() ? Count() : -1;
}

int TSBVertListView::DropPlaceY(int place) const
{
    int y;
    if (place <= 0 || m_items.empty())
        y = std::max(0, TopMargin() / 2 - m_scrollY);
    else if (place >= Count())
        y = BoundsRect(m_items.back().get()).Bottom + m_itemSpace / 2;
    else
        y = BoundsRect(m_items[size_t(place)].get()).Top - m_itemSpace / 2;
    return std::min(y, height() - 2);
}

void TSBVertListView::EndDrag(bool cancelled)
{
    TSBDragKeyFilter::Remove();
    QPointer<TSBVertListView> target = m_dropTarget;
    const bool accepted = m_dragAccepted && !cancelled;
    TSBItemDragData data;
    data.processId = QCoreApplication::applicationPid();
    data.listSerial = m_serial;
    data.itemIndex = IndexOf(m_pressedItem);
    data.copy = m_copyDrag;
    m_dragging = false;
    m_dragAccepted = false;
    m_dropTarget = nullptr;
    if (auto* leaving = dynamic_cast<TSBDragOverTarget*>(m_overTarget.data()))
        leaving->SBDragLeave();
    m_overTarget = nullptr;
    if (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (m_dragEnabled && accepted && !target) {
        DoEndDrag(nullptr); // a control that took the drag but holds no items
    } else if (m_dragEnabled && accepted && target) {
        DoEndDrag(target);
        target->DropItem(data);
    } else {
        if (!cancelled)
            DoEndDrag(nullptr);
        if (target)
            target->ClearDropPlace();
    }
    if (target)
        target->m_scrollSource = nullptr;
    m_pressedItem = nullptr;
    update();
}

void TSBVertListView::DoEndDrag(TSBVertListView* target)
{
    if (OnEndDrag)
        OnEndDrag(this, target);
}

bool TSBVertListView::DropItem(const TSBItemDragData& data)
{
    TSBVertListView* source =
        data.processId == QCoreApplication::applicationPid() ? ListBySerial(data.listSerial) : nullptr;
    const int place = m_dropPlace;
    ClearDropPlace();
    if (!source || !source->DragEnabled())
        return false;
    TSBVertListItem* dragged = source->Item(data.itemIndex);
    if (!dragged || place < 0 || place > Count())
        return false;
    ++m_editCount;
    TSBVertListItem* copy = Insert(place);
    AssignItem(copy, dragged);
    --m_editCount;
    // The source item goes only now that its copy exists.
    if (!data.copy) {
        if (source->m_hotItem == dragged)
            source->SetHotItem(nullptr);
        source->Delete(source->IndexOf(dragged));
    }
    ReAlignItems();
    EnsureVisible(copy);
    if (source != this)
        source->ReAlignItems();
    return true;
}

void TSBVertListView::CancelDrag()
{
    TSBDragKeyFilter::Remove();
    m_mouseDown = false;
    if (m_dragging) {
        m_cancelled = true;
        EndDrag(true);
    }
    m_pressedItem = nullptr;
    m_cancelled = false;
}

// Outside drags with the list's own type go through the same checks.
void TSBVertListView::dragEnterEvent(QDragEnterEvent* e)
{
    dragMoveEvent(e);
}

void TSBVertListView::dragMoveEvent(QDragMoveEvent* e)
{
    const std::optional<TSBItemDragData> data =
        e->mimeData() ? DecodeItemDragData(e->mimeData()->data(SBItemDragMimeType())) : std::nullopt;
    const QPoint p = e->position().toPoint();
    if (data && AcceptItemDrag(*data, p.x(), p.y()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void TSBVertListView::dragLeaveEvent(QDragLeaveEvent*)
{
    ClearDropPlace();
}

void TSBVertListView::dropEvent(QDropEvent* e)
{
    const std::optional<TSBItemDragData> data =
        e->mimeData() ? DecodeItemDragData(e->mimeData()->data(SBItemDragMimeType())) : std::nullopt;
    const QPoint p = e->position().toPoint();
    if (data && AcceptItemDrag(*data, p.x(), p.y()) && DropItem(*data))
        e->acceptProposedAction();
    else
        e->ignore();
}

// ---- painting ----

void TSBVertListView::PaintItems(TCanvas& canvas, const TRect& update)
{
    const TImageList* images = m_viewStyle == vsIcon ? m_largeImages.data() : m_smallImages.data();
    for (const auto& owned : m_items) {
        const TSBVertListItem* item = owned.get();
        const TRect frame = GrowItemRect(item);
        TRect meet;
        if (!IntersectRect(meet, TRect(frame.Left, frame.Top, frame.Right + 1, frame.Bottom + 1), update))
            continue;
        const bool hot = item == m_hotItem;
        const bool selected = item == m_selectedItem;
        const bool sunk = m_sunkSelected && selected;
        // Frames: raised while hovered, pressed while held, sunken for the selection.
        if (m_highlightSelection && (hot || sunk)) {
            canvas.Brush.Color = m_highlightColor;
            canvas.Brush.Style = bsSolid;
            canvas.FillRect(frame);
        }
        int image = item->ImageIndex;
        if (hot && item->HotTrackIndex() != -1)
            image = item->HotTrackIndex();
        else if (selected && item->SelectedIndex() != -1)
            image = item->SelectedIndex();
        if (images)
            DrawImage(canvas, images, nullptr, clNone, false, image, IconRect(item));
        TRect label = LabelRect(item);
        canvas.Font = CanvasFont(font());
        canvas.Font.Color = QColorToColor(palette().color(QPalette::WindowText));
        if (m_selectionType == stExpanded && m_highlightSelection && (hot || sunk))
            canvas.Font.Color = m_highlightFontColor;
        canvas.Brush.Style = bsClear;
        unsigned flags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS;
        if (m_viewStyle == vsIcon)
            flags |= DT_CENTER;
        canvas.DrawText(item->Caption, label, flags);
        canvas.Brush.Style = bsSolid;
        const bool pressed = hot && m_mouseDown && !m_dragging;
        if (sunk)
            DrawEdges(canvas, frame, clBlack, m_highlightSelection ? clWhite : clSilver);
        else if (pressed)
            DrawEdges(canvas, frame, clBlack, m_highlightSelection ? clWhite : clSilver);
        else if (hot)
            DrawEdges(canvas, frame, m_highlightSelection ? clWhite : clSilver, clBlack);
    }
}

void TSBVertListView::LastPaint(TCanvas& canvas)
{
    if (m_dropPlace < 0)
        return;
    // A line between the items, with a small triangle at each end pointing inward.
    const int y = DropPlaceY(m_dropPlace);
    const int half = (m_viewStyle == vsSmallIcon && m_selectionType == stExpanded) ? 1 : 4;
    const int left = 2, right = width() - 2;
    canvas.Pen.Color = m_dragPlaceColor;
    canvas.Pen.Style = psSolid;
    canvas.Pen.Width = 1;
    canvas.Brush.Color = m_dragPlaceColor;
    canvas.Brush.Style = bsSolid;
    canvas.MoveTo(left, y);
    canvas.LineTo(right, y);
    canvas.Polygon({{left, y - half}, {left + half, y}, {left, y + half}});
    canvas.Polygon({{right - 1, y - half}, {right - 1 - half, y}, {right - 1, y + half}});
}
