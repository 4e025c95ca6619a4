#include "platform/scanner_library.h"

#include "platform/bitmap.h"
#include "platform/large_memory.h"

#include <sane/sane.h>

#include <cstring>
#include <dlfcn.h>

QString ScannerLibraryName()
{
    const QByteArray env = qgetenv("KORVANE_SANE_LIBRARY");
    return env.isEmpty() ? QStringLiteral("libsane.so.1") : QString::fromLocal8Bit(env);
}

// ---- assembling the frames ---------------------------------------------------------------

namespace {

// The frame formats a scanner sends: one grey or colour frame, or one frame per colour.
enum TFrameFormat { FrameGray = 0, FrameRGB = 1, FrameRed = 2, FrameGreen = 3, FrameBlue = 4 };

struct FrameShape {
    int lines = 0;
    int samples = 1;
};

// The frame's lines and samples per pixel, or a message.
bool checkFrame(const TScanFrame& f, FrameShape& shape, QString* error)
{
    auto fail = [error](const char* text) {
        if (error)
            *error = QString::fromLatin1(text);
        return false;
    };
    if (f.Format < FrameGray || f.Format > FrameBlue)
        return fail("The scanner sent a picture of a kind that cannot be read");
    if (f.Depth != 1 && f.Depth != 8 && f.Depth != 16)
        return fail("The scanner sent a colour depth that cannot be read");
    shape.samples = f.Format == FrameRGB ? 3 : 1;
    if (f.Depth == 1 && shape.samples != 1)
        return fail("The scanner sent a colour depth that cannot be read");
    if (f.PixelsPerLine <= 0 || f.BytesPerLine <= 0)
        return fail("The scanner sent a picture without size");
    const int64_t needed = (int64_t(f.PixelsPerLine) * shape.samples * f.Depth + 7) / 8;
    if (f.BytesPerLine < needed)
        return fail("The scanner sent lines shorter than their pixels");
    const int64_t available = f.Data.size() / f.BytesPerLine;
    const int64_t lines = f.Lines >= 0 ? std::min<int64_t>(f.Lines, available) : available;
    if (lines <= 0)
        return fail("The scanner sent no picture lines");
    if (int64_t(f.PixelsPerLine) * lines > GraphicPixelLimit())
        return fail("The scanned picture is too large");
    shape.lines = int(lines);
    return true;
}

// Sample x of line y of a single-colour frame, as 8 bits (depth 1: a set bit is black).
inline uint8_t sample(const TScanFrame& f, const uint8_t* line, int index)
{
    switch (f.Depth) {
    case 1: return (line[index >> 3] & (0x80 >> (index & 7))) ? 0 : 255;
    case 16: {
        uint16_t v;
        std::memcpy(&v, line + 2 * index, 2); // host byte order
        return uint8_t(v >> 8);
    }
    default: return line[index];
    }
}

} // namespace

QImage AssembleScan(const std::vector<TScanFrame>& frames, QString* error)
{
    if (frames.empty()) {
        if (error)
            *error = QStringLiteral("The scanner sent no picture");
        return QImage();
    }
    std::vector<FrameShape> shapes(frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        if (!checkFrame(frames[i], shapes[i], error))
            return QImage();

    const TScanFrame& first = frames.front();
    const int width = first.PixelsPerLine;
    if (frames.size() == 1 && (first.Format == FrameGray || first.Format == FrameRGB)) {
        const int height = shapes[0].lines;
        const bool grey = first.Format == FrameGray;
        QImage img = NewLargeImage(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        if (img.isNull()) {
            if (error)
                *error = QStringLiteral("The scanned picture is too large");
            return QImage();
        }
        const auto* data = reinterpret_cast<const uint8_t*>(first.Data.constData());
        const int samples = grey ? 1 : 3;
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = data + int64_t(y) * first.BytesPerLine;
            uint8_t* dst = img.scanLine(y);
            for (int x = 0; x < width * samples; ++x)
                dst[x] = sample(first, src, x);
        }
        return img;
    }

    // Three frames, one per colour, of one size.
    const TScanFrame* planes[3] = {nullptr, nullptr, nullptr};
    for (const TScanFrame& f : frames) {
        if (f.Format < FrameRed || planes[f.Format - FrameRed] || f.PixelsPerLine != width) {
            if (error)
                *error = QStringLiteral("The scanner sent colour frames that do not make one picture");
            return QImage();
        }
        planes[f.Format - FrameRed] = &f;
    }
    if (!planes[0] || !planes[1] || !planes[2]) {
        if (error)
            *error = QStringLiteral("The scanner sent colour frames that do not make one picture");
        return QImage();
    }
    int height = shapes[0].lines;
    for (const FrameShape& s : shapes)
        height = std::min(height, s.lines);
    QImage img = NewLargeImage(width, height, QImage::Format_RGB888);
    if (img.isNull()) {
        if (error)
            *error = QStringLiteral("The scanned picture is too large");
        return QImage();
    }
    for (int c = 0; c < 3; ++c) {
        const TScanFrame& f = *planes[c];
        const auto* data = reinterpret_cast<const uint8_t*>(f.Data.constData());
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = data + int64_t(y) * f.BytesPerLine;
            uint8_t* dst = img.scanLine(y) + c;
            for (int x = 0; x < width; ++x)
                dst[3 * x] = sample(f, src, x);
        }
    }
    return img;
}

