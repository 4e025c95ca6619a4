#include "platform/picture.h"

#include <QFileInfo>
#include <mutex>

namespace {

std::mutex g_mutex;

std::vector<TFileFormat>& Formats()
{
    static std::vector<TFileFormat> formats = [] {
        std::vector<TFileFormat> f;
        f.push_back({QStringLiteral("bmp"), QStringLiteral("Bitmaps"), QStringLiteral("TBitmap"),
                     [] { return std::unique_ptr<TGraphic>(new TBitmap); }});
        f.push_back({QStringLiteral("ico"), QStringLiteral("Icons"), QStringLiteral("TIcon"),
                     [] { return std::unique_ptr<TGraphic>(new TIcon); }});
        f.push_back({QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), QStringLiteral("TJPEGImage"),
                     [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
        f.push_back({QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), QStringLiteral("TJPEGImage"),
                     [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }});
        return f;
    }();
    return formats;
}

QString CleanExtension(const QString& ext)
{
    QString e = ext.trimmed();
    while (e.startsWith(QLatin1Char('.')))
        e.remove(0, 1);
    return e;
}

// Whether a format's graphics are of className (by inheritance for the two base classes).
bool OfClass(const TFileFormat& f, const QString& className)
{
    if (className.isEmpty() || className == QLatin1String("TGraphic"))
        return true;
    if (f.ClassName == className)
        return true;
    if (className == QLatin1String("TBitmap")) {
        const std::unique_ptr<TGraphic> g = f.Factory();
        return dynamic_cast<TBitmap*>(g.get()) != nullptr;
    }
    return false;
}

} // namespace

TPicture::TPicture() = default;

TPicture::TPicture(const TPicture& other)
{
    if (other.m_graphic)
        m_graphic = other.m_graphic->Clone();
}

TPicture& TPicture::operator=(const TPicture& other)
{
    if (this != &other)
        Assign(&other);
    return *this;
}

TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* graphic)
{
    m_graphic = graphic ? graphic->Clone() : nullptr;
    changed();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    m_graphic = std::move(graphic);
    changed();
}

TBitmap* TPicture::Bitmap()
{
    if (auto* b = dynamic_cast<TBitmap*>(m_graphic.get()))
        return b;
    m_graphic = std::make_unique<TBitmap>();
    changed();
    return static_cast<TBitmap*>(m_graphic.get());
}

void TPicture::Assign(const TPicture* src)
{
    if (src == this)
        return;
    SetGraphic(src ? src->m_graphic.get() : nullptr);
}

void TPicture::Assign(const TGraphic* src)
{
    SetGraphic(src);
}

void TPicture::LoadFromFile(const QString& fileName)
{
    const QString ext = QFileInfo(fileName).suffix();
    TGraphicClassFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const TFileFormat& f : Formats())
            if (!ext.isEmpty() && f.Extension.compare(ext, Qt::CaseInsensitive) == 0)
                factory = f.Factory;
    }
    if (!factory)
        throw EInvalidGraphic(QString::fromLatin1(SUnknownExtension).arg(ext));
    std::unique_ptr<TGraphic> g = factory();
    if (!g)
        throw EInvalidGraphic(QString::fromLatin1(SUnknownExtension).arg(ext));
    g->LoadFromFile(fileName);
    m_graphic = std::move(g);
    changed();
}

void TPicture::SaveToFile(const QString& fileName) const
{
    if (m_graphic)
        m_graphic->SaveToFile(fileName);
}

std::unique_ptr<TGraphic> TPicture::CreateGraphic(const QString& className)
{
    TGraphicClassFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const TFileFormat& f : Formats())
            if (f.ClassName == className)
                factory = f.Factory;
    }
    if (factory)
        return factory();
    if (className == QLatin1String("TBitmap"))
        return std::make_unique<TBitmap>();
    if (className == QLatin1String("TIcon"))
        return std::make_unique<TIcon>();
    if (className == QLatin1String("TJPEGImage"))
        return std::make_unique<TJPEGImage>();
    return nullptr;
}

void TPicture::RegisterFileFormat(const QString& extension, const QString& description,
                                  TGraphicClassFactory factory)
{
    const QString ext = CleanExtension(extension);
    if (ext.isEmpty() || !factory)
        return;
    const std::unique_ptr<TGraphic> probe = factory();
    if (!probe)
        return;
    TFileFormat entry{ext, description, probe->ClassName(), std::move(factory)};
    std::lock_guard<std::mutex> lock(g_mutex);
    for (TFileFormat& f : Formats()) {
        if (f.Extension.compare(ext, Qt::CaseInsensitive) == 0) {
            f = std::move(entry);
            return;
        }
    }
    Formats().push_back(std::move(entry));
}

void TPicture::UnregisterGraphicClass(const QString& className)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& f = Formats();
    f.erase(std::remove_if(f.begin(), f.end(), [&](const TFileFormat& x) { return x.ClassName == className; }),
            f.end());
}

std::vector<TFileFormat> TPicture::FileFormats()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Formats();
}

const TFileFormat* TPicture::FindFormat(const QString& extension)
{
    const QString ext = CleanExtension(extension);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const TFileFormat& f : Formats())
        if (!ext.isEmpty() && f.Extension.compare(ext, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

void TPicture::changed()
{
    if (OnChange)
        OnChange(this);
}

QString GraphicFilter(const QString& className)
{
    QStringList masks, parts;
    for (const TFileFormat& f : TPicture::FileFormats()) {
        if (!OfClass(f, className))
            continue;
        const QString mask = QStringLiteral("*.") + f.Extension.toLower();
        masks << mask;
        parts << QStringLiteral("%1 (%2)|%2").arg(f.Description, mask);
    }
    if (masks.isEmpty())
        return QString();
    const QString all = masks.join(QLatin1Char(';'));
    return QStringLiteral("All (%1)|%1|").arg(all) + parts.join(QLatin1Char('|'));
}

QString GraphicExtension(const QString& className)
{
    for (const TFileFormat& f : TPicture::FileFormats())
        if (f.ClassName == className)
            return f.Extension.toLower();
    return QString();
}

QString GraphicFileMask(const QString& className)
{
    QStringList masks;
    for (const TFileFormat& f : TPicture::FileFormats())
        if (OfClass(f, className))
            masks << QStringLiteral("*.") + f.Extension.toLower();
    return masks.join(QLatin1Char(';'));
}
