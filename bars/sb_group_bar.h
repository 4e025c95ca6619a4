#pragma once
// The outlook-style group bar: a stack of caption buttons, one per page, with the active page's
// client area between the buttons of the pages above it and those below it. A click on a
// caption makes its page active (sliding when the bar shows); dragging something over a caption
// for half a second opens its page; captions can be edited in place.
#include "bars/button_glyph.h"
#include "bars/sb_common.h"
#include "bars/tool_window_base.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

class TCustomSBGroupBar;
class TSBVertListView;


// The framework's border style, shared with the tool windows.
using TBorderStyle = TToolWindowBorderStyle;

class TSBOutBarGroup : public QWidget {
    Q_OBJECT
public:
    // A page belongs to the bar it is given (none: detached), and starts hidden.
    explicit TSBOutBarGroup(TCustomSBGroupBar* bar = nullptr);
    ~TSBOutBarGroup() override;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TAlignment CaptionAlignment() const { return m_captionAlignment; }
    void SetCaptionAlignment(TAlignment value);
    bool CaptionAutoSize() const { return m_captionAutoSize; }
    void SetCaptionAutoSize(bool value);
    int CaptionHeight() const { return m_captionHeight; }
    void SetCaptionHeight(int value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    int GroupIndex() const { return GetIndex(); }
    void SetGroupIndex(int value) { SetIndex(value); }
    TSBVersion Version() const { return SideBarVersion(); }

    TCustomSBGroupBar* OutBar() const { return m_bar; }
    void SetOutBar(TCustomSBGroupBar* bar);
    int GetIndex() const;
    // Moves the page within the bar, keeping the same page active.
    void SetIndex(int value);
    QString InitCaption() const;
    template <class T>
    T* GetControlFromType() const
    {
        for (QObject* o : children())
            if (auto* c = qobject_cast<T*>(o))
                return c;
        return nullptr;
    }
    TSBVertListView* GetListView() const;
    void UpdateRects();

protected:
    virtual void DoCaptionChanged();
    virtual bool DoCaptionChanging(const QString& newCaption);
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;
    void showEvent(QShowEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    friend class TCustomSBGroupBar;
    void FitList();
    QPointer<TCustomSBGroupBar> m_bar;
    QString m_caption;
    TAlignment m_captionAlignment = taCenter;
    bool m_captionAutoSize = true;
    int m_captionHeight = 20;
    TColor m_color = clBtnFace;
};

class TSBOutBarGroupEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSBOutBarGroupEdit(TCustomSBGroupBar* bar);
    void Show();
    int GroupIndex = -1;
    bool EditorCanceled = false;

protected:
    void keyPressEvent(QKeyEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    friend class TCustomSBGroupBar;
    void Store();
    TCustomSBGroupBar* m_bar;
};

using TGroupChangingEvent = std::function<void(QObject* sender, int newGroup, bool& allowChange)>;
using TGroupCaptionChangeEvent = std::function<void(QObject* sender, TSBOutBarGroup* group)>;
using TGroupCaptionChangingEvent =
    std::function<void(QObject* sender, TSBOutBarGroup* group, const QString& newCaption, bool& canChange)>;
using TGroupDrawEvent = std::function<void(QObject* sender, TSBOutBarGroup* group, const TRect& rect, bool& ownerDraw)>;

// What a list drag asks of the control under the pointer that is not a list.
class TSBDragOverTarget {
public:
    virtual ~TSBDragOverTarget() = default;
    virtual bool SBDragOver(const QPoint& local) = 0;
    virtual void SBDragLeave() = 0;
};

class TCustomSBGroupBar : public QWidget, public TSBDragOverTarget {
    Q_OBJECT
public:
    explicit TCustomSBGroupBar(QWidget* parent = nullptr);
    ~TCustomSBGroupBar() override;

    int ActiveGroupIndex() const { return m_activeIndex; }
    void SetActiveGroupIndex(int value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool FlatGroups() const { return m_flatGroups; }
    void SetFlatGroups(bool value);
    bool HotTrack() const { return m_hotTrack; }
    void SetHotTrack(bool value);
    int ButtonSpace() const { return m_buttonSpace; }
    void SetButtonSpace(int value);
    TColor HotColor() const { return m_hotColor; }
    void SetHotColor(TColor value);
    int Frequency() const { return m_frequency; }
    void SetFrequency(int value);
    TColor ButtonSpaceColor() const { return m_buttonSpaceColor; }
    void SetButtonSpaceColor(TColor value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TSBVersion Version() const { return SideBarVersion(); }

    TNotifyEvent OnChange;
    TGroupChangingEvent OnChanging;
    TGroupCaptionChangeEvent OnGroupCaptionChanged;
    TGroupCaptionChangingEvent OnGroupCaptionChanging;
    TGroupDrawEvent OnGroupDraw;

    // ---- pages ----
    int GroupCount() const { return int(m_groups.size()); }
    TSBOutBarGroup* Groups(int index) const;
    TSBOutBarGroup* ActiveGroup() const { return Groups(m_activeIndex); }
    void SetActiveGroup(TSBOutBarGroup* group);
    TSBOutBarGroup* GroupByName(const QString& caption) const;
    void InsertGroup(TSBOutBarGroup* group);
    void SafeRemoveGroup(TSBOutBarGroup* group);
    void RemoveGroup(TSBOutBarGroup* group);
    virtual TSBOutBarGroup* NewGroup();
    void AddNewGroup();
    void ExchangeGroup(int i, int j);
    void SelectNextGroup(bool forward);
    int IndexOfGroup(const TSBOutBarGroup* group) const;

    // ---- caption editor ----
    void EditGroupCaption(int index);
    void EditActiveGroupCaption();
    void CancelEdit();
    TSBOutBarGroupEdit* Editor() const { return m_editor; }
    bool Editing() const { return m_editor && m_editor->isVisible(); }

    // ---- geometry ----
    TRect LayoutRect() const;
    int ButtonHeight(int index) const;
    TRect GetButtonRect(int index) const;
    TRect GetActiveGroupRect() const;
    int GetNGroupFromXY(int x, int y) const;
    bool GroupEnabled(int index) const;
    void InitGroupSize();
    void UpdateButton(int index);

    // ---- state ----
    int HotGroup() const { return m_hotGroup; }
    int PressedGroup() const { return m_pressedGroup; }
    bool ButtonShownPressed() const { return m_buttonPressed; }
    int DragGroup() const { return m_dragGroup; }
    bool DragTimerActive() const { return m_dragTimer.isActive(); }
    void DragTimerTick();
    void UpdateHotGroup();

    // While loading, an active index is remembered and applied by Loaded.
    void BeginLoading() { m_loading = true; }
    void Loaded();
    bool Loading() const { return m_loading; }

    // ---- mouse (client coordinates) ----
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);

    bool SBDragOver(const QPoint& local) override;
    void SBDragLeave() override;

protected:
    virtual bool DoDrawGroup(TSBOutBarGroup* group, const TRect& rect);
    virtual void DoGroupCaptionChanged(TSBOutBarGroup* group);
    virtual bool DoGroupCaptionChanging(TSBOutBarGroup* group, const QString& newCaption);
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dragLeaveEvent(QDragLeaveEvent*) override;
    bool m_destroying = false;

private:
    friend class TSBOutBarGroup;
    friend class TSBOutBarGroupEdit;
    void PlaceGroup(TSBOutBarGroup* group, const TRect& r);
    void Animate(TSBOutBarGroup* newGroup, const TRect& oldArea, bool down);
    void SetHotGroup(int index);
    void DrawButton(QPainter& p, int index);
    void UpdateCursor(int x, int y);

    std::vector<TSBOutBarGroup*> m_groups;
    int m_activeIndex = -1;
    int m_loadedActive = -1;
    bool m_loading = false;
    bool m_suppressChanging = false;
    TBorderStyle m_borderStyle = bsSingle;
    bool m_flatGroups = true;
    bool m_hotTrack = false;
    int m_buttonSpace = 1;
    TColor m_hotColor = 0x800000;
    int m_frequency = 10;
    TColor m_buttonSpaceColor = clSilver;
    TColor m_color = clBtnFace;
    QTimer m_dragTimer;
    int m_dragGroup = -1;
    int m_hotGroup = -1;
    int m_pressedGroup = -1;
    bool m_buttonPressed = false;
    TSBOutBarGroupEdit* m_editor;
};

class TSBGroupBar : public TCustomSBGroupBar {
    Q_OBJECT
public:
    using TCustomSBGroupBar::TCustomSBGroupBar;
};
