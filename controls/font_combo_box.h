#pragma once
// Unit scComboBox: a combo box that can draw itself flat, and a font-name combo box that lists
// the installed font families and refills a linked size box with the chosen font's sizes.
#include "platform/graphics.h"

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// Font types as the font enumeration reports them.
constexpr uint32_t RASTER_FONTTYPE = 1;
constexpr uint32_t DEVICE_FONTTYPE = 2;
constexpr uint32_t TRUETYPE_FONTTYPE = 4;

class TscComboBox : public QComboBox {
    Q_OBJECT
public:
    // Editable (drop-down style) unless a derived class says otherwise.
    explicit TscComboBox(QWidget* owner = nullptr);
    ~TscComboBox() override;

    bool Flat() const { return m_flat; }
    void SetFlat(bool value);

    // The edit text, or the selected item's text for a list-only box.
    QString Text() const;
    // Sets the text without selecting an item; a list-only box selects the item with exactly
    // that text, or none.
    void SetText(const QString& text);

    // Fires when the user edits the text or picks an item (not when the program sets them).
    std::function<void(QObject* sender)> OnChange;

protected:
    virtual void Change();
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool Hot() const { return m_hot; }

private:
    void setHot(bool hot);
    bool m_flat = false;
    bool m_hot = false;
};

// What the font list keeps with each family.
struct TFontRecord {
    QString FaceName;
    TFontCharset Charset = ANSI_CHARSET;
    uint32_t FontType = TRUETYPE_FONTTYPE;
    // Sizes in points a font that is not TrueType offers, in the order reported.
    std::vector<int> PointSizes;
};

// One enumeration of the installed families, as the printer (when there is one) or the
// screen reports them.
struct TFontEnumeration {
    bool HasPrinter = false;
    std::vector<TFontRecord> Families;
};
using TFontEnumerator = std::function<TFontEnumeration()>;
// Tests supply their own families here; nullptr restores the fontconfig enumeration.
void SetFontEnumerator(TFontEnumerator enumerator);
// A face name as the font lists show it: "Nimbus Sans [URW]" for Qt's "Nimbus Sans [URW ]".
QString TidyFaceName(const QString& family);
// The installed families from fontconfig. Scalable faces count as TrueType. Windows family
// names that documents use are listed under their own name when the metric-compatible face
// that stands in for them is installed.
TFontEnumeration EnumerateInstalledFonts();

class TscFontComboBox : public TscComboBox {
    Q_OBJECT
public:
    explicit TscFontComboBox(QWidget* owner = nullptr);
    ~TscFontComboBox() override;

    // The sizes a TrueType font offers.
    static const QStringList& TrueTypeSizes();

    // Text of the selected item; "" with none.
    QString GetFontName() const;
    // Selects the item with exactly this name and runs Change; an unknown name empties the
    // text and leaves the size box alone.
    void SetFontName(const QString& name);

    bool ShowSample() const { return m_showSample; }
    void SetShowSample(bool value);
    TscComboBox* FontSize() const { return m_sizeBox; }
    void SetSizeComboBox(TscComboBox* box);

    // The record kept with item index (nullptr when out of range).
    const TFontRecord* ItemRecord(int index) const;
    const TFontRecord* SelectedRecord() const { return ItemRecord(currentIndex()); }

protected:
    void Change() override;

private:
    void fillList();
    void refillSizes();
    std::vector<TFontRecord> m_records; // in item order
    QPointer<TscComboBox> m_sizeBox;
    bool m_showSample = true;
    int m_defaultFontSize = 0;
};
