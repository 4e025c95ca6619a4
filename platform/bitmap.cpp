#include "platform/bitmap.h"
#include "platform/file_utils.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <unistd.h>

#include "platform/bmp_codec.h"
#include "platform/large_memory.h"

const char* const SInvalidBitmap = "Bitmap image is not valid";
const char* const SInvalidIcon = "Icon image is not valid";
const char* const SChangeIconSize = "Cannot change the size of an icon";
const char* const SScanLine = "Scan line index out of range";
const char* const SUnknownExtension = "Unknown picture file extension (.%1)";
const char* const SOutOfResources = "Out of system resources";

namespace {
std::atomic<int64_t> g_pixelLimit{int64_t(1) << 26}; // 64 M pixels, 256 MB at 32 bits

QList<QRgb> DefaultPalette(TPixelFormat f)
{
    QList<QRgb> t;
    if (f == pf1bit) {
        t << qRgb(0, 0, 0) << qRgb(255, 255, 255);
    } else if (f == pf4bit) {
        static const QRgb vga[16] = {
            qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
            qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
            qRgb(192, 192, 192), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0),
            qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
        for (QRgb c : vga)
            t << c;
    } else if (f == pf8bit) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    t << qRgb(r * 51, g * 51, b * 51);
        for (int i = 0; i < 40; ++i)
            t << qRgb(i * 255 / 39, i * 255 / 39, i * 255 / 39);
    }
    return t;
}

int LogicalPaletteSize(TPixelFormat f)
{
    return f == pf1bit ? 2 : f == pf4bit ? 16 : f == pf8bit ? 256 : 0;
}

QImage::Format QtFormat(TPixelFormat f)
{
    switch (f) {
    case pf1bit: return QImage::Format_Mono;
    case pf4bit:
    case pf8bit: return QImage::Format_Indexed8;
    case pf15bit: return QImage::Format_RGB555;
    case pf16bit: return QImage::Format_RGB16;
    case pf24bit: return QImage::Format_BGR888;
    default: return QImage::Format_RGB32;
    }
}

bool Indexed(TPixelFormat f)
{
    return f == pf1bit || f == pf4bit || f == pf8bit;
}

int Nearest(const QList<QRgb>& table, int count, QRgb c)
{
    int best = 0;
    long bestD = LONG_MAX;
    for (int i = 0; i < count && i < table.size(); ++i) {
        const long dr = qRed(table[i]) - qRed(c), dg = qGreen(table[i]) - qGreen(c), db = qBlue(table[i]) - qBlue(c);
        const long dist = dr * dr + dg * dg + db * db;
        if (dist < bestD) {
            bestD = dist;
            best = i;
            if (dist == 0)
                break;
        }
    }
    return best;
}

// Table padded so that every index of the QImage format has a colour.
QList<QRgb> Padded(QList<QRgb> t, TPixelFormat f)
{
    const int n = f == pf1bit ? 2 : 256;
    while (t.size() < n)
        t << qRgb(0, 0, 0);
    if (t.size() > n)
        t.resize(n);
    return t;
}

// 32-bit pixels into the format. To 1 bit only white stays white; to 4 and 8 bits the nearest
// palette colour, without dithering.
QImage FromRGB32(const QImage& src, TPixelFormat f, const QList<QRgb>& palette, int paletteSize)
{
    if (!Indexed(f))
        return src.convertToFormat(QtFormat(f));
    QImage out(src.size(), QtFormat(f));
    if (out.isNull())
        throw EInvalidGraphic(SOutOfResources);
    out.setColorTable(Padded(palette, f));
    const int count = std::min<int>(paletteSize, int(palette.size()));
    if (f == pf1bit) {
        const uint white = uint(Nearest(palette, count, qRgb(255, 255, 255)));
        const uint black = uint(Nearest(palette, count, qRgb(0, 0, 0)));
        for (int y = 0; y < src.height(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            uchar* d = out.scanLine(y);
            std::memset(d, 0, size_t(out.bytesPerLine()));
            for (int x = 0; x < src.width(); ++x) {
                const uint v = (s[x] & 0xFFFFFF) == 0xFFFFFF ? white : black;
                if (v)
                    d[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        }
        return out;
    }
    std::unordered_map<QRgb, uchar> cache;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = s[x] | 0xFF000000u;
            auto it = cache.find(c);
            if (it == cache.end())
                it = cache.emplace(c, uchar(Nearest(palette, count, c))).first;
            d[x] = it->second;
        }
    }
    return out;
}

} // namespace

