#pragma once
// The picture property dialog: the picture of a picture object (load with a preview, paste,
// acquire from the scanner, crop in the picture editor, clear, save as a bitmap), "Stretch In
// Ratio", and on a second page the position and size in tenths of a millimetre.
#include "app/position_boxes.h"
#include "document/main_window_link.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TPicture;

// The other side of a size box kept in the picture's ratio: R((other * value) / side) with the
// product whole and the division in single precision.
int RatioSide(int value, int side, int other);

class TImagePropertyDlg : public QDialog {
    Q_OBJECT
public:
    explicit TImagePropertyDlg(QWidget* owner = nullptr);
    ~TImagePropertyDlg() override;

    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QGroupBox* GroupBox1;
    QFrame* Panel;
    QWidget* PaintBox;
    QCheckBox* StretchInRatioChk;
    QPushButton* LoadBtn;
    QPushButton* ClearBtn;
    QPushButton* PasteBtn;
    QPushButton* EditBtn;
    QPushButton* SavePicBtn;
    QPushButton* AcquireBtn;
    QWidget* TabSheet2;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QLabel* Label5;

    std::unique_ptr<TPicture> Picture;
    QString FileName;

    void FormActivate();
    void WMDrawClipboard();
    void LoadBtnClick();
    void ClearBtnClick();
    void PasteBtnClick();
    void AcquireBtnClick();
    void EditBtnClick();
    void SavePicBtnClick();
    void PaintBoxPaint();
    void PaintBoxDblClick();
    void Edit3Exit(QLineEdit* sender);
    void OKBtnClick();
    bool FormHelp(uint16_t command, int data, bool& callHelp);
    void reject() override;

    // Enables Edit, Save and the size boxes exactly while there is a picture.
    void SetPictureControls();
    const TPositionBoxes& PositionBoxes() const { return m_boxes; }

protected:
    bool event(QEvent* e) override;

private:
    void fitTexts();

    TPositionBoxes m_boxes;
};

// Runs the dialog on request with owner as owner; on OK the picture, the option and the four
// boxes go back into request. True on OK.
bool RunImagePropertyDlg(QWidget* owner, TImagePropertiesRequest& request);
// Runs the picture editor on picture with the main window's state and bounds; true when the
// user cropped and kept the result, which is then in picture.
bool RunImageEditor(QWidget* owner, TPicture& picture);
