#pragma once
// The multiple-image print wizard: page 1 chooses a paper type, page 2 assigns an open document
// to each label position of it, shows the sheet so filled, and prints it.
#include "document/paper_type.h"
#include "platform/bitmap.h"
#include "platform/guid.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <memory>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TCanvas;
class TChildFrame;
class TSamplePaintBox;
class CPrintPreviewImage;

// "PrinterWizardPaperID" when nothing (or no GUID text) is stored.
extern const char* const DefaultWizardPaperID;

// The first paper of the tree that the wizard selects at start for stored text: the GUID it
// names, or the default paper when it is no GUID text.
TGUID WizardPaperID(const QString& stored);
// Preview divisor: tenths of a millimetre per pixel of the smallest d >= 7 at which the sheet
// fits a box of boxWidth x boxHeight; 0 when no sheet or no box.
int WizardPreviewDivisor(int paperWidth, int paperLength, int boxWidth, int boxHeight);

class TMultipleImagePrintWizardDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr intptr_t ManufacturerNode = 254;
    static constexpr intptr_t ClassificationNode = 255;

    // owner: the main window; documents: its document windows in window-list order.
    TMultipleImagePrintWizardDlg(QWidget* owner, const QList<TChildFrame*>& documents);
    ~TMultipleImagePrintWizardDlg() override;

    QStackedWidget* PageControl;
    QPushButton* BackBtn;
    QPushButton* NextBtn;
    QPushButton* CancelBtn;
    QWidget* TabSheet1st;
    QLabel* Label1;
    QTreeWidget* TreeView;
    QGroupBox* GroupBox1;
    TSamplePaintBox* PaintBox;
    QWidget* TabSheet2nd;
    QScrollArea* ScrollBox1;
    QLabel* Label2;
    QLabel* Label3;
    QGroupBox* GroupBox2;
    TSamplePaintBox* PaintBox1;
    QScrollArea* ScrollBox2;

    int Execute();

    // The documents as seen at construction, in window-list order.
    const QList<QPointer<TChildFrame>>& Documents() const { return m_documents; }
    // Their pages at 1.2 mm a pixel.
    const std::vector<std::unique_ptr<TBitmap>>& PageBitmaps() const { return m_pages; }
    // Row combo box i belongs to label position i: index 0 none, k document k - 1.
    const std::vector<QComboBox*>& RowComboBoxes() const { return m_rowCombos; }
    const std::vector<QLabel*>& RowLabels() const { return m_rowLabels; }
    TGUID ChosenPaper() const { return m_chosenPaper; }
    std::vector<CPrintPreviewImage*> Tiles() const;

    void PageControlChange();
    void BackBtnClick();
    void NextBtnClick();
    void TreeViewChange(QTreeWidgetItem* node);
    void PaintBoxPaint(TCanvas* canvas);
    void PaintBox1Paint(TCanvas* canvas);
    void BuildAssignmentRows();
    void AssignmentComboChange();
    void ScrollBox2Resize();
    // The Print step of page 2.
    void PrintSheet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillTree();
    QList<QPointer<TChildFrame>> m_documents;
    std::vector<std::unique_ptr<TBitmap>> m_pages;
    std::vector<QLabel*> m_rowLabels;
    std::vector<QComboBox*> m_rowCombos;
    TGUID m_chosenPaper{};
};
