#include "bars/sb_out_bar.h"

#include "platform/cursors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <functional>
#include <map>

// ---- list on a page ----

TSBOutBarVertListView::TSBOutBarVertListView(QWidget* parent)
    : TSBVertListView(parent)
{
    SetBorderSingle(false);
}

TSBOutBar* TSBOutBarVertListView::OutBar() const
{
    auto* page = qobject_cast<TSBOutBarGroup*>(parentWidget());
    return page ? qobject_cast<TSBOutBar*>(page->OutBar()) : nullptr;
}

#define SB_LIST_SETTER(Name, Type)                                                                 \
    void TSBOutBarVertListView::Set##Name(Type value)                                              \
    {                                                                                              \
        if (value != Name())                                                                       \
            m_parent##Name = false;                                                                \
        TSBVertListView::Set##Name(value);                                                     \
    }
SB_LIST_SETTER(GradientBeginColor, TColor)
SB_LIST_SETTER(GradientEndColor, TColor)
SB_LIST_SETTER(BackgroundMode, TBackgroundModeGlobal)
SB_LIST_SETTER(DragEnabled, bool)
SB_LIST_SETTER(DragPlaceColor, TColor)
SB_LIST_SETTER(HighlightColor, TColor)
SB_LIST_SETTER(HighlightFontColor, TColor)
SB_LIST_SETTER(HighlightSelection, bool)
SB_LIST_SETTER(ScrollButtonsPos, TScrollButtonsPos)
SB_LIST_SETTER(SelectionType, TSelectionType)
SB_LIST_SETTER(SunkSelected, bool)
SB_LIST_SETTER(UseDblClick, bool)
SB_LIST_SETTER(WrapLineCount, int)
#undef SB_LIST_SETTER

void TSBOutBarVertListView::SetBackground(const TBitmap& value)
{
    if (value.ToImage() != Background().ToImage())
        m_parentBackground = false;
    TSBVertListView::SetBackground(value);
}

#define SB_PARENT_SETTER(Name)                                                                     \
    void TSBOutBarVertListView::SetParent##Name(bool value)                                        \
    {                                                                                              \
        if (value == m_parent##Name)                                                               \
            return;                                                                                \
        m_parent##Name = value;                                                                    \
        if (value)                                                                                 \
            TakeFromBar();                                                                         \
    }
SB_PARENT_SETTER(Background)
SB_PARENT_SETTER(BackgroundMode)
SB_PARENT_SETTER(DragEnabled)
SB_PARENT_SETTER(DragPlaceColor)
SB_PARENT_SETTER(GradientBeginColor)
SB_PARENT_SETTER(GradientEndColor)
SB_PARENT_SETTER(HighlightColor)
SB_PARENT_SETTER(HighlightFontColor)
SB_PARENT_SETTER(HighlightSelection)
SB_PARENT_SETTER(ScrollButtonsPos)
SB_PARENT_SETTER(SelectionType)
SB_PARENT_SETTER(SunkSelected)
SB_PARENT_SETTER(UseDblClick)
SB_PARENT_SETTER(WrapLineCount)
#undef SB_PARENT_SETTER

void TSBOutBarVertListView::SetAllParentFlags()
{
    m_parentBackground = m_parentBackgroundMode = m_parentDragEnabled = m_parentDragPlaceColor =
        m_parentGradientBeginColor = m_parentGradientEndColor = m_parentHighlightColor =
            m_parentHighlightFontColor = m_parentHighlightSelection = m_parentScrollButtonsPos =
                m_parentSelectionType = m_parentSunkSelected = m_parentUseDblClick = m_parentWrapLineCount = true;
    TakeFromBar();
}

void TSBOutBarVertListView::TakeFromBar()
{
    TSBOutBar* bar = OutBar();
    if (!bar)
        return;
    if (m_parentBackground)
        TSBVertListView::SetBackground(bar->Background());
    if (m_parentBackgroundMode)
        TSBVertListView::SetBackgroundMode(bar->BackgroundMode());
    if (m_parentDragEnabled)
        TSBVertListView::SetDragEnabled(bar->DragEnabled());
    if (m_parentDragPlaceColor)
        TSBVertListView::SetDragPlaceColor(bar->DragPlaceColor());
    if (m_parentGradientBeginColor)
        TSBVertListView::SetGradientBeginColor(bar->GradientBeginColor());
    if (m_parentGradientEndColor)
        TSBVertListView::SetGradientEndColor(bar->GradientEndColor());
    if (m_parentHighlightColor)
        TSBVertListView::SetHighlightColor(bar->HighlightColor());
    if (m_parentHighlightFontColor)
        TSBVertListView::SetHighlightFontColor(bar->HighlightFontColor());
    if (m_parentHighlightSelection)
        TSBVertListView::SetHighlightSelection(bar->HighlightSelection());
    if (m_parentScrollButtonsPos)
        TSBVertListView::SetScrollButtonsPos(bar->ScrollButtonsPos());
    if (m_parentSelectionType)
        TSBVertListView::SetSelectionType(bar->SelectionType());
    if (m_parentSunkSelected)
        TSBVertListView::SetSunkSelected(bar->SunkSelected());
    if (m_parentUseDblClick)
        TSBVertListView::SetUseDblClick(bar->UseDblClick());
    if (m_parentWrapLineCount)
        TSBVertListView::SetWrapLineCount(bar->WrapLineCount());
}

void TSBOutBarVertListView::SetOwnLargeImages(TImageList* value)
{
    m_ownLarge = value;
    InitImages();
}

void TSBOutBarVertListView::SetOwnSmallImages(TImageList* value)
{
    m_ownSmall = value;
    InitImages();
}

void TSBOutBarVertListView::InitImages()
{
    TSBOutBar* bar = OutBar();
    SetLargeImages(m_ownLarge ? m_ownLarge.data() : bar ? bar->LargeImages() : nullptr);
    SetSmallImages(m_ownSmall ? m_ownSmall.data() : bar ? bar->SmallImages() : nullptr);
}

void TSBOutBarVertListView::DoButtonClick(TSBVertListItem* item)
{
    TSBVertListView::DoButtonClick(item);
    if (TSBOutBar* bar = OutBar(); bar && bar->OnButtonClick)
        bar->OnButtonClick(this, item);
}

bool TSBOutBarVertListView::DoExecuteItem(TSBVertListItem* item)
{
    bool processed = false;
    if (TSBOutBar* bar = OutBar(); bar && bar->OnExecuteItem)
        bar->OnExecuteItem(this, item, processed);
    if (!processed)
        processed = TSBVertListView::DoExecuteItem(item);
    return processed;
}

void TSBOutBarVertListView::DoHotTrackItem(TSBVertListItem* item)
{
    TSBVertListView::DoHotTrackItem(item);
    if (TSBOutBar* bar = OutBar(); bar && bar->OnHotTrackItem)
        bar->OnHotTrackItem(this, item);
}

QMenu* TSBOutBarVertListView::DoPopupMenu(TSBVertListItem* item)
{
    TSBOutBar* bar = OutBar();
    if (!bar || !bar->OnPopupMenu)
        return TSBVertListView::DoPopupMenu(item);
    QMenu* menu = PopupMenu();
    bar->OnPopupMenu(this, item, menu);
    return menu;
}

void TSBOutBarVertListView::SelectedItemChanged()
{
    if (TSBOutBar* bar = OutBar())
        bar->ClearAllSelected(qobject_cast<TSBOutBarGroup*>(parentWidget()));
}

void TSBOutBarVertListView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton)
        if (TSBOutBar* bar = OutBar())
            bar->CancelEdit();
    TSBVertListView::mousePressEvent(e);
}

