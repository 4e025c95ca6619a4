#pragma once
// The label property dialog: text, font name, size, colour, bold, italic and angle of a label,
// with a sample of the text's first line in that font at that angle.
#include "document/main_window_link.h"
#include "platform/graphics.h"

#include <QDialog>
#include <QPoint>
#include <cstdint>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TCanvas;
class TUpDown;
class TscColorButton;
class TscComboBox;
class TscFontComboBox;

// The point at which the sample text (extent textWidth x textHeight, rotated by angle degrees)
// is drawn so that its rotated box lies centred in a box of boxWidth x boxHeight.
QPoint SampleTextOrigin(int angle, int textWidth, int textHeight, int boxWidth, int boxHeight);

class TLabelPropertyDlg : public QDialog {
    Q_OBJECT
public:
    explicit TLabelPropertyDlg(QWidget* owner = nullptr);
    ~TLabelPropertyDlg() override;

    QGroupBox* GroupBox1;
    QLabel* Label2;
    QFrame* Panel;
    QWidget* PaintBox;
    QLabel* Label4;
    TscFontComboBox* FontName;
    QLabel* Label5;
    TscComboBox* FontSize;
    QLabel* Label6;
    TscColorButton* FontColor;
    QToolButton* FontBold;
    QToolButton* FontItalic;
    QLabel* Label1;
    QPlainTextEdit* Edit;
    QLabel* Label3;
    QLineEdit* Angle;
    TUpDown* AngleUpDown;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // The font being edited (the sample panel's font).
    TFont* SampleFont;

    void FontNameChange(QObject* sender);
    void PaintBoxPaint(TCanvas* canvas);
    // Escape closes as Cancel; a one-line memo repaints the sample as it is typed.
    void EditKeyDown(QObject* sender, int& key, unsigned shift);
    bool FormHelp(uint16_t command, int data, bool& callHelp);

    // What the last sample paint drew: the text and where.
    QString SampleText() const { return m_sampleText; }
    QPoint SampleOrigin() const { return m_sampleOrigin; }

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitTexts();
    TFont m_panelFont;
    QString m_sampleText;
    QPoint m_sampleOrigin;
    bool m_inChange = false;
};

// Runs the dialog modally on request with owner as owner: fills it, and on OK writes the
// memo, the sample font, the angle and the two style buttons back. True on OK.
bool RunLabelPropertyDlg(QWidget* owner, TLabelPropertiesRequest& request);
