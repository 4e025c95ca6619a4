#pragma once
// The print dialog hosted in a form: the standard items (printer with its status and
// properties, print range, copies and collate, OK and Cancel) are this panel's children and sit
// at the top-left of the form that carries it; the form adds its own controls around them.
// Execute runs the form modally; OK hands the chosen printer, copies and collate to the
// printer object. Every standard item is reached by its Windows identifier (DialogItem).
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

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

// The Windows PRINTDLG flags that options and properties stand for.
unsigned PrintDialogFlags(unsigned options, TPrintRange range, bool collate, bool printToFile);

class TFormPrintCommDialog : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // parent: the form that carries the dialog.
    explicit TFormPrintCommDialog(QWidget* parent = nullptr);
    ~TFormPrintCommDialog() override;

    // ---- published ----
    int DlgBaseUnits = 1048584;
    bool Collate = false;
    int Copies = 0;
    int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
    unsigned Options = 0;
    bool PrintToFile = false;
    TPrintRange PrintRange = prAllPages;
    TNotifyEvent OnShow;
    void SetOkButtonCaption(const QString& caption);
    void SetCancelButtonCaption(const QString& caption);

    // Stores copies and sets the printer object's copies.
    void SetNumCopies(int copies);
    // Runs the carrying form modally; true when the user pressed OK.
    bool Execute();

    // The standard item with Windows identifier id; nullptr for an unknown identifier.
    QWidget* DialogItem(int id) const;
    // Item id's rectangle in the form's coordinates.
    QRect DialogItemRect(int id) const;
    // The form the dialog runs (its window) while Execute runs, else nullptr.
    QDialog* FrameHandle() const { return m_frame; }

private:
    void fillPrinters();
    void printerChanged(int index);
    void propertiesClick();
    void rangeChanged();

    QGroupBox* m_printerGroup;
    QLabel *m_nameLabel, *m_statusCaption, *m_typeCaption, *m_whereCaption, *m_commentCaption;
    QComboBox* m_printerName;
    QPushButton* m_properties;
    QLabel *m_status, *m_type, *m_where, *m_comment;
    QGroupBox* m_rangeGroup;
    QRadioButton *m_all, *m_pages, *m_selection;
    QLabel *m_fromLabel, *m_toLabel;
    QLineEdit *m_from, *m_to;
    QGroupBox* m_copiesGroup;
    QLabel* m_copiesLabel;
    QSpinBox* m_copies;
    QCheckBox* m_collate;
    QPushButton *m_ok, *m_cancel;
    QPointer<QDialog> m_frame;
};