// ---- out bar ----

TSBOutBar::TSBOutBar(QWidget* parent)
    : TSBGroupBar(parent)
    , m_background(std::make_unique<TBitmap>())
{
    SetButtonSpaceColor(clGray);
    m_background->OnChange = [this](TGraphic*) { OnBkChange(); };
}

TSBOutBar::~TSBOutBar()
{
    m_background->OnChange = nullptr;
}

std::vector<TSBOutBarVertListView*> TSBOutBar::Lists() const
{
    std::vector<TSBOutBarVertListView*> out;
    for (int i = 0; i < GroupCount(); ++i)
        for (QObject* o : Groups(i)->children())
            if (auto* list = qobject_cast<TSBOutBarVertListView*>(o))
                out.push_back(list);
    return out;
}

TSBOutBarGroup* TSBOutBar::NewGroup()
{
    TSBOutBarGroup* page = TSBGroupBar::NewGroup();
    CreateListView(page);
    return page;
}

TSBVertListView* TSBOutBar::CreateListView(TSBOutBarGroup* page)
{
    auto* list = new TSBOutBarVertListView(page);
    list->setGeometry(page->rect());
    list->SetColor(clAppWorkSpace);
    QPalette pal = list->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    list->setPalette(pal);
    list->SetAllParentFlags();
    list->InitImages();
    list->show();
    return list;
}

TSBVertListView* TSBOutBar::GetActiveListView() const
{
    TSBOutBarGroup* page = ActiveGroup();
    return page ? page->GetListView() : nullptr;
}

void TSBOutBar::ClearAllSelected(TSBOutBarGroup* page)
{
    if (!m_oneSelected)
        return;
    for (TSBOutBarVertListView* list : Lists())
        if (list->parentWidget() != page && list->GetSelectedItem())
            list->SetSelectedItem(nullptr);
}

void TSBOutBar::SetOneSelected(bool value)
{
    if (value == m_oneSelected)
        return;
    m_oneSelected = value;
    if (value)
        ClearAllSelected(ActiveGroup());
}

void TSBOutBar::OnBkChange()
{
    ForLists([this](TSBOutBarVertListView* l) {
        if (l->ParentBackground())
            l->TSBVertListView::SetBackground(*m_background);
    });
}

void TSBOutBar::SetBackground(const TBitmap& value)
{
    m_background->Assign(value); // its change notice hands it on
    OnBkChange();
}