int64_t GraphicPixelLimit()
{
    return g_pixelLimit.load();
}

void SetGraphicPixelLimit(int64_t pixels)
{
    g_pixelLimit.store(pixels > 0 ? pixels : 1);
}

namespace {
thread_local TPictureMemoryBudget* t_budget = nullptr;
std::atomic<uint64_t> g_defaultBudget{0};
} // namespace

TPictureMemoryBudget::TPictureMemoryBudget(uint64_t bytes) : m_limit(bytes), m_outer(t_budget)
{
    t_budget = this;
}

TPictureMemoryBudget::~TPictureMemoryBudget()
{
    t_budget = m_outer;
}

uint64_t TPictureMemoryBudget::DefaultPictureMemoryBudget()
{
    if (const uint64_t set = g_defaultBudget.load())
        return set;
    uint64_t budget = uint64_t(2) << 30;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        budget = std::min(budget, uint64_t(pages) * uint64_t(pageSize) / 4);
    return budget;
}

void TPictureMemoryBudget::SetDefaultPictureMemoryBudget(uint64_t bytes)
{
    g_defaultBudget.store(bytes);
}

void ChargePictureMemory(int64_t width, int64_t height, int bitsPerPixel)
{
    TPictureMemoryBudget* budget = t_budget;
    if (!budget || width <= 0 || height <= 0)
        return;
    const uint64_t line = (uint64_t(width) * uint64_t(std::max(bitsPerPixel, 1)) + 31) / 32 * 4;
    const uint64_t bytes = line * uint64_t(height);
    if (bytes > budget->m_limit || budget->m_used > budget->m_limit - bytes)
        throw EOutOfPictureMemory(SOutOfResources);
    budget->m_used += bytes;
}

QList<QRgb> CreatePalette(const PALETTEENTRY* entries, int count)
{
    QList<QRgb> t;
    if (!entries)
        return t;
    for (int i = 0; i < count && i < 256; ++i)
        t << qRgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    return t;
}

// ---------------------------------------------------------------------------------------------
// TGraphic

TGraphic::~TGraphic() = default;

void TGraphic::Assign(const TGraphic& src)
{
    throw EInvalidGraphic(QStringLiteral("Cannot assign a %1 to a %2").arg(src.ClassName(), ClassName()));
}

void TGraphic::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const QString& fileName) const
{
    // The whole picture is encoded first, so a failing encoder never touches the file; the
    // write itself is the documents' safe one.
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    QString error;
    if (!WriteFileAtomic(fileName, data, &error))
        throw EInvalidGraphic(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, error));
}

