#pragma once
// CLabel: the text object of a label document. One text in one font, horizontal (several lines
// at CR LF) or rotated by whole degrees; the object always takes the size of its text.
#include "document/design_object.h"

#include <QString>
#include <cstdint>

class CLabel : public CDesignObject {
    Q_OBJECT
public:
    explicit CLabel(QWidget* owner = nullptr);
    ~CLabel() override;

    // ---- fields (published: Angle, FontSize, Font, Text) ----
    QString Text;           // CR LF between the lines of an unrotated label
    // The font to use. Normally the drawing font (Canvas.Font); a loader may point it at another
    // font, whose attributes SetSize then copies into the drawing font.
    TFont* Font = nullptr;
    int32_t FontSize = 10;  // points at zoom factor 1
    int32_t Angle = 0;      // counter-clockwise degrees; only 1..359 draw rotated

    // Drawing font size from FontSize and Zoom, then Width and Height from the text's extent.
    void AdjustSizeToText();
    bool Rotated() const { return Angle >= 1 && Angle <= 359; }

    void Paint() override;
    // The arguments are ignored: a label takes the size of its text.
    void SetSize(int width, int height) override;
    // Runs the label property dialog through the main window link; without a dialog linked
    // nothing changes.
    void EditProperties() override;
    void DrawTo(TCanvas& canvas, QPoint position, float scale) override;
    void DrawHandles() override;
    // The common items without Max Size: a label cannot be stretched to the paper.
    void FillPopupMenu(TObjectMenu& menu) override;
    void MouseMove(TShiftState shift, int x, int y) override;

    // What OK in the property dialog applies: the memo text, the angle, the sample font and the
    // Bold and Italic buttons. Ends with the label selected alone and the document modified.
    void ApplyProperties(const QString& memoText, int angle, const TFont& sampleFont, bool bold,
                         bool italic);

    // Flags of every text call of a label: the text as typed, "&" included.
    static constexpr unsigned TextFlags = DT_LEFT | DT_TOP | DT_NOPREFIX;

private:
    // Cosine and sine of Angle, the angle held in single precision first.
    void AngleCosSin(double& c, double& s) const;
    int ZoomedFontSize() const;
};
