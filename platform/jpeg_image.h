#pragma once
// TJPEGImage: JPEG pictures through libjpeg (decoder and encoder).
#include "platform/bitmap.h"

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

// Raised for JPEG data libjpeg refuses; the text is "JPEG error #<code>" or libjpeg's message.
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Holds the compressed data as read (written back unchanged by SaveToStream) and the decoded
// picture. Loading decodes at once, so damaged data is refused when it is loaded; a truncated
// stream is an error too, not a half-grey picture. Assigning a bitmap compresses it with
// CompressionQuality.
class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    TJPEGImage(const TJPEGImage& other);
    ~TJPEGImage() override;

    QString ClassName() const override { return QStringLiteral("TJPEGImage"); }
    std::unique_ptr<TGraphic> Clone() const override;
    // From a TJPEGImage (copy) or any other graphic (drawn, then compressed).
    void Assign(const TGraphic& src) override;

    void LoadFromStream(QIODevice& stream) override;
    void LoadFromData(const QByteArray& data);
    void SaveToStream(QIODevice& stream) const override;
    const QByteArray& Data() const { return m_data; }

    int Width() const override { return m_img.width(); }
    int Height() const override { return m_img.height(); }
    bool Empty() const override { return m_data.isEmpty(); }
    void Draw(TCanvas* canvas, const TRect& r) const override;
    QImage ToImage() const override;

    // Decoding scale; changing it decodes the held data again.
    TJPEGScale Scale() const { return m_scale; }
    void SetScale(TJPEGScale scale);
    bool Grayscale() const { return m_grayscale; }
    void SetGrayscale(bool value);
    TJPEGPerformance Performance = jpBestQuality;
    TJPEGPixelFormat PixelFormat = jf24Bit;
    int CompressionQuality = 90; // 1..100
    bool ProgressiveEncoding = false;

    // Compresses bitmap (any pixel format) into this image.
    void Compress(const TBitmap& bitmap);
    // The decoded picture as a 24-bit bitmap.
    std::unique_ptr<TBitmap> ToBitmap() const;

    // Decodes without touching any object; raises EJPEG on damaged data. Colour pictures come
    // out as Format_RGB32, grey ones (or any with grayscale) as Format_Grayscale8.
    static QImage Decode(const QByteArray& data, TJPEGScale scale = jsFullSize, bool grayscale = false);
    // Width and height from the header alone; raises EJPEG on damaged data.
    static QSize ReadSize(const QByteArray& data);
    static QByteArray Encode(const QImage& image, int quality, bool progressive = false, bool grayscale = false);

private:
    QByteArray m_data;
    QImage m_img; // Format_RGB32, or Format_Grayscale8 for a grey picture
    TJPEGScale m_scale = jsFullSize;
    bool m_grayscale = false;
};