void TGraphic::SetWidth(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetHeight(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetTransparent(bool value)
{
    if (value != m_transparent) {
        m_transparent = value;
        Changed();
    }
}

void TGraphic::Changed()
{
    m_modified = true;
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format)
{
    m_format = format;
    allocate(width, height, format);
}

TBitmap::TBitmap(const TBitmap& other) : TGraphic(other)
{
    other.syncImage();
    m_format = other.m_format;
    m_transparentMode = other.m_transparentMode;
    m_transparentColor = other.m_transparentColor;
    m_img = other.m_img;
    m_paletteSize = other.m_paletteSize;
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

TBitmap::~TBitmap() = default;

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    return std::make_unique<TBitmap>(*this);
}

void TBitmap::Assign(const TGraphic& src)
{
    if (&src == this)
        return;
    if (const auto* b = dynamic_cast<const TBitmap*>(&src)) {
        b->syncImage();
        QImage img = b->m_img;
        m_format = b->m_format;
        m_transparentMode = b->m_transparentMode;
        m_transparentColor = b->m_transparentColor;
        m_paletteSize = b->m_paletteSize;
        m_img = img;
        dropCaches();
        SetTransparent(b->Transparent());
        Changed();
        return;
    }
    // Another graphic: drawn over white into a 24-bit bitmap of its size.
    QImage pic = src.ToImage();
    QImage img(pic.size(), QImage::Format_RGB32);
    if (!pic.isNull()) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.drawImage(0, 0, pic);
        p.end();
        img = img.convertToFormat(QImage::Format_BGR888);
    } else {
        img = QImage();
    }
    m_format = pf24bit;
    m_paletteSize = 0;
    m_img = img;
    dropCaches();
    Changed();
}

void TBitmap::LoadFromStream(QIODevice& stream)
{
    const qint64 rest = stream.isSequential() ? -1 : stream.size() - stream.pos();
    if (rest <= 0) {
        LoadFromData(stream.readAll());
        return;
    }
    // The headers first: the rows of an uncompressed picture then go from the file straight
    // into the picture, without the whole file in memory beside it.
    const qint64 start = stream.pos();
    uint8_t head[4096];
    const qint64 headSize = stream.read(reinterpret_cast<char*>(head), std::min<qint64>(rest, sizeof head));
    const auto readAt = [&](uint64_t offset, uint8_t* to, size_t bytes) {
        if (!stream.seek(start + qint64(offset)))
            throw EInvalidGraphic(SInvalidBitmap);
        for (size_t done = 0; done < bytes;) {
            const qint64 n = stream.read(reinterpret_cast<char*>(to) + done, qint64(bytes - done));
            if (n <= 0)
                throw EInvalidGraphic(SInvalidBitmap);
            done += size_t(n);
        }
    };
    if (headSize > 0) {
        bmpcodec::Decoded d;
        bool decoded = false;
        try {
            decoded = bmpcodec::DecodeRows(head, size_t(headSize), uint64_t(rest), readAt, d);
        } catch (const EInvalidGraphic&) {
            // Headers longer than what was read are read again with the whole file.
            if (headSize >= rest)
                throw;
        }
        // The pictures read this way (1, 8, 16, 24 and 32 bits) take their pixel format and
        // palette size from their QImage format, as SetImage gives them.
        if (decoded) {
            stream.seek(start + rest); // where reading the whole file leaves it
            SetImage(std::move(d.image));
            return;
        }
    }
    if (!stream.seek(start))
        throw EInvalidGraphic(SInvalidBitmap);
    // Read in one piece into memory that is mapped at once: a large bitmap file would
    // otherwise cost a page fault per 4 KiB twice over (the bytes and the pixels).
    LargeBuffer bytes(size_t(rest) + 1);
    qint64 got = 0;
    while (got < rest) {
        const qint64 n = stream.read(reinterpret_cast<char*>(bytes.data()) + got, rest - got);
        if (n <= 0)
            break;
        got += n;
    }
    loadFrom(bytes.data(), size_t(got));
}

void TBitmap::LoadFromData(const QByteArray& data)
{
    loadFrom(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
}

void TBitmap::loadFrom(const uint8_t* data, size_t size)
{
    bmpcodec::Decoded d = bmpcodec::Decode(data, size);
    m_img = d.image;
    m_format = d.format;
    m_paletteSize = d.paletteSize;
    dropCaches();
    Changed();
}

void TBitmap::SaveToStream(QIODevice& stream) const
{
    const QByteArray data = SaveToData();
    if (stream.write(data) != data.size())
        throw EInvalidGraphic("Stream write error");
}

QByteArray TBitmap::SaveToData() const
{
    syncImage();
    return bmpcodec::Encode(m_img, m_format, Palette());
}

int TBitmap::Width() const
{
    return m_img.width();
}

int TBitmap::Height() const
{
    return m_img.height();
}

void TBitmap::SetWidth(int w)
{
    SetSize(w, Height());
}

void TBitmap::SetHeight(int h)
{
    SetSize(Width(), h);
}

void TBitmap::allocate(int w, int h, TPixelFormat format)
{
    if (w <= 0 || h <= 0) {
        m_img = QImage();
        if (Indexed(format) && m_paletteSize == 0)
            m_paletteSize = LogicalPaletteSize(format);
        return;
    }
    if (int64_t(w) * h > GraphicPixelLimit())
        throw EInvalidGraphic(SOutOfResources);
    QList<QRgb> pal = Indexed(format) ? (m_img.colorCount() && Indexed(m_format) ? m_img.colorTable() : DefaultPalette(format)) : QList<QRgb>();
    m_img = NewLargeImage(w, h, QtFormat(format));
    if (m_img.isNull())
        throw EInvalidGraphic(SOutOfResources);
    if (Indexed(format)) {
        if (m_paletteSize == 0 || m_paletteSize > LogicalPaletteSize(format))
            m_paletteSize = LogicalPaletteSize(format);
        pal = Padded(pal, format);
        m_img.setColorTable(pal);
        m_img.fill(uint(Nearest(pal, m_paletteSize, qRgb(255, 255, 255))));
    } else {
        m_paletteSize = 0;
        m_img.fill(Qt::white);
    }
}

void TBitmap::SetSize(int w, int h)
{
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == Width() && h == Height())
        return;
    syncImage();
    const QImage old = m_img;
    allocate(w, h, m_format);
    if (!old.isNull() && !m_img.isNull()) {
        const int cw = std::min(old.width(), w), ch = std::min(old.height(), h);
        if (old.format() == m_img.format()) {
            if (m_img.format() == QImage::Format_Mono) {
                for (int y = 0; y < ch; ++y)
                    for (int x = 0; x < cw; ++x)
                        m_img.setPixel(x, y, uint(old.pixelIndex(x, y)));
            } else {
                const int bytes = cw * old.depth() / 8;
                for (int y = 0; y < ch; ++y)
                    std::memcpy(m_img.scanLine(y), old.constScanLine(y), size_t(bytes));
            }
        }
    }
    dropCaches();
    Changed();
}

bool TBitmap::Empty() const
{
    return m_img.isNull();
}

void TBitmap::Clear()
{
    m_img = QImage();
    dropCaches();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pfCustom || format == m_format)
        return;
    if (m_img.isNull()) {
        m_format = format;
        m_paletteSize = LogicalPaletteSize(format);
        dropCaches();
        return;
    }
    const QImage src = SurfaceForRead().copy();
    QList<QRgb> pal;
    if (Indexed(format)) {
        // Indexed to indexed keeps the colours that fit; everything else gets the default table.
        pal = DefaultPalette(format);
        if (Indexed(m_format) && format != pf1bit && LogicalPaletteSize(format) >= m_paletteSize) {
            const QList<QRgb> cur = Palette();
            for (int i = 0; i < cur.size() && i < pal.size(); ++i)
                pal[i] = cur[i];
        }
    }
    const int size = LogicalPaletteSize(format);
    m_img = FromRGB32(src, format, pal, size);
    m_format = format;
    m_paletteSize = size;
    dropCaches();
    Changed();
}

