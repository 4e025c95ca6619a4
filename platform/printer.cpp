#include "platform/printer.h"

#include "platform/file_utils.h"
#include "platform/message_box.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace {

// PDF resolution: fine enough that sheet placement is exact to 0.1 mm.
constexpr int PdfResolution = 1200;

QPrinterInfo InfoOf(const QString& name)
{
    return QPrinterInfo::printerInfo(name);
}

// The scheduler's answer to Get-Printer-Attributes for queue, asking for names; nullptr when it
// gives none.
std::unique_ptr<ipp_t, void (*)(ipp_t*)> PrinterAttributes(const QString& queue,
                                                           const std::vector<const char*>& names)
{
    std::unique_ptr<ipp_t, void (*)(ipp_t*)> none(nullptr, ippDelete);
    if (queue.isEmpty())
        return none;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.toUtf8().constData());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(names.size()),
                  nullptr, names.data());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return none;
    }
    return {response, ippDelete};
}

// A media size keyword's name and size ("iso_a4_210x297mm": "A4 (210 x 297 mm)"), for a
// scheduler with no name of its own for it.
QString MediaText(const QByteArray& keyword)
{
    const QList<QByteArray> parts = keyword.split('_');
    if (parts.size() < 3)
        return QString::fromUtf8(keyword);
    QString name = QString::fromUtf8(parts.mid(1, parts.size() - 2).join(' '));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    QString size = QString::fromUtf8(parts.last());
    for (const char* unit : {"mm", "in"})
        if (size.endsWith(QLatin1String(unit)))
            size = size.chopped(2).replace(QLatin1Char('x'), QStringLiteral(" x ")) + QLatin1Char(' ') +
                   QLatin1String(unit);
    return name + QStringLiteral(" (") + size + QLatin1Char(')');
}

QByteArray ResolutionValue(ipp_attribute_t* attr, int i)
{
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int x = ippGetResolution(attr, i, &y, &units);
    const char* unit = units == IPP_RES_PER_CM ? "dpcm" : "dpi";
    return x == y ? QByteArray::number(x) + unit : QByteArray::number(x) + 'x' + QByteArray::number(y) + unit;
}

} // namespace

TQueueState QueueState(const QString& queue)
{
    TQueueState state;
    const auto reply = PrinterAttributes(queue, {"printer-state", "printer-is-accepting-jobs",
                                                 "printer-state-message", "printer-state-reasons"});
    if (!reply)
        return state;
    ipp_attribute_t* s = ippFindAttribute(reply.get(), "printer-state", IPP_TAG_ENUM);
    if (!s)
        return state;
    state.Known = true;
    state.Paused = ippGetInteger(s, 0) == IPP_PSTATE_STOPPED;
    state.Printing = ippGetInteger(s, 0) == IPP_PSTATE_PROCESSING;
    if (ipp_attribute_t* a = ippFindAttribute(reply.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        state.Accepting = ippGetBoolean(a, 0) != 0;
    if (ipp_attribute_t* m = ippFindAttribute(reply.get(), "printer-state-message", IPP_TAG_TEXT))
        state.Message = QString::fromUtf8(ippGetString(m, 0, nullptr)).trimmed();
    return state;
}

std::vector<TQueueOption> QueueOptions(const QString& queue)
{
    std::vector<TQueueOption> options;
    const QByteArray name = queue.toUtf8();
    cups_dest_t* dest =
        queue.isEmpty() ? nullptr : cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest)
        return options;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info) {
        for (const char* option :
             {CUPS_MEDIA, CUPS_MEDIA_SOURCE, CUPS_PRINT_COLOR_MODE, "printer-resolution", CUPS_SIDES}) {
            ipp_attribute_t* supported = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, option);
            if (!supported || ippGetCount(supported) == 0)
                continue;
            const bool resolution = ippGetValueTag(supported) == IPP_TAG_RESOLUTION;
            if (!resolution && ippGetValueTag(supported) != IPP_TAG_KEYWORD &&
                ippGetValueTag(supported) != IPP_TAG_NAME)
                continue;
            TQueueOption o;
            o.Name = option;
            for (int i = 0; i < ippGetCount(supported); ++i) {
                const QByteArray value = resolution ? ResolutionValue(supported, i)
                                                    : QByteArray(ippGetString(supported, i, nullptr));
                if (value.isEmpty() || o.Values.contains(value))
                    continue;
                o.Values << value;
                const char* text = nullptr;
                cups_size_t size;
                if (o.Name == CUPS_MEDIA) {
                    if (cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, value.constData(),
                                               CUPS_MEDIA_FLAGS_DEFAULT, &size))
                        text = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT,
                                                     &size);
                } else if (!resolution) {
                    text = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, option, value.constData());
                }
                if (text && *text && value != text)
                    o.Texts << QString::fromUtf8(text);
                else
                    o.Texts << (o.Name == CUPS_MEDIA ? MediaText(value) : QString::fromUtf8(value));
            }
            if (ipp_attribute_t* d = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, option))
                o.Default = ippGetValueTag(d) == IPP_TAG_RESOLUTION ? ResolutionValue(d, 0)
                                                                    : QByteArray(ippGetString(d, 0, nullptr));
            if (!o.Values.isEmpty())
                options.push_back(std::move(o));
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return options;
}

