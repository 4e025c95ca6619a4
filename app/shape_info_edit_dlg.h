#pragma once
// The table editor behind the paper editor's three Edit buttons: one row of entry fields per
// label position, extra line or other shape, written back on OK.
#include <QDialog>
#include <cstdint>
#include <memory>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QWidget;
struct PaperType;

class TShapeInfoEditDlg : public QDialog {
    Q_OBJECT
public:
    // Which table the rows stand for.
    enum { LabelPositions = 0, ExtraLines = 1, OtherShapes = 2 };

    explicit TShapeInfoEditDlg(QWidget* owner = nullptr);
    ~TShapeInfoEditDlg() override;

    QGroupBox* GroupBox;
    QScrollArea* ScrollBox1;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

    std::unique_ptr<PaperType> EditPaper;
    PaperType* TargetPaper = nullptr;
    int Mode = 0;
    // Ctrl held at the last key-down in an entry field.
    bool LastShift = false;

    // Builds and fills the rows for mode over paper; once, before exec().
    void Setup(int mode, PaperType* paper);
    // The boxes into the paper; false, with the paper as it was, when a value is refused.
    bool StoreValues();
    void OkBtnClick();
    bool FormHelp(uint16_t command, int data, bool& callHelp);

    // The parent of the rows (the scroll box's contents).
    QWidget* Rows() const { return m_rows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* entry(const QString& name) const;
    QComboBox* styleBox(int row) const;
    void addHeader(int left, const QString& text);
    void addRowLabel(const QString& name, int left, int row, const QString& text);
    QLineEdit* addEntry(const QString& name, int left, int row, int helpContext, int width = 50);
    int rowCount() const;

    QWidget* m_rows = nullptr;
};
