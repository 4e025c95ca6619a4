#pragma once
// Two light buttons of the side bar. The hot button shows a close cross, a pin or two glyphs of
// its own, with a 3-D frame only while the mouse is over it. The header button is a caption with
// an image, an optional drop-down arrow and menu; it toggles, and with TrackMouse it stays down
// until the user clicks elsewhere or leaves the program (told by the mouse manager).
#include "bars/button_glyph.h"
#include "bars/image_list.h"
#include "bars/sb_common.h"
#include "platform/bitmap.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <memory>

enum TButtonType { btStandard, btPin, btCustom };

class TSBCustomHotButton : public QWidget {
    Q_OBJECT
public:
    explicit TSBCustomHotButton(QWidget* parent = nullptr);
    ~TSBCustomHotButton() override;

    TButtonType ButtonType() const { return m_buttonType; }
    void SetButtonType(TButtonType value);
    const TBitmap& ButtonUpGlyph() const { return *m_upGlyph; }
    void SetButtonUpGlyph(const TBitmap& value);
    const TBitmap& ButtonDownGlyph() const { return *m_downGlyph; }
    void SetButtonDownGlyph(const TBitmap& value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TSBVersion Version() const { return SideBarVersion(); }

    bool Hot() const { return m_hot; }
    bool Pressed() const { return m_pressed; }
    bool Captured() const { return m_captured; }
    // The glyph the button shows now.
    const TBitmap* CurrentGlyph() const;

    TNotifyEvent OnButtonClick;
    // The owning header panel's own click notice.
    TNotifyEvent OnInternalClick;

    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    void MouseLeave();
    // Hover state from the pointer at (x, y) of the client area.
    void UpdateButton(int x, int y);

protected:
    virtual void DoButtonClick();
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    TButtonType m_buttonType = btStandard;
    std::unique_ptr<TBitmap> m_upGlyph, m_downGlyph, m_close, m_pinUp, m_pinDown;
    TColor m_color = clBtnFace;
    bool m_hot = false;
    bool m_pressed = false;
    bool m_captured = false;
};

class TSBHotButton : public TSBCustomHotButton {
    Q_OBJECT
public:
    using TSBCustomHotButton::TSBCustomHotButton;
};

// The 16 by 15 glyph bitmaps of the program's resources: "CLOSEBUTTON", "HOTBUTTONPINUP",
// "HOTBUTTONPINDOWN"; an empty bitmap for another name.
std::unique_ptr<TBitmap> LoadGlyphResource(const QString& name);

enum TArrowAlignment { aaCenter, aaBottom };
enum TImageAlignment { iaLeft, iaRight };
using TTrackMouseEvent = std::function<void(QObject* sender, bool& isClose)>;

class TSBCustomHeaderButton : public QWidget {
    Q_OBJECT
public:
    explicit TSBCustomHeaderButton(QWidget* parent = nullptr);
    ~TSBCustomHeaderButton() override;

    TArrowAlignment ArrowAlignment() const { return m_arrowAlignment; }
    void SetArrowAlignment(TArrowAlignment value);
    int ArrowFontSize() const { return m_arrowFontSize; }
    void SetArrowFontSize(int value);
    bool ArrowButtonDown() const { return m_arrowButtonDown; }
    void SetArrowButtonDown(bool value);
    bool ButtonDown() const { return m_buttonDown; }
    void SetButtonDown(bool value);
    bool ButtonInCaption() const { return m_buttonInCaption; }
    void SetButtonInCaption(bool value);
    bool SeparateArrow() const { return m_separateArrow; }
    void SetSeparateArrow(bool value);
    const TBitmap& Bitmap() const { return *m_bitmap; }
    void SetBitmap(const TBitmap& value);
    TImageList* ImageList() const { return m_imageList; }
    void SetImageList(TImageList* value);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int value);
    TImageAlignment ImageAlignment() const { return m_imageAlignment; }
    void SetImageAlignment(TImageAlignment value);
    QMenu* DropDownMenu() const { return m_dropDownMenu; }
    void SetDropDownMenu(QMenu* value) { m_dropDownMenu = value; }
    bool TrackMouse() const { return m_trackMouse; }
    void SetTrackMouse(bool value);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TColor SelectionColor() const { return m_selectionColor; }
    void SetSelectionColor(TColor value);
    // Image and arrow one pixel inside at top and bottom (inside an out header).
    void SetVerticalInset(bool value);
    TSBVersion Version() const { return SideBarVersion(); }

    // The width the button needs.
    int GetCalcWidth() const;
    bool IsOnArrowButton(int x, int y) const;
    TRect ButtonRect() const;
    TRect ArrowRect() const;
    bool MenuShowing() const { return m_menuShowing; }
    bool MouseOver() const { return m_mouseOver; }
    void UpdateButton();

    TNotifyEvent OnButtonClick;
    TTrackMouseEvent OnTrackMouse;
    // The out header re-lays out its buttons on this.
    TNotifyEvent OnInternalChange;
    // Runs a drop-down menu at a screen point; tests replace it.
    static std::function<void(QMenu* menu, const QPoint& at)> PopupMenu;

    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseMove(int x, int y);
    void MouseLeave();
    void Loaded();
    void DoButtonClick();

protected:
    bool event(QEvent*) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void changeEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // Lays the button out (and draws it when canvas paints).
    void PaintButton(TCanvas& canvas, bool draw);
    void Layout() const;
    void Changed();
    void Register(bool down);
    bool CloseOnMessage(bool mouseDown);
    QSize ImageSize() const;
    bool Opaque() const;

    TArrowAlignment m_arrowAlignment = aaCenter;
    int m_arrowFontSize = 6;
    bool m_arrowButtonDown = false;
    bool m_buttonDown = false;
    bool m_buttonInCaption = false;
    bool m_separateArrow = false;
    std::unique_ptr<TBitmap> m_bitmap;
    QPointer<TImageList> m_imageList;
    int m_imageIndex = -1;
    TImageAlignment m_imageAlignment = iaRight;
    QPointer<QMenu> m_dropDownMenu;
    bool m_trackMouse = false;
    QString m_caption;
    TColor m_color = clBtnFace;
    TColor m_selectionColor = clBtnShadow;
    bool m_verticalInset = false;
    bool m_menuShowing = false;
    bool m_mouseOver = false;
    mutable TRect m_buttonRect;
    mutable TRect m_arrowRect;
};

class TSBHeaderButton : public TSBCustomHeaderButton {
    Q_OBJECT
public:
    using TSBCustomHeaderButton::TSBCustomHeaderButton;
};