// ---- the library ---------------------------------------------------------------------------

struct TScannerLibrary::Api {
    decltype(&sane_init) init;
    decltype(&sane_exit) exit;
    decltype(&sane_get_devices) getDevices;
    decltype(&sane_open) open;
    decltype(&sane_close) close;
    decltype(&sane_start) start;
    decltype(&sane_get_parameters) getParameters;
    decltype(&sane_read) read;
    decltype(&sane_cancel) cancel;
    decltype(&sane_strstatus) strstatus;
};

std::unique_ptr<TScannerLibrary> TScannerLibrary::Load()
{
    void* module = dlopen(ScannerLibraryName().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return nullptr;
    auto api = std::make_unique<Api>();
    bool complete = true;
    auto entry = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(module, name));
        complete = complete && fn;
    };
    entry(api->init, "sane_init");
    entry(api->exit, "sane_exit");
    entry(api->getDevices, "sane_get_devices");
    entry(api->open, "sane_open");
    entry(api->close, "sane_close");
    entry(api->start, "sane_start");
    entry(api->getParameters, "sane_get_parameters");
    entry(api->read, "sane_read");
    entry(api->cancel, "sane_cancel");
    entry(api->strstatus, "sane_strstatus");
    if (!complete) {
        dlclose(module);
        return nullptr;
    }
    std::unique_ptr<TScannerLibrary> lib(new TScannerLibrary);
    lib->m_module = module;
    lib->m_api = std::move(api);
    return lib;
}

TScannerLibrary::~TScannerLibrary()
{
    Exit();
    if (m_module)
        dlclose(m_module);
}

bool TScannerLibrary::Init()
{
    if (m_started)
        return true;
    SANE_Int version = 0;
    m_started = m_api->init(&version, nullptr) == SANE_STATUS_GOOD;
    return m_started;
}

void TScannerLibrary::Exit()
{
    if (!m_started)
        return;
    m_api->exit();
    m_started = false;
}

std::vector<TScanDevice> TScannerLibrary::Devices()
{
    std::vector<TScanDevice> devices;
    const SANE_Device** list = nullptr;
    if (!m_started || m_api->getDevices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list)
        return devices;
    for (int i = 0; list[i]; ++i) {
        const SANE_Device* d = list[i];
        devices.push_back({QString::fromLocal8Bit(d->name ? d->name : ""),
                           QString::fromLocal8Bit(d->vendor ? d->vendor : ""),
                           QString::fromLocal8Bit(d->model ? d->model : "")});
    }
    return devices;
}

void TScannerLibrary::Cancel()
{
    m_cancel = true;
}

QImage TScannerLibrary::Scan(const QString& device, const std::function<void(qint64, qint64)>& progress,
                             QString* error)
{
    auto fail = [&](SANE_Status status) {
        if (error)
            *error = QString::fromLocal8Bit(m_api->strstatus(status));
        return QImage();
    };
    if (!m_started)
        return fail(SANE_STATUS_INVAL);
    SANE_Handle handle = nullptr;
    SANE_Status status = m_api->open(device.toLocal8Bit().constData(), &handle);
    if (status != SANE_STATUS_GOOD)
        return fail(status);
    m_cancel = false;
    std::vector<TScanFrame> frames;
    // Frames stop at the last one, and a scanner that never says so stops after three.
    for (int frameCount = 0; frameCount < 3; ++frameCount) {
        status = m_api->start(handle);
        if (status != SANE_STATUS_GOOD)
            break;
        SANE_Parameters p{};
        status = m_api->getParameters(handle, &p);
        if (status != SANE_STATUS_GOOD)
            break;
        TScanFrame frame;
        frame.Format = p.format;
        frame.BytesPerLine = p.bytes_per_line;
        frame.PixelsPerLine = p.pixels_per_line;
        frame.Lines = p.lines;
        frame.Depth = p.depth;
        const qint64 total = p.lines > 0 && p.bytes_per_line > 0 ? qint64(p.lines) * p.bytes_per_line : 0;
        // Never more than the picture limit allows, whatever the scanner claims.
        const qint64 cap = std::max<qint64>(GraphicPixelLimit() * 6, 1 << 20);
        SANE_Byte buffer[65536];
        for (;;) {
            SANE_Int got = 0;
            if (m_cancel) {
                status = SANE_STATUS_CANCELLED;
                break;
            }
            status = m_api->read(handle, buffer, sizeof buffer, &got);
            if (status != SANE_STATUS_GOOD)
                break;
            if (frame.Data.size() + got > cap) {
                status = SANE_STATUS_NO_MEM;
                break;
            }
            frame.Data.append(reinterpret_cast<const char*>(buffer), got);
            if (progress)
                progress(frame.Data.size(), total);
        }
        if (status != SANE_STATUS_EOF)
            break;
        status = SANE_STATUS_GOOD;
        frames.push_back(std::move(frame));
        if (p.last_frame)
            break;
    }
    m_api->cancel(handle);
    m_api->close(handle);
    if (status != SANE_STATUS_GOOD)
        return fail(status);
    return AssembleScan(frames, error);
}
