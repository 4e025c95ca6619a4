#pragma once
// Unit ColorPalForm: the two-dimensional colour array of the colour button, and the palette
// that drops down below the button: a 4 x 5 grid, an "other" square and the Other button,
// which opens the colour dialog with 16 custom colours.
#include "platform/graphics.h"
#include "platform/message_box.h"

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QPushButton;

class EColorArrayIndexError : public EKorvaneError {
public:
    EColorArrayIndexError() : EKorvaneError("Array index out of bounds") {}
};

// Colours addressed [X, Y], both 1-based; stored row by row (Y outer).
class TColorArrayClass {
public:
    TColorArrayClass(int xSize = 0, int ySize = 0);

    int XSize() const { return m_x; }
    int YSize() const { return m_y; }
    // A new size reallocates; the colours are not kept (they read as black).
    void SetXSize(int value);
    void SetYSize(int value);
    int Count() const { return m_x * m_y; }

    // Raise EColorArrayIndexError outside 1..XSize, 1..YSize or 1..Count.
    TColor Color(int x, int y) const;
    void SetColor(int x, int y, TColor color);
    TColor SingleColor(int i) const;
    void SetSingleColor(int i, TColor color);

    void Assign(const TColorArrayClass& other) { *this = other; }
    bool IsEqualTo(const TColorArrayClass* other) const;

private:
    int index(int x, int y) const;
    int m_x = 0, m_y = 0;
    std::vector<TColor> m_colors;
};

// The palette's 20 colours (4 columns of 5).
void SetDefaultPaletteColors(TColorArrayClass& colors);

// The colour dialog's custom colours as lines "ColorA=00FFFFFF" .. "ColorP=...", letter A..P
// for (column 1..8, row 1..2), row 1 first.
QStringList CustomColorLines(const TColorArrayClass& custom);
// Reads such lines back into custom (8 x 2); lines naming no letter A..P are skipped, values
// that are no hexadecimal number become white.
void ReadCustomColorLines(const QStringList& lines, TColorArrayClass& custom);

// Runs the colour dialog: color in/out, custom colour lines in/out; true when accepted.
// Tests answer here; nullptr restores the real dialog.
using ColorDialogHandler = std::function<bool(QWidget* owner, TColor& color, QStringList& customLines)>;
void SetColorDialogHandler(ColorDialogHandler handler);

class TSCColorButtonPalette : public QWidget {
    Q_OBJECT
public:
    // Client area and grid geometry.
    static constexpr int CellSize = 18;
    static constexpr int ClientWidth = 72;
    static constexpr int OtherTop = 98;
    static constexpr int OtherHeight = 21;
    static constexpr int ClientHeight = OtherTop + OtherHeight + 2;
    // The raised frame round the client area.
    static constexpr int Border = 3;

    using SetColorEvent = std::function<void(QObject* sender, bool isOther, TColor color)>;
    using PaletteCloseEvent = std::function<void(QObject* sender)>;
    using ColorHintTextEvent =
        std::function<void(QObject* sender, TColor color, int x, int y, QString& hint)>;

    // owner: the button (the palette is a tool window of the button's window).
    explicit TSCColorButtonPalette(QWidget* owner);
    ~TSCColorButtonPalette() override;

    QPushButton* btnOther;

    TColorArrayClass PaletteColors{4, 5};
    TColorArrayClass CustomColors{8, 2};
    TColor OtherColor = clBtnFace;

    SetColorEvent OnSetColor;
    PaletteCloseEvent OnPaletteClose;
    ColorHintTextEvent OnGetColorHintText;

    TColor StartColor() const { return m_startColor; }
    // Frames the first grid square of that colour, or makes it the other colour.
    void SetStartColor(TColor color);
    bool ShowColorHints() const { return m_showHints; }
    void SetShowColorHints(bool value);
    void SetPaletteColors(const TColorArrayClass& colors) { PaletteColors.Assign(colors); }
    void SetCustomColors(const TColorArrayClass& colors) { CustomColors.Assign(colors); }

    // The framed square: column 1..4 and row 1..5, (any, 0) for the other square, (-1, -1) for none.
    QPoint CurrentSquare() const { return m_current; }
    static bool ValidSquare(QPoint square);
    // The drawn 18 x 18 area of a square, in widget coordinates.
    QRect SquareRect(QPoint square) const;
    // The square under a widget point; (-1, -1) when none.
    QPoint SquareAt(QPoint pos) const;
    TColor SquareColor(QPoint square) const;
    bool ClosedByKey() const { return m_closedByKey; }
    bool InOtherDialog() const { return m_inOtherDialog; }

    virtual void BuildHintText(TColor color, int x, int y, QString& text);
    virtual void GetColorHintText(TColor color, int x, int y, QString& text);

    // Where a palette of size opens for a button at buttonRect (screen coordinates) within
    // the work area of the button's screen.
    static QPoint PalettePosition(const QRect& buttonRect, const QRect& workArea, const QSize& size);

    void btnOtherClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void selectSquare(QPoint square);
    void pick(QPoint square);
    void drawSquare(QPainter& p, QPoint square, bool selected);

    QPoint m_current{-1, -1};
    TColor m_startColor = clBlack;
    bool m_showHints = true;
    bool m_closedByKey = false;
    bool m_inOtherDialog = false;
    bool m_closing = false;
};
