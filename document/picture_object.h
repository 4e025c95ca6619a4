#pragma once
// CImage: the picture object of a label document, one picture stretched into the object. In
// ratio mode (StretchInRatio with a picture) sizes keep the picture's aspect ratio and only the
// corners resize.
#include "document/design_object.h"

#include <memory>

class QAction;
class TPicture;

// The boxes of o at the screen's resolution and o's zoom. A box the user typed shows that value
// again while it still gives the object's pixels, as several tenths of a millimetre round to
// one pixel.
TObjectBoxes ObjectBoxesOf(const CDesignObject& o);
// Applies each typed box whose value differs from the shown one, so a value that only went
// through the rounding to tenths of a millimetre never moves the object; o keeps what was typed.
void ApplyObjectBoxes(CDesignObject& o, const TObjectBoxes& shown, const TObjectBoxes& typed);

// The picture's size and its scale on the page, remembered before the picture is replaced.
struct TPictureScale {
    int Width = 0, Height = 0;     // 0 x 0 without a picture
    float ScaleX = 0, ScaleY = 0;  // object pixels per picture pixel
};

class CImage : public CDesignObject {
    Q_OBJECT
public:
    explicit CImage(QWidget* owner = nullptr);
    ~CImage() override;

    // ---- fields ----
    std::unique_ptr<TPicture> Image; // never null; empty without a picture
    bool HasPicture = false;
    bool StretchInRatio = false;

    // A copy of value becomes the picture (nullptr empties it).
    void SetImage(const TPicture* value);
    void SetStretchInRatio(bool value) { StretchInRatio = value; }
    bool RatioMode() const { return StretchInRatio && HasPicture; }

    // (w, h) fitted to the picture's ratio by shortening the side that is too long.
    void FitToRatio(int& w, int& h) const;

    void Paint() override;
    void SetSize(int width, int height) override;
    // Runs the picture property dialog through the main window's link.
    void EditProperties() override;
    void DrawTo(TCanvas& canvas, QPoint position, float scale) override;
    void LoadCaptions() override;
    // The common items, then "&Edit Image" and "&Original Size".
    void FillPopupMenu(TObjectMenu& menu) override;
    void DrawHandles() override;
    void MouseMove(TShiftState shift, int x, int y) override;
    // A picture without transparency, copied as it is, hides what lies below.
    bool PaintsOpaque() const override;

    // "&Edit Image": the picture editor, or the property dialog when there is no picture.
    void EditImage();
    // The picture at 180 pixels per inch on the page; 100 x 60 without a picture.
    void OriginalSize();
    void EditItemClick();
    void SizeItemClick();

    TPictureScale PictureScale() const;
    // After the picture was replaced: a new size keeps the old scale on the page (the picture's
    // own size on paper when there was no picture before).
    void KeepPictureScale(const TPictureScale& before);

private:
    void UpdateHasPicture();
    // Ratio-mode resizing by a corner handle (zones 6 to 9).
    void DragCorner(int x, int y);
};
