#pragma once
// Unit filteredit: the editor of a file dialog's filter string, "Name|Pattern|Name|Pattern",
// as a two-column grid of name and pattern pairs.
#include <QDialog>
#include <QString>

class QFrame;
class QPushButton;
class QTableWidget;

class TFilterPropsDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFilterPropsDlg(QWidget* owner = nullptr);

    QFrame* Bevel1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    // Row 0 of the grid is its header; Cells and RowCount count it, as the grid's rows.
    QTableWidget* FilterGrid;

    // The filter being edited: set before the run, read after OK.
    QString Filter() const { return m_filter; }
    void SetFilter(const QString& filter) { m_filter = filter; }

    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    int RowCount() const;
    void SetRowCount(int rows);

    // Spreads the filter over the grid, one pair a row.
    void FormShow();
    // Gathers the rows that have both a name and a pattern back into the filter; closes with OK.
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_filter;
};
