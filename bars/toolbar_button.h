#pragma once
// TToolbarButtonX: a flat, windowless push button for toolbars and docks, with a glyph and an
// optional caption; it may stay pressed as a member of an exclusive group, auto-repeat, or open a
// drop-down menu.
#include "bars/button_glyph.h"
#include "platform/action.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>

class QKeyEvent;
class QShortcut;
class QTimer;
class TToolbarButtonX;

// A button's link to its action. While a button value equals the action's (as the link last saw
// it), it follows the action's changes: caption, enabled, hint, visible, and checked (as Down),
// help context and image index; a value set on the button itself leaves that one unlinked.
class TToolbarButtonXActionLink {
public:
    explicit TToolbarButtonXActionLink(TToolbarButtonX* client) : m_client(client) {}
    ~TToolbarButtonXActionLink();
    TToolbarButtonXActionLink(const TToolbarButtonXActionLink&) = delete;
    TToolbarButtonXActionLink& operator=(const TToolbarButtonXActionLink&) = delete;

    TCustomAction* Action() const { return m_action; }
    void SetAction(TCustomAction* action);
    bool IsCaptionLinked() const;
    bool IsCheckedLinked() const;
    bool IsEnabledLinked() const;
    bool IsHelpContextLinked() const;
    bool IsHintLinked() const;
    bool IsImageIndexLinked() const;
    bool IsVisibleLinked() const;
    // Executes the action; false without one.
    bool Execute();

private:
    struct TActionValues {
        QString Caption, Hint;
        bool Checked = false, Enabled = true, Visible = true;
        int HelpContext = 0, ImageIndex = -1;
    };
    static TActionValues ValuesOf(const TCustomAction& action);
    void ActionChanged();

    TToolbarButtonX* m_client;
    QPointer<TCustomAction> m_action;
    TActionValues m_values;
    QMetaObject::Connection m_changed;
};

