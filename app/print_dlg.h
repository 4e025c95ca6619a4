#pragma once
// The print dialog: the hosted print panel (printer, copies, collate) with the label options
// around it: the label positions to print, outline, core mask, resolution, colour or greyscale,
// a layout preview of the sheet, Page Setup and Print Preview. Its owner is a document window
// or the multiple-image print wizard.
#include "document/paper_type.h"
#include "platform/guid.h"

#include <QDialog>
#include <QPointer>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class TCanvas;
class TChildFrame;
class TFormPrintCommDialog;
class TMultipleImagePrintWizardDlg;
class TSamplePaintBox;
struct TPrintOptions;

class TPagePrintDlg : public QDialog {
    Q_OBJECT
public:
    // owner: a document window or the print wizard.
    explicit TPagePrintDlg(QWidget* owner);
    ~TPagePrintDlg() override;

    TFormPrintCommDialog* PD;
    QGroupBox* GroupBox;
    TSamplePaintBox* PaintBox;
    QCheckBox* CheckBoxFull;
    QCheckBox* CheckBoxOutLine;
    QPushButton* PageSetupBtn;
    QComboBox* ResolutionComboBox;
    QLabel* Label1;
    QLabel* Label2;
    QComboBox* PrintStyleComboBox;
    QPushButton* PreviewBtn;
    QScrollArea* ScrollBox1;
    QCheckBox* CheckBoxMaskCore;

    int32_t PageMode = 0;
    // The catalogue record of the owner's paper (first match); nullptr when the catalogue has
    // none, and then Execute refuses with a message.
    PaperType* CatalogPaper = nullptr;

    // True when the user confirmed; the position ticks reach CatalogPaper only then.
    bool Execute();
    // The options chosen, read after Execute returned true.
    TPrintOptions Options() const;
    // The per-position check box i ("pC" + i), nullptr when there is none.
    QCheckBox* PositionBox(int i) const;

    void PDShow();
    void CheckBoxFullClick();
    void CheckBoxMaskCoreClick() {}
    void PaintBoxPaint(TCanvas* canvas);
    void PageSetupBtnClick();
    void PreviewBtnClick();

private:
    bool positionSelected(int i) const;
    void drawMaskedPositions(TCanvas* canvas, const PaperType& paper);
    TChildFrame* m_document = nullptr;
    TMultipleImagePrintWizardDlg* m_wizard = nullptr;
    // The ticks as they stand in the dialog; written to CatalogPaper on OK.
    std::vector<uint8_t> m_selected;
};

// Runs a print dialog of owner's in pageMode and frees it; options are set on OK. False when
// refused or cancelled, or when the owner went while it ran (the dialog went with it).
bool RunPagePrintDlg(QWidget* owner, int32_t pageMode, TPrintOptions& options);