TPrinter* Printer()
{
    static TPrinter printer;
    return &printer;
}

QString TPrinter::PdfPrinterName()
{
    return QStringLiteral("PDF");
}

QStringList TPrinter::systemPrinters() const
{
    return QPrinterInfo::availablePrinterNames();
}

QStringList TPrinter::Printers() const
{
    QStringList names = systemPrinters();
    if (!m_pdfFile.isEmpty())
        names << PdfPrinterName();
    return names;
}

int TPrinter::PrinterIndex() const
{
    const QStringList names = Printers();
    if (names.isEmpty())
        return -1;
    int i = m_chosen.isEmpty() ? -1 : int(names.indexOf(m_chosen));
    if (i < 0)
        i = int(names.indexOf(QPrinterInfo::defaultPrinterName()));
    return i < 0 ? 0 : i;
}

void TPrinter::SetPrinterIndex(int index)
{
    const QStringList names = Printers();
    if (index >= 0 && index < names.size())
        m_chosen = names[index];
}

void TPrinter::SetPdfFile(const QString& path)
{
    m_pdfFile = path;
}

namespace {

// The PDF printer, when there is one, is listed last. Callers list the printers once: every
// listing asks the print system again.
bool PdfAt(const TPrinter& printer, const QStringList& names, int index)
{
    return !printer.PdfFile().isEmpty() && index == names.size() - 1;
}

} // namespace

bool TPrinter::IsPdfPrinter(int index) const
{
    return PdfAt(*this, Printers(), index);
}

TQueueState TPrinter::State(int index) const
{
    const QStringList names = Printers();
    if (index < 0 || index >= names.size())
        return TQueueState();
    if (PdfAt(*this, names, index)) {
        TQueueState ready;
        ready.Known = true;
        return ready;
    }
    return QueueState(names[index]);
}

QString TPrinter::Location(int index) const
{
    const QStringList names = Printers();
    if (index < 0 || index >= names.size())
        return QString();
    if (PdfAt(*this, names, index))
        return m_pdfFile;
    return InfoOf(names[index]).location();
}

QString TPrinter::Comment(int index) const
{
    const QStringList names = Printers();
    if (index < 0 || index >= names.size() || PdfAt(*this, names, index))
        return QString();
    return InfoOf(names[index]).description();
}

QString TPrinter::MakeAndModel(int index) const
{
    const QStringList names = Printers();
    if (index < 0 || index >= names.size())
        return QString();
    if (PdfAt(*this, names, index))
        return QStringLiteral("Portable Document Format");
    return InfoOf(names[index]).makeAndModel();
}

QString TPrinter::Device() const
{
    const int i = PrinterIndex();
    return i < 0 ? QString() : Printers()[i];
}

QString TPrinter::Port() const
{
    const int i = PrinterIndex();
    if (i < 0)
        return QString();
    const QString location = Location(i);
    return location.isEmpty() ? Printers()[i] : location;
}

TJobOptions TPrinter::JobOptions(const QString& printer) const
{
    for (const auto& [name, options] : m_options)
        if (name == printer)
            return options;
    return {};
}

void TPrinter::SetJobOptions(const QString& printer, const TJobOptions& options)
{
    for (auto& [name, chosen] : m_options)
        if (name == printer) {
            chosen = options;
            return;
        }
    m_options.emplace_back(printer, options);
}

TPrinterTarget TPrinter::Target() const
{
    TPrinterTarget t;
    const int i = PrinterIndex();
    if (i >= 0) {
        t.Device = Printers()[i];
        t.Port = Port();
        if (IsPdfPrinter(i))
            t.PdfFile = m_pdfFile;
        else
            t.Options = JobOptions(t.Device);
    }
    t.Copies = m_copies;
    t.Collate = m_collate;
    return t;
}

// ---- print document ----

