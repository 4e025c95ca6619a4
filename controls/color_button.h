#pragma once
// Unit ColorBtn: a push button showing a colour swatch and a drop-down arrow; a click drops
// down the colour palette.
#include "controls/color_palette.h"

#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <functional>

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

class TscColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit TscColorButton(QWidget* owner = nullptr);
    ~TscColorButton() override;

    static QString DefaultOtherBtnCaption() { return QStringLiteral("&Other"); }
    QString Version() const { return QStringLiteral("TscColorButton v2.61"); }

    TColor Color() const { return m_color; }
    // A different colour is stored, its palette cell found, and OnColorChange fired.
    void SetColor(TColor color);
    // 0 = not in the palette, else the 1-based cell of the first exact match.
    int PaletteColorIndex() const { return m_paletteIndex; }
    void SetPaletteColorIndex(int index);

    TColorArrayClass PaletteColors{4, 5};
    TColorArrayClass CustomColors{8, 2};
    void SetPaletteColors(const TColorArrayClass& colors);
    void SetCustomColors(const TColorArrayClass& colors);

    bool ShowColorHints = true;
    QString OtherBtnCaption = DefaultOtherBtnCaption();
    TColor OtherColor = clBtnFace;
    bool CycleColors = false;
    QString CustomColorsKey;
    std::function<void(QObject* sender)> OnColorChange;
    TSCColorButtonPalette::ColorHintTextEvent OnGetColorHintText;

    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    TButtonStyle Style() const { return m_style; }
    void SetStyle(TButtonStyle value);
    void SetArrowBmp(const QImage& bmp);
    void SetDisabledArrowBmp(const QImage& bmp);

    // The open palette, or nullptr.
    TSCColorButtonPalette* Palette() const { return m_palette; }
    bool PaletteShown() const { return m_paletteShown; }
    bool IgnoreNextClick() const { return m_ignoreNextClick; }
    // The swatch rectangle, in button coordinates.
    QRect SwatchRect() const;

    virtual void SetDefaultColors();
    // Parent's name + "." + the button's name; the name alone without a parent.
    virtual QString GetSectionName() const;
    virtual void SaveCustomColors();
    virtual void LoadCustomColors();
    virtual void DoColorChange();

    // The palette's colour and close events.
    void PaletteSetColor(QObject* sender, bool isOther, TColor color);
    void PaletteClose(QObject* sender);
    void ButtonClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TColor m_color = clBlack;
    int m_paletteIndex = 0;
    bool m_flat = false;
    TButtonStyle m_style = bsAutoDetect;
    QPointer<TSCColorButtonPalette> m_palette;
    bool m_paletteShown = false;
    bool m_ignoreNextClick = false;
    bool m_customLoaded = false;
    QImage m_arrow, m_disabledArrow;
};