class TToolbarButtonX : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarButtonX(QWidget* parent = nullptr);
    ~TToolbarButtonX() override;

    // Properties.
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    // The action the button shows and executes when it has no OnClick of its own.
    TCustomAction* Action() const { return m_actionLink ? m_actionLink->Action() : nullptr; }
    void SetAction(TCustomAction* action);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool value);
    // Escape (Cancel) or Enter (Default) that no control of the form took clicks the button.
    bool Cancel = false;
    bool Default = false;
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TButtonDisplayMode mode);
    bool Down() const { return m_down; }
    void SetDown(bool value);
    bool DropdownAlways() const { return m_dropdownAlways; }
    void SetDropdownAlways(bool value);
    bool DropdownArrow() const { return m_dropdownArrow; }
    void SetDropdownArrow(bool value);
    int DropdownArrowWidth() const { return m_dropdownArrowWidth; }
    void SetDropdownArrowWidth(int value);
    bool DropdownCombo() const { return m_dropdownCombo; }
    void SetDropdownCombo(bool value);
    QMenu* DropdownMenu() const { return m_dropdownMenu; }
    void SetDropdownMenu(QMenu* menu);
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    const TBitmap& Glyph() const { return m_glyph.GlyphBitmap(); }
    void SetGlyph(const TBitmap& bitmap) { m_glyph.SetGlyph(bitmap); }
    const TBitmap& GlyphMask() const { return m_glyph.MaskBitmap(); }
    void SetGlyphMask(const TBitmap& bitmap) { m_glyph.SetGlyphMask(bitmap); }
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value);
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int value) { m_helpContext = value; }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    bool HighlightWhenDown() const { return m_highlightWhenDown; }
    void SetHighlightWhenDown(bool value);
    int ImageIndex() const { return m_glyph.ImageIndex(); }
    void SetImageIndex(int index) { m_glyph.SetImageIndex(index); }
    TCustomImageList* Images() const { return m_glyph.ImageList(); }
    // A TImageList freed meanwhile is forgotten, as a freed DropdownMenu is.
    void SetImages(TCustomImageList* list);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    // Given to the button's form on a click; a modal form closes with it (0 leaves it open).
    int ModalResult = 0;
    bool NoBorder() const { return m_noBorder; }
    void SetNoBorder(bool value);
    int NumGlyphs() const { return m_glyph.NumGlyphs(); }
    void SetNumGlyphs(int n) { m_glyph.SetNumGlyphs(std::clamp(n, 1, 5)); }
    bool OldDisabledStyle() const { return m_glyph.OldDisabledStyle(); }
    void SetOldDisabledStyle(bool value) { m_glyph.SetOldDisabledStyle(value); }
    bool Opaque() const { return m_opaque; }
    void SetOpaque(bool value);
    bool Repeating = false;
    int RepeatDelay = 400;
    int RepeatInterval = 100;
    bool ShowBorderWhenInactive = false;
    int Spacing() const { return m_spacing; }
    void SetSpacing(int spacing);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    QString Version() const;
    bool CallDormant = true;

    // Events.
    std::function<void(TToolbarButtonX*)> OnClick;
    std::function<void(TToolbarButtonX*)> OnDblClick;
    std::function<void(TToolbarButtonX*, bool& showMenu, bool& removeClicks)> OnDropdown;
    std::function<void(TToolbarButtonX*)> OnMouseEnter;
    std::function<void(TToolbarButtonX*)> OnMouseExit;

    // State.
    TButtonStateX State() const { return m_state; }
    bool MouseInControl() const { return m_mouseInControl; }
    bool PointInButton(int x, int y) const;
    void Click();
    void Redraw(bool erase);
    void MouseEntered();
    void MouseLeft();
    // Prepares the state image, and takes the action's values where the button still has its
    // defaults, as the form's loading does.
    void Loaded();
    // Takes the action's values; with checkDefaults only where the button has its defaults.
    void ActionChange(TCustomAction* sender, bool checkDefaults);
    // Gives an action the button's caption, enabled, hint, visible, checked (Down) and click.
    void AssignTo(TCustomAction* dest) const;
    // The character of the caption's accelerator ("&Open": O) clicks the button when no control
    // of the form took it, alone or with Alt.
    bool IsAccelerator(const QKeyEvent& key) const;
    TButtonGlyph& ButtonGlyph() { return m_glyph; }

    // Shared by all buttons.
    static TToolbarButtonX* ButtonMouseInControl();
    static bool ButtonsStayDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Watches the keys that reach the button's window unused, and whether a modal form blocks it.
    void WatchWindowKeys();
    bool TakesKeys() const;
    bool TakesDialogKey(const QKeyEvent& key) const;
    void UpdateAccelerator();
    // OnClick, or the action without one.
    void ClickHandler();
    void ClickAndSetModalResult();
    void UpdateExclusive();
    bool UsesDropdown() const { return m_dropdownAlways || m_dropdownMenu; }
    void RemoveButtonMouseTimer();
    // The cursor is on the button: it takes the hot look from the one that had it.
    void BecomeHot();
    // The press ends without a click; auto-repeat stops.
    void CancelMode();
    void RepeatTimerHandler();
    TFont ButtonFont() const;

    TButtonGlyph m_glyph;
    TAlignment m_alignment = taCenter;
    bool m_allowAllUp = false;
    QString m_caption;
    TColor m_color = clBtnFace;
    TButtonDisplayMode m_displayMode = dmBoth;
    bool m_down = false;
    bool m_dropdownAlways = false;
    bool m_dropdownArrow = true;
    int m_dropdownArrowWidth = 9;
    bool m_dropdownCombo = false;
    QPointer<QMenu> m_dropdownMenu;
    bool m_flat = true;
    int m_groupIndex = 0;
    bool m_highlightWhenDown = true;
    TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    bool m_noBorder = false;
    bool m_opaque = true;
    int m_spacing = 4;
    bool m_wordWrap = false;

    TButtonStateX m_state = bsUp;
    bool m_mouseInControl = false;
    bool m_mouseIsDown = false;
    bool m_menuIsDown = false;
    bool m_inClick = false;
    bool m_swallowPress = false;
    std::unique_ptr<QTimer> m_repeatTimer;
    int m_helpContext = 0;
    std::unique_ptr<TToolbarButtonXActionLink> m_actionLink;
    QPointer<QWidget> m_keyWindow;
    QShortcut* m_accelerator = nullptr;
    QMetaObject::Connection m_imagesGone;
    QMetaObject::Connection m_imagesChanged;
    std::shared_ptr<bool> m_alive;
};