TPrintDocument::TPrintDocument(const TPrinterTarget& target) : m_target(target) {}

TPrintDocument::~TPrintDocument()
{
    if (m_printing)
        Abort();
}

void TPrintDocument::BeginDoc(int widthTenths, int heightTenths)
{
    if (m_printing)
        throw EKorvaneError("Printing in progress");
    if (m_target.Device.isEmpty())
        throw EKorvaneError("There is no default printer currently selected");
    m_width = std::max(widthTenths, 1);
    m_height = std::max(heightTenths, 1);
    // Pages go to the file as they are made, so a job of many copies needs no more memory
    // than one of a single copy.
    const QString folder = TempDir();
    if (folder.isEmpty())
        throw EKorvaneError("No private temporary folder for the print job");
    m_file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("print-XXXXXX.pdf"));
    if (!m_file->open()) {
        const QString why = m_file->errorString();
        m_file.reset();
        throw EKorvaneError(why);
    }
    m_held = false;
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setTitle(Title);
    m_writer->setCreator(QStringLiteral("Korvane"));
    m_writer->setResolution(PdfResolution);
    m_writer->setPageLayout(QPageLayout(
        QPageSize(QSizeF(m_width / 10.0, m_height / 10.0), QPageSize::Millimeter, QString(),
                  QPageSize::ExactMatch),
        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_painter.reset();
        m_writer.reset();
        m_file.reset();
        throw EKorvaneError("Printer is not currently printing");
    }
    m_painter->setWindow(0, 0, m_width, m_height);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Labels carry text and fine lines: pages go into the PDF without lossy compression.
    m_painter->setRenderHint(QPainter::LosslessImageRendering, true);
    m_pages = 1;
    m_printing = true;
}

void TPrintDocument::NewPage()
{
    if (!m_printing)
        throw EKorvaneError("Printer is not currently printing");
    m_writer->newPage();
    m_painter->setWindow(0, 0, m_width, m_height);
    ++m_pages;
}

void TPrintDocument::EndDoc()
{
    if (!m_printing)
        throw EKorvaneError("Printer is not currently printing");
    m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_printing = false;
    // The file goes when the document ends, whatever becomes of it.
    const std::unique_ptr<QTemporaryFile> file = std::move(m_file);
    if (!file->flush())
        throw EKorvaneError(file->errorString());
    QString error;
    if (!m_target.PdfFile.isEmpty()) {
        if (!CopyFileAtomic(file->fileName(), m_target.PdfFile, &error))
            throw EKorvaneError(error);
        return;
    }
    // The job prints its copies as pages of its own; the queue gets one copy.
    if (!SubmitPdfJob(m_target.Device, Title, file->fileName(), 1, m_target.Collate, m_target.Options,
                      &error))
        throw EKorvaneError(error);
    m_held = QueueState(m_target.Device).Paused;
}

void TPrintDocument::Abort()
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    m_writer.reset();
    m_file.reset();
    m_printing = false;
}

bool SubmitPdfJob(const QString& queue, const QString& title, const QString& pdfFile, int copies,
                  bool collate, const TJobOptions& jobOptions, QString* error)
{
    auto fail = [&](const QString& what) {
        if (error)
            *error = what;
        return false;
    };
    QFile pdf(pdfFile);
    if (!pdf.open(QIODevice::ReadOnly))
        return fail(pdf.errorString());
    const QByteArray name = queue.toUtf8();
    const QByteArray jobTitle = title.toUtf8();
    cups_option_t* options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", QByteArray::number(std::max(copies, 1)).constData(), count, &options);
    count = cupsAddOption("collate", collate ? "true" : "false", count, &options);
    for (const auto& [option, value] : jobOptions)
        count = cupsAddOption(option.constData(), value.constData(), count, &options);
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), jobTitle.constData(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0)
        return fail(QString::fromUtf8(cupsLastErrorString()));
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), job, jobTitle.constData(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
        return fail(QString::fromUtf8(cupsLastErrorString()));
    }
    QByteArray chunk(65536, Qt::Uninitialized);
    for (;;) {
        const qint64 got = pdf.read(chunk.data(), chunk.size());
        if (got == 0)
            break;
        if (got < 0 ||
            cupsWriteRequestData(CUPS_HTTP_DEFAULT, chunk.constData(), size_t(got)) != HTTP_STATUS_CONTINUE) {
            const QString why = got < 0 ? pdf.errorString() : QString::fromUtf8(cupsLastErrorString());
            cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
            cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
            return fail(why);
        }
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK)
        return fail(QString::fromUtf8(cupsLastErrorString()));
    return true;
}
