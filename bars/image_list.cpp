#include "bars/image_list.h"

TImageList::TImageList(int width, int height, QObject* owner)
    : QObject(owner)
    , TCustomImageList(std::max(1, width), std::max(1, height))
{
}

int TImageList::Add(const QImage& image)
{
    const int index = TCustomImageList::Add(image);
    emit Change();
    return index;
}

int TImageList::AddMasked(const QImage& image, TColor maskColor)
{
    QImage withAlpha = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = ColorToQRgb(maskColor) & 0xFFFFFF;
    for (int y = 0; y < withAlpha.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(withAlpha.scanLine(y));
        for (int x = 0; x < withAlpha.width(); ++x)
            if ((row[x] & 0xFFFFFF) == mask)
                row[x] = 0;
    }
    return Add(withAlpha);
}

bool TImageList::Replace(int index, const QImage& image)
{
    if (index < 0 || index >= Count())
        return false;
    TCustomImageList::Replace(index, image.size() == QSize(m_width, m_height) ? image : image.scaled(m_width, m_height));
    emit Change();
    return true;
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_images.erase(m_images.begin() + index);
    emit Change();
}

void TImageList::Clear()
{
    if (m_images.empty())
        return;
    m_images.clear();
    emit Change();
}

QImage TImageList::ImageAt(int index) const
{
    return index >= 0 && index < Count() ? Image(index) : QImage();
}
