#pragma once
// The side-bar containers: the out header (a gradient or plain header bar with a left and a
// right header button that can drop an attached header panel below itself), the header panel
// (a caption strip with a header button and a pin/close button), the bordered panel (borders on
// chosen sides only) and the splitter panel (two child panels with a draggable splitter bar).
#include "bars/sb_buttons.h"

#include <QFrame>
#include <QPointer>

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// The framework's panel: bevels, border width, colour and a centred caption.
class TCustomPanel : public QFrame {
    Q_OBJECT
public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    explicit TCustomPanel(QWidget* parent = nullptr);

    TPanelBevel BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value);
    TColor Color() const { return m_color; }
    virtual void SetColor(TColor value);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    virtual QString Caption() const { return m_caption; }
    virtual void SetCaption(const QString& value);
    TAlign Align() const { return m_align; }
    virtual void SetAlign(TAlign value);
    // The area left for child controls.
    virtual TRect ClientRect() const;

protected:
    virtual void Realign() {}
    void RealignAndRepaint();
    void resizeEvent(QResizeEvent*) override;
    TPanelBevel m_bevelInner = bvNone;
    TPanelBevel m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    TColor m_color = clBtnFace;
    TAlignment m_alignment = taCenter;
    QString m_caption;
    TAlign m_align = alNone;
};

class TSBCustomHeaderPanel;

using TDropHeaderPanelEvent = std::function<void(QObject* sender, QPoint& headerPanelPosition)>;

class TSBCustomOutHeader : public QWidget {
    Q_OBJECT
public:
    explicit TSBCustomOutHeader(QWidget* parent = nullptr);
    ~TSBCustomOutHeader() override;

    TBackgroundPanelMode BackgroundMode() const { return m_backgroundMode; }
    void SetBackgroundMode(TBackgroundPanelMode value);
    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor value);
    TBorderSides BorderSides() const { return m_borderSides; }
    void SetBorderSides(TBorderSides value);
    int BorderSideSize() const { return m_borderSideSize; }
    void SetBorderSideSize(int value);
    TColor GradientBeginColor() const { return m_gradientBegin; }
    void SetGradientBeginColor(TColor value);
    TColor GradientEndColor() const { return m_gradientEnd; }
    void SetGradientEndColor(TColor value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);

    TSBHeaderButton* LeftButton() const { return m_left; }
    TSBHeaderButton* RightButton() const { return m_right; }
    TSBHeaderButton* ImageButton() const { return m_imageAlignment == iaRight ? m_right : m_left; }
    TImageAlignment ImageAlignment() const { return m_imageAlignment; }
    void SetImageAlignment(TImageAlignment value);

    bool ButtonDown() const { return m_left->ButtonDown(); }
    void SetButtonDown(bool value) { m_left->SetButtonDown(value); }
    bool ButtonInCaption() const { return m_left->ButtonInCaption(); }
    void SetButtonInCaption(bool value) { m_left->SetButtonInCaption(value); }
    bool TrackMouse() const { return m_left->TrackMouse(); }
    void SetTrackMouse(bool value) { m_left->SetTrackMouse(value); }
    QString Caption() const { return m_left->Caption(); }
    void SetCaption(const QString& value) { m_left->SetCaption(value); }
    QString RightCaption() const { return m_right->Caption(); }
    void SetRightCaption(const QString& value) { m_right->SetCaption(value); }
    QFont RightCaptionFont() const { return m_right->font(); }
    void SetRightCaptionFont(const QFont& value);
    bool ParentRightFont() const { return m_parentRightFont; }
    void SetParentRightFont(bool value);
    void SetBitmap(const TBitmap& value) { ImageButton()->SetBitmap(value); }
    void SetImageIndex(int value) { ImageButton()->SetImageIndex(value); }
    void SetImageList(TImageList* value) { ImageButton()->SetImageList(value); }

    TSBCustomHeaderPanel* HeaderPanel() const { return m_headerPanel; }
    void SetHeaderPanel(TSBCustomHeaderPanel* panel);
    // Makes the panel a drop-down of the header (true) or puts it back (false).
    void UpdateStateByHeaderPanel(bool dropDown);
    bool PanelDropped() const { return m_dropped; }
    void UpdateHeaderPanel();
    // The inner rectangle (client less the border sides).
    TRect InnerRect() const;
    void RePositionButtons();

    TNotifyEvent OnButtonClick;
    TDropHeaderPanelEvent OnDropHeaderPanel;
    TTrackMouseEvent OnTrackMouse;

    void BeginLoading() { m_loading = true; }
    void Loaded();

