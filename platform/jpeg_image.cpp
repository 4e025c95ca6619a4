#include "platform/jpeg_image.h"

#include <QIODevice>
#include <QPainter>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include "platform/large_memory.h"

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int code;
    char text[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = err->pub.msg_code;
    (*cinfo->err->format_message)(cinfo, err->text);
    longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    // Running out of data is a damaged file, not a picture with a grey bottom.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        OnError(cinfo);
}

void OnOutput(j_common_ptr) {}

void InitErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.pub.output_message = OnOutput;
    err.code = 0;
    err.text[0] = 0;
}

struct DecodeResult {
    QImage* target = nullptr;
    bool tooLarge = false;
    bool noMemory = false;
    bool overBudget = false;
};

// The picture libjpeg decodes into: 32-bit colour, or one byte a pixel for grey.
// Kept out of DecodeInto so that no object with a destructor lives in its frame.
bool PrepareTarget(DecodeResult& out, int width, int height, bool grey) noexcept
{
    try {
        ChargePictureMemory(width, height, grey ? 8 : 32);
    } catch (const EInvalidGraphic&) {
        out.overBudget = true;
        return false;
    }
    *out.target = NewLargeImage(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    out.noMemory = out.target->isNull();
    return !out.noMemory;
}

// Adobe files store CMYK inverted; converts one decoded row in place into 32-bit colour.
void CmykRowToRgb32(uint8_t* row, int width)
{
    auto* d = reinterpret_cast<QRgb*>(row);
    for (int x = 0; x < width; ++x) {
        const uint8_t* px = row + 4 * x;
        const int k = px[3];
        d[x] = qRgb(px[0] * k / 255, px[1] * k / 255, px[2] * k / 255);
    }
}

// Only plain data lives in this frame, so leaving it through longjmp skips no destructor.
bool DecodeInto(const uint8_t* data, size_t size, int denom, bool gray, DecodeResult& out, ErrorManager& err)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (int64_t(cinfo.image_width) * cinfo.image_height > GraphicPixelLimit()) {
        out.tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(denom);
    bool cmyk = false, grey = false;
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        cmyk = true;
    } else if (gray || cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        grey = true;
    } else {
        // Straight into the layout of a 32-bit QImage, alpha byte 255.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo.out_color_space = JCS_EXT_BGRA;
#else
        cinfo.out_color_space = JCS_EXT_ARGB;
#endif
    }
    jpeg_start_decompress(&cinfo);
    if (!PrepareTarget(out, int(cinfo.output_width), int(cinfo.output_height), grey)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const int width = int(cinfo.output_width);
    const qsizetype stride = out.target->bytesPerLine();
    uchar* const bits = out.target->bits();
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + stride * qsizetype(first + i);
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
        if (cmyk)
            for (JDIMENSION i = 0; i < got; ++i)
                CmykRowToRgb32(rows[i], width);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool EncodeInto(const QImage& img, int quality, bool progressive, bool gray, unsigned char** buffer,
                unsigned long* size, ErrorManager& err)
{
    jpeg_compress_struct cinfo;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = JDIMENSION(img.width());
    cinfo.image_height = JDIMENSION(img.height());
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

int Denominator(TJPEGScale s)
{
    switch (s) {
    case jsHalf: return 2;
    case jsQuarter: return 4;
    case jsEighth: return 8;
    default: return 1;
    }
}

} // namespace

namespace {

// Only plain data lives in this frame, so leaving it through longjmp skips no destructor.
bool ReadSizeInto(const uint8_t* data, size_t size, int& width, int& height, ErrorManager& err)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    width = int(cinfo.image_width);
    height = int(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

QSize TJPEGImage::ReadSize(const QByteArray& data)
{
    if (data.size() < 4)
        throw EJPEG(QStringLiteral("JPEG error #%1").arg(JERR_INPUT_EMPTY));
    ErrorManager err;
    InitErrors(err);
    int width = 0, height = 0;
    if (!ReadSizeInto(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), width, height, err))
        throw EJPEG(QStringLiteral("JPEG error #%1").arg(err.code));
    return QSize(width, height);
}

QImage TJPEGImage::Decode(const QByteArray& data, TJPEGScale scale, bool grayscale)
{
    if (data.size() < 4)
        throw EJPEG(QStringLiteral("JPEG error #%1").arg(JERR_INPUT_EMPTY));
    ErrorManager err;
    InitErrors(err);
    QImage img;
    DecodeResult r;
    r.target = &img;
    if (!DecodeInto(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), Denominator(scale),
                    grayscale, r, err)) {
        if (r.overBudget)
            throw EOutOfPictureMemory(SOutOfResources);
        if (r.tooLarge || r.noMemory)
            throw EJPEG(SOutOfResources);
        throw EJPEG(QStringLiteral("JPEG error #%1").arg(err.code));
    }
    return img;
}

QByteArray TJPEGImage::Encode(const QImage& image, int quality, bool progressive, bool grayscale)
{
    if (image.isNull())
        return {};
    QImage src = grayscale ? image.convertToFormat(QImage::Format_Grayscale8) : image.convertToFormat(QImage::Format_RGB888);
    ErrorManager err;
    InitErrors(err);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = EncodeInto(src, std::clamp(quality, 1, 100), progressive, grayscale, &buffer, &size, err);
    QByteArray out;
    if (ok && buffer)
        out = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    if (!ok)
        throw EJPEG(QStringLiteral("JPEG error #%1").arg(err.code));
    return out;
}

TJPEGImage::TJPEGImage() = default;

TJPEGImage::TJPEGImage(const TJPEGImage& other)
    : TGraphic(other), Performance(other.Performance), PixelFormat(other.PixelFormat),
      CompressionQuality(other.CompressionQuality), ProgressiveEncoding(other.ProgressiveEncoding),
      m_data(other.m_data), m_img(other.m_img), m_scale(other.m_scale), m_grayscale(other.m_grayscale)
{
}

TJPEGImage::~TJPEGImage() = default;

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    return std::make_unique<TJPEGImage>(*this);
}

void TJPEGImage::Assign(const TGraphic& src)
{
    if (&src == this)
        return;
    if (const auto* j = dynamic_cast<const TJPEGImage*>(&src)) {
        m_data = j->m_data;
        m_img = j->m_img;
        m_scale = j->m_scale;
        m_grayscale = j->m_grayscale;
        CompressionQuality = j->CompressionQuality;
        Changed();
        return;
    }
    if (const auto* b = dynamic_cast<const TBitmap*>(&src)) {
        Compress(*b);
        return;
    }
    TBitmap b;
    b.Assign(src);
    Compress(b);
}

void TJPEGImage::LoadFromStream(QIODevice& stream)
{
    LoadFromData(stream.readAll());
}

void TJPEGImage::LoadFromData(const QByteArray& data)
{
    QImage img = Decode(data, m_scale, m_grayscale);
    m_data = data;
    m_img = img;
    Changed();
}

void TJPEGImage::SaveToStream(QIODevice& stream) const
{
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic("Stream write error");
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) const
{
    if (!canvas || m_img.isNull())
        return;
    canvas->BlitImage(r, m_img, TRect(0, 0, m_img.width(), m_img.height()), canvas->CopyMode);
}

QImage TJPEGImage::ToImage() const
{
    return m_img.convertToFormat(QImage::Format_ARGB32);
}

void TJPEGImage::SetScale(TJPEGScale scale)
{
    if (scale == m_scale)
        return;
    if (!m_data.isEmpty())
        m_img = Decode(m_data, scale, m_grayscale);
    m_scale = scale;
    Changed();
}

void TJPEGImage::SetGrayscale(bool value)
{
    if (value == m_grayscale)
        return;
    if (!m_data.isEmpty())
        m_img = Decode(m_data, m_scale, value);
    m_grayscale = value;
    Changed();
}

void TJPEGImage::Compress(const TBitmap& bitmap)
{
    const QImage src = bitmap.SurfaceForRead();
    if (src.isNull()) {
        m_data.clear();
        m_img = QImage();
        Changed();
        return;
    }
    QByteArray data = Encode(src, CompressionQuality, ProgressiveEncoding, m_grayscale);
    QImage img = Decode(data, m_scale, m_grayscale);
    m_data = data;
    m_img = img;
    Changed();
}

std::unique_ptr<TBitmap> TJPEGImage::ToBitmap() const
{
    auto b = std::make_unique<TBitmap>();
    if (!m_img.isNull())
        b->SetImage(m_img.convertToFormat(QImage::Format_BGR888));
    return b;
}