void TBitmap::SetMonochrome(bool value)
{
    if (value)
        SetPixelFormat(pf1bit);
    else if (m_format == pf1bit)
        SetPixelFormat(pfDevice);
}

QList<QRgb> TBitmap::Palette() const
{
    if (!Indexed(m_format))
        return {};
    QList<QRgb> t = m_img.isNull() ? DefaultPalette(m_format) : m_img.colorTable();
    const int n = m_paletteSize ? m_paletteSize : LogicalPaletteSize(m_format);
    if (t.size() > n)
        t.resize(n);
    return t;
}

void TBitmap::SetPalette(const QList<QRgb>& colors)
{
    if (!Indexed(m_format))
        return;
    syncImage();
    const int max = LogicalPaletteSize(m_format);
    QList<QRgb> t = colors.mid(0, max);
    m_paletteSize = std::max<int>(1, int(t.size()));
    if (!m_img.isNull())
        m_img.setColorTable(Padded(t, m_format));
    dropCaches();
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (m_transparentMode == tmFixed && m_transparentColor != clNone)
        return m_transparentColor;
    if (m_img.isNull())
        return clDefault;
    return QRgbToColor(drawSource().pixel(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor color)
{
    m_transparentColor = color;
    m_transparentMode = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

int TBitmap::BytesPerScanLine() const
{
    if (m_img.isNull())
        return 0;
    if (m_format == pf4bit)
        return (Width() * 4 + 31) / 32 * 4;
    return int(m_img.bytesPerLine());
}

uint8_t* TBitmap::ScanLine(int y)
{
    if (y < 0 || y >= Height())
        throw EInvalidGraphic(SScanLine);
    if (m_format == pf4bit) {
        if (m_workDirty)
            syncImage();
        if (!m_packedValid) {
            const int bpl = BytesPerScanLine();
            m_packed.assign(size_t(bpl) * size_t(Height()), 0);
            for (int r = 0; r < Height(); ++r) {
                const uchar* s = m_img.constScanLine(r);
                uint8_t* d = m_packed.data() + size_t(r) * size_t(bpl);
                for (int x = 0; x < Width(); ++x)
                    d[x / 2] |= (x & 1) ? (s[x] & 15) : uint8_t((s[x] & 15) << 4);
            }
            m_packedValid = true;
        }
        m_packedDirty = true;
        m_workValid = false;
        return m_packed.data() + size_t(y) * size_t(BytesPerScanLine());
    }
    syncImage();
    m_workValid = false;
    return m_img.scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const
{
    return const_cast<TBitmap*>(this)->ScanLine(y);
}

TCanvas* TBitmap::Canvas()
{
    if (!m_canvas)
        m_canvas.reset(new TCanvas(this));
    return m_canvas.get();
}

QImage& TBitmap::image()
{
    syncImage();
    dropCaches();
    return m_img;
}

const QImage& TBitmap::image() const
{
    syncImage();
    return m_img;
}

void TBitmap::SetImage(QImage img, bool asFourBit)
{
    TPixelFormat f = pf32bit;
    int palSize = 0;
    switch (img.format()) {
    case QImage::Format_Invalid:
        break;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        img = img.convertToFormat(QImage::Format_Mono);
        f = pf1bit;
        palSize = 2;
        break;
    case QImage::Format_Indexed8:
        f = asFourBit ? pf4bit : pf8bit;
        palSize = asFourBit ? 16 : int(std::min<qsizetype>(256, std::max<qsizetype>(1, img.colorCount())));
        if (asFourBit) {
            // Indices above 15 have no place in 4 bits.
            for (int y = 0; y < img.height(); ++y) {
                uchar* row = img.scanLine(y);
                for (int x = 0; x < img.width(); ++x)
                    row[x] &= 15;
            }
        }
        break;
    case QImage::Format_RGB555: f = pf15bit; break;
    case QImage::Format_RGB16: f = pf16bit; break;
    case QImage::Format_BGR888: f = pf24bit; break;
    case QImage::Format_RGB888: f = pf24bit; img = img.convertToFormat(QImage::Format_BGR888); break;
    case QImage::Format_RGB32: f = pf32bit; break;
    default: f = pf32bit; img = img.convertToFormat(QImage::Format_RGB32); break;
    }
    if (!img.isNull() && int64_t(img.width()) * img.height() > GraphicPixelLimit())
        throw EInvalidGraphic(SOutOfResources);
    if (Indexed(f) && !img.isNull()) {
        QList<QRgb> t = img.colorTable();
        if (t.isEmpty())
            t = DefaultPalette(f);
        // Setting a table detaches a shared picture: only when it changes.
        QList<QRgb> padded = Padded(t, f);
        if (padded != img.colorTable())
            img.setColorTable(std::move(padded));
    }
    m_img = std::move(img);
    m_format = f;
    m_paletteSize = palSize;
    dropCaches();
    Changed();
}

QImage TBitmap::ToImage() const
{
    QImage img = SurfaceForRead().convertToFormat(QImage::Format_ARGB32);
    if (Transparent() && !img.isNull()) {
        const QRgb t = ColorToQRgb(TransparentColor()) & 0xFFFFFF;
        for (int y = 0; y < img.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((row[x] & 0xFFFFFF) == t)
                    row[x] = 0;
        }
    }
    return img;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) const
{
    if (!canvas || Empty())
        return;
    const QImage src = drawSource();
    canvas->BlitImage(r, src, TRect(0, 0, Width(), Height()), canvas->CopyMode,
                      Transparent() ? TransparentColor() : clNone);
}

QImage& TBitmap::Surface()
{
    if (m_packedDirty)
        syncImage();
    m_packedValid = false;
    if (m_img.isNull() || m_img.format() == QImage::Format_RGB32) {
        m_workValid = m_workDirty = false;
        return m_img;
    }
    QImage& work = workCopy();
    m_workDirty = true;
    return work;
}

const QImage& TBitmap::drawSource() const
{
    // The 32-bit copy only when it exists anyway; otherwise the bitmap's own pixels, so that a
    // picture that is only drawn keeps one decoded copy in its own format.
    if (m_workValid || m_packedDirty)
        return SurfaceForRead();
    return m_img;
}

const QImage& TBitmap::SurfaceForRead() const
{
    if (m_packedDirty || m_workDirty)
        syncImage();
    if (m_img.isNull() || m_img.format() == QImage::Format_RGB32)
        return m_img;
    return workCopy();
}

QImage& TBitmap::workCopy() const
{
    if (!m_workValid) {
        m_work = m_img.convertToFormat(QImage::Format_RGB32);
        m_workValid = true;
        m_workDirty = false;
    }
    return m_work;
}

void TBitmap::syncImage() const
{
    if (m_packedDirty && m_format == pf4bit && !m_img.isNull()) {
        const int bpl = (Width() * 4 + 31) / 32 * 4;
        if (m_packed.size() >= size_t(bpl) * size_t(Height())) {
            for (int r = 0; r < Height(); ++r) {
                const uint8_t* s = m_packed.data() + size_t(r) * size_t(bpl);
                uchar* d = m_img.scanLine(r);
                for (int x = 0; x < Width(); ++x)
                    d[x] = (x & 1) ? (s[x / 2] & 15) : (s[x / 2] >> 4);
            }
        }
        m_workValid = false;
    }
    m_packedDirty = false;
    if (m_workDirty && m_workValid) {
        const QList<QRgb> pal = Indexed(m_format) ? m_img.colorTable() : QList<QRgb>();
        const int palSize = m_paletteSize ? m_paletteSize : LogicalPaletteSize(m_format);
        m_img = FromRGB32(m_work, m_format, pal, palSize);
        m_workValid = false;
        m_packedValid = false;
    }
    m_workDirty = false;
}

void TBitmap::dropCaches()
{
    m_work = QImage();
    m_workValid = m_workDirty = false;
    m_packed.clear();
    m_packedValid = m_packedDirty = false;
}

// ---------------------------------------------------------------------------------------------
// TIcon

TIcon::TIcon() = default;
TIcon::TIcon(const TIcon& other) : TGraphic(other), m_img(other.m_img), m_data(other.m_data) {}
TIcon::~TIcon() = default;

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    return std::make_unique<TIcon>(*this);
}

void TIcon::Assign(const TGraphic& src)
{
    if (const auto* i = dynamic_cast<const TIcon*>(&src)) {
        m_img = i->m_img;
        m_data = i->m_data;
        Changed();
        return;
    }
    TGraphic::Assign(src);
}

void TIcon::LoadFromStream(QIODevice& stream)
{
    LoadFromData(stream.readAll());
}

void TIcon::LoadFromData(const QByteArray& data)
{
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    const size_t n = size_t(data.size());
    auto le16 = [&](size_t o) { return uint16_t(p[o] | (p[o + 1] << 8)); };
    auto le32 = [&](size_t o) {
        return uint32_t(p[o]) | (uint32_t(p[o + 1]) << 8) | (uint32_t(p[o + 2]) << 16) | (uint32_t(p[o + 3]) << 24);
    };
    if (n < 6 || le16(0) != 0 || (le16(2) != 1 && le16(2) != 2))
        throw EInvalidGraphic(SInvalidIcon);
    const size_t count = le16(4);
    if (count == 0 || 6 + 16 * count > n)
        throw EInvalidGraphic(SInvalidIcon);
    // The largest picture, the deepest on a tie.
    size_t best = 0;
    uint64_t bestKey = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = 6 + 16 * i;
        const uint32_t w = p[e] ? p[e] : 256, h = p[e + 1] ? p[e + 1] : 256;
        const uint32_t bpp = le16(e + 6);
        const uint64_t key = (uint64_t(w) * h << 8) | std::min<uint32_t>(bpp, 255);
        if (i == 0 || key > bestKey) {
            bestKey = key;
            best = i;
        }
    }
    const size_t e = 6 + 16 * best;
    const uint64_t bytes = le32(e + 8), offset = le32(e + 12);
    if (offset >= n || bytes < 40 || bytes > n - offset)
        throw EInvalidGraphic(SInvalidIcon);
    const uint8_t* dib = p + offset;
    const size_t dibSize = size_t(bytes);
    if (le32(offset) < 40) // PNG-compressed and core-header entries are not icons of this system
        throw EInvalidGraphic(SInvalidIcon);
    const int32_t storedH = int32_t(le32(offset + 8));
    if (storedH <= 1)
        throw EInvalidGraphic(SInvalidIcon);
    const int h = storedH / 2;
    bmpcodec::Decoded d;
    try {
        d = bmpcodec::Decode(dib, dibSize, h);
    } catch (const EInvalidGraphic&) {
        throw EInvalidGraphic(SInvalidIcon);
    }
    QImage img = d.image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width();
    // 32-bit pictures with an alpha channel use it; others take the AND mask after the bits.
    bool hasAlpha = false;
    if (d.format == pf32bit) {
        for (int y = 0; y < h && !hasAlpha; ++y) {
            const uchar* row = d.image.constScanLine(y);
            for (int x = 0; x < w; ++x)
                if (row[4 * x + 3]) {
                    hasAlpha = true;
                    break;
                }
        }
    }
    if (hasAlpha) {
        for (int y = 0; y < h; ++y) {
            const uchar* s = d.image.constScanLine(y);
            QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), s[4 * x + 3]);
        }
    } else {
        const size_t maskRow = size_t((w + 31) / 32 * 4);
        const size_t maskStart = d.bitsEnd;
        if (maskStart + maskRow * size_t(h) <= dibSize) {
            for (int y = 0; y < h; ++y) {
                const uint8_t* m = dib + maskStart + maskRow * size_t(h - 1 - y);
                QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < w; ++x)
                    if (m[x >> 3] & (0x80 >> (x & 7)))
                        row[x] = 0;
            }
        }
    }
    m_img = img;
    m_data = data;
    Changed();
}

void TIcon::SaveToStream(QIODevice& stream) const
{
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic("Stream write error");
}

void TIcon::Draw(TCanvas* canvas, const TRect& r) const
{
    if (!canvas || m_img.isNull())
        return;
    // Pixels less than half covered are left out, as the AND mask of a classic icon does.
    QImage keyed = m_img.convertToFormat(QImage::Format_ARGB32);
    const TColor key = RGB(1, 2, 3);
    for (int y = 0; y < keyed.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            row[x] = qAlpha(row[x]) < 128 ? ColorToQRgb(key) : (row[x] | 0xFF000000u);
    }
    canvas->BlitImage(r, keyed, TRect(0, 0, keyed.width(), keyed.height()), SRCCOPY, key);
}