protected:
    virtual void DrawBackground(TCanvas& canvas);
    void DrawHeader(TCanvas& canvas);
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    bool event(QEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TSBCustomHeaderPanel;
    void DoLeftButtonClick();
    void DoTrackMouse(bool& isClose);
    void HeaderPanelButtonClick();
    void PanelVisibilityChanged(bool visible);
    void WatchParent();

    TBackgroundPanelMode m_backgroundMode = bkmNone;
    TColor m_borderColor = clBtnFace;
    TBorderSides m_borderSides = AllBorderSides;
    int m_borderSideSize = 0;
    TColor m_gradientBegin = clBlue;
    TColor m_gradientEnd = clBlack;
    TColor m_color = clBtnShadow;
    TSBHeaderButton* m_left;
    TSBHeaderButton* m_right;
    TImageAlignment m_imageAlignment = iaRight;
    bool m_parentRightFont = false;
    QPointer<TSBCustomHeaderPanel> m_headerPanel;
    QPointer<TSBCustomHeaderPanel> m_loadedPanel;
    bool m_loading = false;
    bool m_positioning = false;
    bool m_updatingPanel = false;
    QPointer<QWidget> m_watchedParent;
    // What the panel had before it became a drop-down.
    bool m_dropped = false;
    QRect m_savedBounds;
    QPointer<QWidget> m_savedParent;
    TPanelBevel m_savedInner = bvNone, m_savedOuter = bvNone;
    int m_savedBorderWidth = 0;
    TButtonType m_savedButtonType = btStandard;
    TCustomPanel::TAlign m_savedAlign = TCustomPanel::alNone;
};

class TSBOutHeader : public TSBCustomOutHeader {
    Q_OBJECT
public:
    using TSBCustomOutHeader::TSBCustomOutHeader;
};

class TSBCustomHeaderPanel : public TCustomPanel {
    Q_OBJECT
public:
    explicit TSBCustomHeaderPanel(QWidget* parent = nullptr);
    ~TSBCustomHeaderPanel() override;

    QString Caption() const override { return m_caption; }
    void SetCaption(const QString& value) override;
    QString PinCaption() const { return m_pinCaption; }
    void SetPinCaption(const QString& value);
    int HeaderHeight() const { return m_headerHeight; }
    void SetHeaderHeight(int value);
    bool HeaderVisible() const { return m_headerVisible; }
    void SetHeaderVisible(bool value);
    TButtonType ButtonType() const { return m_pin->ButtonType(); }
    void SetButtonType(TButtonType value);
    void SetColor(TColor value) override;

    TSBHeaderButton* HeaderButton() const { return m_header; }
    TSBHotButton* PinButton() const { return m_pin; }
    // The header strip's height and rectangle.
    int InternalHeaderHeight() const;
    TRect HeaderRect() const;
    TRect ClientRect() const override;
    void LayoutHeader();