#define SB_BAR_SETTER(Name, Type, Field)                                                           \
    void TSBOutBar::Set##Name(Type value)                                                          \
    {                                                                                              \
        if (value == Field)                                                                        \
            return;                                                                                \
        Field = value;                                                                             \
        ForLists([&](TSBOutBarVertListView* l) {                                                   \
            if (l->Parent##Name())                                                                 \
                l->TSBVertListView::Set##Name(value);                                              \
        });                                                                                        \
    }
SB_BAR_SETTER(BackgroundMode, TBackgroundModeGlobal, m_backgroundMode)
SB_BAR_SETTER(DragEnabled, bool, m_dragEnabled)
SB_BAR_SETTER(DragPlaceColor, TColor, m_dragPlaceColor)
SB_BAR_SETTER(GradientBeginColor, TColor, m_gradientBegin)
SB_BAR_SETTER(GradientEndColor, TColor, m_gradientEnd)
SB_BAR_SETTER(HighlightColor, TColor, m_highlightColor)
SB_BAR_SETTER(HighlightFontColor, TColor, m_highlightFontColor)
SB_BAR_SETTER(HighlightSelection, bool, m_highlightSelection)
SB_BAR_SETTER(ScrollButtonsPos, TScrollButtonsPos, m_scrollButtonsPos)
SB_BAR_SETTER(SelectionType, TSelectionType, m_selectionType)
SB_BAR_SETTER(SunkSelected, bool, m_sunkSelected)
SB_BAR_SETTER(UseDblClick, bool, m_useDblClick)
#undef SB_BAR_SETTER

void TSBOutBar::SetWrapLineCount(int value)
{
    if (value < 1)
        RaiseError(SBString(SErrInvalidPropValue));
    if (value == m_wrapLineCount)
        return;
    m_wrapLineCount = value;
    ForLists([&](TSBOutBarVertListView* l) {
        if (l->ParentWrapLineCount())
            l->TSBVertListView::SetWrapLineCount(value);
    });
}

void TSBOutBar::SetLargeImages(TImageList* value)
{
    if (value == m_largeImages)
        return;
    if (m_largeImages)
        disconnect(m_largeImages, &QObject::destroyed, this, nullptr);
    m_largeImages = value;
    if (value)
        connect(value, &QObject::destroyed, this, [this] { SetLargeImages(nullptr); });
    ForLists([](TSBOutBarVertListView* l) { l->InitImages(); });
}

void TSBOutBar::SetSmallImages(TImageList* value)
{
    if (value == m_smallImages)
        return;
    if (m_smallImages)
        disconnect(m_smallImages, &QObject::destroyed, this, nullptr);
    m_smallImages = value;
    if (value)
        connect(value, &QObject::destroyed, this, [this] { SetSmallImages(nullptr); });
    ForLists([](TSBOutBarVertListView* l) { l->InitImages(); });
}

// ---- start-up: the cursors of the program's resources ----

namespace {

// Monochrome 32 by 32: black lines with a white rim, everything else transparent.
QPixmap CursorCanvas(const std::function<void(QPainter&)>& draw)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int pass = 0; pass < 2; ++pass) {
        p.setPen(QPen(pass == 0 ? Qt::white : Qt::black, pass == 0 ? 3 : 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        draw(p);
    }
    return pm;
}

void DrawArrowWithPage(QPainter& p, bool plus)
{
    // The arrow, its tip on the hot spot (16, 8).
    const QPoint arrow[] = {{16, 8}, {16, 21}, {19, 18}, {22, 24}, {24, 23}, {21, 17}, {25, 17}};
    p.drawPolygon(arrow, 7);
    // The page outline at its lower right.
    p.drawRect(22, 22, 7, 8);
    if (plus) {
        p.drawLine(6, 23, 12, 23);
        p.drawLine(9, 20, 9, 26);
    }
}

const std::map<QString, std::function<QCursor()>>& CursorResources()
{
    static const std::map<QString, std::function<QCursor()>> table = {
        {QStringLiteral("OUTDRAGMOVE"),
         [] { return QCursor(CursorCanvas([](QPainter& p) { DrawArrowWithPage(p, false); }), 16, 8); }},
        {QStringLiteral("OUTDRAGCOPY"),
         [] { return QCursor(CursorCanvas([](QPainter& p) { DrawArrowWithPage(p, true); }), 16, 8); }},
        {QStringLiteral("OUTNODROP"), [] {
             return QCursor(CursorCanvas([](QPainter& p) {
                                p.drawEllipse(QRect(2, 2, 12, 12));
                                p.drawLine(4, 12, 12, 4);
                            }),
                            8, 8);
         }},
    };
    return table;
}

} // namespace

QCursor LoadCursorChecked(const QString& name)
{
    const auto& table = CursorResources();
    const auto it = table.find(name);
    if (it == table.end())
        RaiseError(SBString(SErrLoadingCursor));
    return it->second();
}

void InitSideBarUnit()
{
    Screen->SetCursor(100, LoadCursorChecked(QStringLiteral("OUTDRAGMOVE")));
    Screen->SetCursor(101, LoadCursorChecked(QStringLiteral("OUTDRAGCOPY")));
    Screen->SetCursor(crNoDrop, LoadCursorChecked(QStringLiteral("OUTNODROP")));
}
