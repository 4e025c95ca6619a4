#pragma once
// TImageList: the image list controls are given (LargeImages, SmallImages, ImageList). It tells
// its users when its images change (the framework's change link); they notice its destruction
// through QPointer.
#include "bars/button_glyph.h"

#include <QObject>

class TImageList : public QObject, public TCustomImageList {
    Q_OBJECT
public:
    explicit TImageList(int width = 16, int height = 16, QObject* owner = nullptr);

    // Scaled to the list's size when it differs; its alpha is its mask. The new index.
    int Add(const QImage& image);
    // The pixels of maskColor stay undrawn.
    int AddMasked(const QImage& image, TColor maskColor);
    bool Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();
    // A null image for an index out of range.
    QImage ImageAt(int index) const;

signals:
    void Change();
};
