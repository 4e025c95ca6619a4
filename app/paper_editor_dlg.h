#pragma once
// The paper editor: texts, sheet size, label shape, label positions, extra lines and other
// shapes of one paper type, on a working copy with a live sample, written back on Apply or OK.
#include "platform/up_down.h"

#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TCanvas;
class TSamplePaintBox;
struct PaperType;

// Limits of the three counts.
constexpr int MinShapeCount = 1, MaxShapeCount = 100;
constexpr int MinExtraLineCount = 0, MaxExtraLineCount = 20;
constexpr int MinOtherShapeCount = 0, MaxOtherShapeCount = 100;

class TPaperEditorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPaperEditorDlg(QWidget* owner = nullptr);
    ~TPaperEditorDlg() override;

    TSamplePaintBox* PaintBox;
    QTabWidget* PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4;
    QLabel *Label4, *Label5, *Label6, *Label8, *Label9, *Label10;
    QLineEdit *Edit2, *Edit3, *Edit4, *Edit6, *Edit7;
    QPlainTextEdit* Memo1;
    QLabel *Label11, *Label12, *Label13, *Label14, *Label15;
    QComboBox* ComboBox1;
    QLineEdit* ShapeCountEdit;
    TUpDown* UpDown2;
    QLineEdit *Edit9, *Edit10, *Edit11;
    QGroupBox* GroupBox1;
    QPlainTextEdit* ShapeInfoMemo;
    QPushButton* ShapeInfoEditBtn;
    QLabel* Label26;
    QLineEdit* ExtraLineCountEdit;
    TUpDown* UpDown3;
    QGroupBox* GroupBox2;
    QPlainTextEdit* ExtraLineInfoMemo;
    QPushButton* ExtraLineInfoEditBtn;
    QLabel* Label45;
    QLineEdit* OtherShapeCountEdit;
    TUpDown* UpDown4;
    QGroupBox* GroupBox4;
    QPlainTextEdit* OtherShapeInfoMemo;
    QPushButton* OtherShapeInfoEditBtn;
    QPushButton *OkBtn, *ApplyBtn, *CancelBtn, *DefaultBtn;

    // The dialog's own copy; TargetPaper is the record Apply and OK write to.
    std::unique_ptr<PaperType> WorkingPaper;
    PaperType* TargetPaper = nullptr;
    int32_t ShapeCountApplied = 0;
    int32_t ExtraLineCountApplied = 0;
    int32_t OtherShapeCountApplied = 0;
    bool Filled = false;

    // Must be called before the dialog is shown. Shipped papers get the page-setup
    // restriction and the Default button.
    void SetPaper(PaperType* paper);
    // Only the label positions stay editable.
    void ApplyPageSetupRestriction();

    void FillControls();
    // Controls -> WorkingPaper; false, with WorkingPaper as it was, when a size is refused.
    bool ApplyToPaper();
    void UpdateMemoScrollBars(QPlainTextEdit* memo);

    void PaintBoxPaint(TCanvas* canvas);
    void ShapeCountEditChange();
    void ExtraLineCountEditChange();
    void OtherShapeCountEditChange();
    // False when a size was refused.
    bool ApplyBtnClick();
    void OkBtnClick();
    void ShapeInfoEditBtnClick(QObject* sender);
    void DefaultBtnClick();
    void ComboBox1Change();
    bool FormHelp(uint16_t command, int data, bool& callHelp);

private:
    void countChanged(int list);
    void fitTexts();
};

// Opens the editor on paper with owner as owner and returns its modal result; with
// pageSetup only the label positions can be changed.
int RunPaperEditor(QWidget* owner, PaperType* paper, bool pageSetup = false);
