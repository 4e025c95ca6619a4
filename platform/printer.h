#pragma once
// The printer object: the printers of the system (CUPS, as Qt lists them) and one chosen among
// them, with its copies and collate. A printer whose output is a ".pdf" file counts as an
// installed printer; it is listed when a file has been given to it.
//
// A print job draws its pages through a TPrintDocument made from the printer's choice. The pages
// go into a PDF file in the private temporary folder as they are made; only a job that ends
// normally reaches the printer or the file, so an aborted job never prints anything.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class QPainter;
class QPdfWriter;
class QTemporaryFile;

// Options of a queue's own, chosen for its jobs: IPP attribute names and values as CUPS takes
// them ("media" "iso_a4_210x297mm", "sides" "two-sided-long-edge").
using TJobOptions = std::vector<std::pair<QByteArray, QByteArray>>;

// One option of a queue and the values its scheduler lists for it.
struct TQueueOption {
    QByteArray Name;          // "media", "media-source", "print-color-mode", "printer-resolution", "sides"
    QList<QByteArray> Values; // as a job takes them
    QStringList Texts;        // the scheduler's names for them, in the user's language where it has one
    QByteArray Default;       // the queue's default; empty when it names none
};
// The options media size and source, colour mode, resolution and duplex, in that order, as the
// scheduler lists them for queue; an option the queue does not list is left out.
std::vector<TQueueOption> QueueOptions(const QString& queue);

// A CUPS queue's state as its scheduler reports it now.
struct TQueueState {
    bool Known = false;    // the scheduler answered for the queue
    bool Accepting = true; // takes new jobs
    bool Paused = false;   // holds its jobs until resumed
    bool Printing = false;
    QString Message; // the scheduler's state message; may be empty
};
TQueueState QueueState(const QString& queue);

// Where a job's document goes: a CUPS queue, or a PDF file.
struct TPrinterTarget {
    QString Device;    // the queue's name, or the PDF printer's name
    QString Port;      // the queue's location (its name when it has none), or the PDF file
    QString PdfFile;   // set for the PDF printer
    bool Collate = false;
    int Copies = 1;
    TJobOptions Options; // the queue's own options chosen for the job
};

class TPrinter {
public:
    // Printer names in list order: the system's, then the PDF printer when it has a file.
    QStringList Printers() const;
    // Index into Printers() of the chosen printer: the one chosen last while it is still listed,
    // else the system's default, else the first; -1 when none is installed.
    int PrinterIndex() const;
    void SetPrinterIndex(int index);
    // State, type, location and comment of printer index, as the print panel shows them. The
    // PDF printer is always ready.
    TQueueState State(int index) const;
    QString Location(int index) const;
    QString Comment(int index) const;
    QString MakeAndModel(int index) const;

    // The PDF printer's file; empty takes the PDF printer off the list.
    void SetPdfFile(const QString& path);
    QString PdfFile() const { return m_pdfFile; }
    static QString PdfPrinterName();   // "PDF"
    bool IsPdfPrinter(int index) const;

    int Copies() const { return m_copies; }
    void SetCopies(int copies) { m_copies = copies; }
    bool Collate() const { return m_collate; }
    void SetCollate(bool collate) { m_collate = collate; }

    // Device and port of the chosen printer (GetPrinter); empty when none is installed.
    QString Device() const;
    QString Port() const;
    // The options chosen for a printer's jobs (none chosen: the queue's defaults).
    TJobOptions JobOptions(const QString& printer) const;
    void SetJobOptions(const QString& printer, const TJobOptions& options);
    // The chosen printer with its copies, collate and options, for a job.
    TPrinterTarget Target() const;

private:
    QStringList systemPrinters() const;
    std::vector<std::pair<QString, TJobOptions>> m_options;
    QString m_chosen;
    QString m_pdfFile;
    int m_copies = 1;
    bool m_collate = false;
};

// The one printer object of the program.
TPrinter* Printer();

// One print document, used by one thread at a time (a print job's worker). Logical units of the
// canvas are 0.1 mm from the sheet's top-left corner, y downward.
class TPrintDocument {
public:
    explicit TPrintDocument(const TPrinterTarget& target);
    ~TPrintDocument();
    TPrintDocument(const TPrintDocument&) = delete;
    TPrintDocument& operator=(const TPrintDocument&) = delete;

    QString Title;
    // Begins the document; pages are widthTenths x heightTenths.
    void BeginDoc(int widthTenths, int heightTenths);
    void NewPage();
    QPainter* Canvas() const { return m_painter.get(); }
    bool Printing() const { return m_printing; }
    int PageCount() const { return m_pages; }
    // Ends the document and hands it to the printer or writes the file; raises EKorvaneError
    // with the reason when that fails.
    void EndDoc();
    // After EndDoc: the queue is paused, so the job waits in it.
    bool Held() const { return m_held; }
    // Drops the document: nothing is printed or written.
    void Abort();

private:
    TPrinterTarget m_target;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    int m_width = 0, m_height = 0;
    int m_pages = 0;
    bool m_printing = false;
    bool m_held = false;
};

// Sends a finished PDF file to a CUPS queue as one job with the given title, copies and options;
// error receives the scheduler's reason on failure.
bool SubmitPdfJob(const QString& queue, const QString& title, const QString& pdfFile, int copies,
                  bool collate, const TJobOptions& options, QString* error);
