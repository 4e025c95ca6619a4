#pragma once
// The colour property dialog of rectangles and ellipses: outline colour, fill colour and line
// width on a sample shape, and on a second page the position and size in tenths of a millimetre.
#include "app/position_boxes.h"
#include "document/main_window_link.h"
#include "platform/graphics.h"
#include "platform/shape.h"

#include <QDialog>
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TUpDown;
class TscColorButton;

class TColorPropertyDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int MinLineWidth = 1;
    static constexpr int MaxLineWidth = 100;

    explicit TColorPropertyDlg(QWidget* owner = nullptr);
    ~TColorPropertyDlg() override;

    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QGroupBox* GroupBox1;
    TShape* TempShape;
    QLabel* Label1;
    TscColorButton* OutLineBtn;
    QLabel* Label2;
    TscColorButton* CoreBtn;
    QLabel* Label3;
    QLineEdit* LineWidthEdit;
    TUpDown* UpDown;
    QWidget* TabSheet2;
    QGroupBox* GroupBox2;
    QLabel* Label7;
    QLineEdit* Edit1;
    QLabel* Label4;
    QLineEdit* Edit2;
    QLabel* Label6;
    QLineEdit* Edit3;
    QLabel* Label5;
    QLineEdit* Edit4;
    QLabel* Label8;

    void LineWidthEditChange();
    void OutLineBtnColorChange();
    void CoreBtnColorChange();
    void OKBtnClick();
    bool FormHelp(uint16_t command, int data, bool& callHelp);
    void reject() override;

    const TPositionBoxes& PositionBoxes() const { return m_boxes; }

private:
    void fitTexts();

    TPositionBoxes m_boxes;
};

// Runs the dialog modally on request with owner as owner; on OK the sample's pen width, pen
// colour and brush colour and the four boxes go back into request. True on OK.
bool RunColorPropertyDlg(QWidget* owner, TColorPropertiesRequest& request);