    TNotifyEvent& OnLeftButtonClick() { return m_header->OnButtonClick; }
    TNotifyEvent& OnRightButtonClick() { return m_pin->OnButtonClick; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    friend class TSBCustomOutHeader;
    void ShowCaption();
    TSBHeaderButton* m_header;
    TSBHotButton* m_pin;
    QString m_pinCaption;
    int m_headerHeight = 0;
    bool m_headerVisible = true;
    QPointer<TSBCustomOutHeader> m_outHeader;
    bool m_reportVisibility = false;
};

class TSBHeaderPanel : public TSBCustomHeaderPanel {
    Q_OBJECT
public:
    using TSBCustomHeaderPanel::TSBCustomHeaderPanel;
};

class TSBCustomBorderedPanel : public TCustomPanel {
    Q_OBJECT
public:
    explicit TSBCustomBorderedPanel(QWidget* parent = nullptr);
    TBorderSides BorderSides() const { return m_borderSides; }
    void SetBorderSides(TBorderSides value);
    TRect ClientRect() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TBorderSides m_borderSides = AllBorderSides;
};

class TSBBorderedPanel : public TSBCustomBorderedPanel {
    Q_OBJECT
public:
    using TSBCustomBorderedPanel::TSBCustomBorderedPanel;
};

enum TAlignmentType { atHorizontal, atVertical };

class TCustomSBSplitterPanel : public TSBCustomBorderedPanel {
    Q_OBJECT
public:
    explicit TCustomSBSplitterPanel(QWidget* parent = nullptr);

    TAlignmentType AlignmentType() const { return m_alignmentType; }
    void SetAlignmentType(TAlignmentType value);
    int MinSize() const { return m_minSize; }
    void SetMinSize(int value);
    int SplitterSize() const { return m_splitterSize; }
    void SetSplitterSize(int value);
    void SetAlign(TAlign value) override;
    bool SmoothVisible() const { return m_smoothVisible; }
    void SetSmoothVisible(bool value) { m_smoothVisible = value; }
    int SmoothStepCount() const { return m_smoothStepCount; }
    void SetSmoothStepCount(int value) { m_smoothStepCount = std::max(1, value); }
    unsigned SmoothStepDelay() const { return m_smoothStepDelay; }
    void SetSmoothStepDelay(unsigned value) { m_smoothStepDelay = value; }
    // Before a child panel hides (false) and after it has shown (true).
    std::function<void(QObject* sender, bool newVisibleValue)> OnSmoothVisible;
    // A child panel of a splitter panel hides and shows in steps when its parent's
    // SmoothVisible is set, and ends at the size it had.
    void setVisible(bool visible) override;

    // Splits the panel in two: the first child gets the requested side and half the room.
    // Returns the second panel.
    TCustomSBSplitterPanel* Split(TAlign align);
    TCustomSBSplitterPanel* SplitHorz() { return Split(alTop); }
    TCustomSBSplitterPanel* SplitVert() { return Split(alLeft); }
    int GetPanelCount() const;
    TCustomSBSplitterPanel* GetPanel(int index) const;
    void GetControls(TCustomSBSplitterPanel*& first, TCustomSBSplitterPanel*& second) const;
    TRect GetSplitterRect() const;
    bool IsVerticalSplitter() const;
    bool Empty() const { return m_empty; }
    bool IsSplitChild() const { return m_splitChild; }
    // Lays the child panels out in the client rectangle.
    void AlignControls();

    // Splitter dragging (client coordinates).
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    bool SplitterDragging() const { return m_dragging; }
    int DragLine() const { return m_dragLine; }

protected:
    void Realign() override { AlignControls(); }
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    TAlignmentType m_alignmentType = atHorizontal;
    int m_minSize = 30;
    int m_splitterSize = 3;
    bool m_empty = true;
    bool m_splitChild = false;
    bool m_splitterOn = false;
    bool m_dragging = false;
    int m_dragLine = 0;
    int m_dragOffset = 0;
    bool m_smoothVisible = false;
    int m_smoothStepCount = 10;
    unsigned m_smoothStepDelay = 0;
    bool m_stepping = false;
    void StepSize(const QSize& from, const QSize& to);
};

class TSBSplitterPanel : public TCustomSBSplitterPanel {
    Q_OBJECT
public:
    using TCustomSBSplitterPanel::TCustomSBSplitterPanel;
};
