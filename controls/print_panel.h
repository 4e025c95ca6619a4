#pragma once
// The print dialog hosted in a form: a panel of the standard items (printer with its status and
// properties, print range, copies and collate, OK and Cancel) over the printers Qt lists, at the
// component's place on the form; the form adds its own controls around them. Every standard
// item is reached by its Windows identifier (DialogItem) while the dialog runs.
#include "controls/host_dialog.h"
#include "platform/printer.h"

#include <QString>

// Windows identifiers of the standard print dialog's items.
enum TPrintDialogItem : int {
    PrintOkItem = 1,
    PrintCancelItem = 2,
    PrintPropertiesItem = 1025,
    PrintCollateItem = 1041,
    PrintAllItem = 1056,
    PrintSelectionItem = 1057,
    PrintPagesItem = 1058,
    PrintRangeGroupItem = 1072,
    PrintCopiesGroupItem = 1073,
    PrintPrinterGroupItem = 1075,
    PrintFromLabelItem = 1089,
    PrintToLabelItem = 1090,
    PrintStatusItem = 1093,
    PrintTypeItem = 1095,
    PrintWhereItem = 1097,
    PrintCommentItem = 1099,
    PrintPrinterNameItem = 1139,
    PrintFromEditItem = 1152,
    PrintToEditItem = 1153,
    PrintCopiesEditItem = 1154,
};

enum TPrintDialogOption : unsigned {
    poPrintToFile = 0x1,
    poPageNums = 0x2,
    poSelection = 0x4,
    poWarning = 0x8,
    poHelp = 0x10,
    poDisablePrintToFile = 0x20,
};

enum TPrintRange : int { prAllPages = 0, prSelection = 1, prPageNums = 2 };

// A queue's state in words of the interface language: ready, printing or paused, whether it
// refuses jobs, and the scheduler's message.
QString PrinterStateText(const TQueueState& state);
// Index into option's values of the one chosen, else of the queue's default, else 0.
int ChosenValueIndex(const TQueueOption& option, const TJobOptions& chosen);
// The printer's Properties sheet: the queue's own options (media size and source, colour mode,
// resolution, duplex) as its scheduler lists them, set to options (else the queue's defaults).
// OK puts every shown choice into options and returns true.
bool RunPrinterProperties(QWidget* owner, const QString& printer, int index, TJobOptions& options);

// The Windows PRINTDLG flags that options and properties stand for.
unsigned PrintDialogFlags(unsigned options, TPrintRange range, bool collate, bool printToFile);

class TFormPrintCommDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    // parent: the form that carries the dialog.
    explicit TFormPrintCommDialog(QWidget* parent = nullptr);
    ~TFormPrintCommDialog() override;

    // ---- published ----
    bool Collate = false;
    int Copies = 0;
    int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
    unsigned Options = 0;
    bool PrintToFile = false;
    TPrintRange PrintRange = prAllPages;

    // Stores copies and sets the printer object's copies.
    void SetNumCopies(int copies);
    QSize FixedSize() const override { return QSize(432, 302); }
    // Runs the carrying form with the print panel; true when the user pressed OK. The printer
    // object takes the chosen printer, copies and collate only then.
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
};
