#include "platform/printer.h"

#include "platform/file_utils.h"
#include "platform/message_box.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace {

// PDF resolution: fine enough that sheet placement is exact to 0.1 mm.
constexpr int PdfResolution = 1200;

QPrinterInfo InfoOf(const QString& name)
{
    return QPrinterInfo::printerInfo(name);
}

} // namespace

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

static bool IsPdfIndex(const TPrinter& p, int index)
{
    const QStringList names = p.Printers();
    return !p.PdfFile().isEmpty() && index == names.size() - 1;
}

QString TPrinter::Status(int index) const
{
    if (index < 0 || index >= Printers().size())
        return QString();
    if (IsPdfIndex(*this, index))
        return QStringLiteral("Ready");
    switch (InfoOf(Printers()[index]).state()) {
    case QPrinter::Idle: return QStringLiteral("Ready");
    case QPrinter::Active: return QStringLiteral("Printing");
    case QPrinter::Aborted: return QStringLiteral("Stopped");
    case QPrinter::Error: return QStringLiteral("Error");
    }
    return QString();
}

QString TPrinter::Location(int index) const
{
    if (index < 0 || index >= Printers().size())
        return QString();
    if (IsPdfIndex(*this, index))
        return m_pdfFile;
    return InfoOf(Printers()[index]).location();
}

QString TPrinter::Comment(int index) const
{
    if (index < 0 || index >= Printers().size() || IsPdfIndex(*this, index))
        return QString();
    return InfoOf(Printers()[index]).description();
}

QString TPrinter::MakeAndModel(int index) const
{
    if (index < 0 || index >= Printers().size())
        return QString();
    if (IsPdfIndex(*this, index))
        return QStringLiteral("Portable Document Format");
    return InfoOf(Printers()[index]).makeAndModel();
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

TPrinterTarget TPrinter::Target() const
{
    TPrinterTarget t;
    const int i = PrinterIndex();
    if (i >= 0) {
        t.Device = Printers()[i];
        t.Port = Port();
        if (IsPdfIndex(*this, i))
            t.PdfFile = m_pdfFile;
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
    m_buffer = std::make_unique<QBuffer>();
    m_buffer->open(QIODevice::WriteOnly);
    m_writer = std::make_unique<QPdfWriter>(m_buffer.get());
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
        m_buffer.reset();
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
    const QByteArray pdf = m_buffer->data();
    m_buffer.reset();
    QString error;
    if (!m_target.PdfFile.isEmpty()) {
        if (!WriteFileAtomic(m_target.PdfFile, pdf, &error))
            throw EKorvaneError(error);
        return;
    }
    // The job prints its copies as pages of its own; the queue gets one copy.
    if (!SubmitPdfJob(m_target.Device, Title, pdf, 1, m_target.Collate, &error))
        throw EKorvaneError(error);
}

void TPrintDocument::Abort()
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    m_writer.reset();
    m_buffer.reset();
    m_printing = false;
}

bool SubmitPdfJob(const QString& queue, const QString& title, const QByteArray& pdf, int copies,
                  bool collate, QString* error)
{
    auto fail = [&](const QString& what) {
        if (error)
            *error = what;
        return false;
    };
    const QByteArray name = queue.toUtf8();
    const QByteArray jobTitle = title.toUtf8();
    cups_option_t* options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", QByteArray::number(std::max(copies, 1)).constData(), count, &options);
    count = cupsAddOption("collate", collate ? "true" : "false", count, &options);
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), jobTitle.constData(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0)
        return fail(QString::fromUtf8(cupsLastErrorString()));
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), job, jobTitle.constData(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
        return fail(QString::fromUtf8(cupsLastErrorString()));
    }
    qsizetype sent = 0;
    while (sent < pdf.size()) {
        const size_t chunk = size_t(std::min<qsizetype>(pdf.size() - sent, 65536));
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData() + sent, chunk) != HTTP_STATUS_CONTINUE) {
            cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
            cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), job, 0);
            return fail(QString::fromUtf8(cupsLastErrorString()));
        }
        sent += qsizetype(chunk);
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK)
        return fail(QString::fromUtf8(cupsLastErrorString()));
    return true;
}
