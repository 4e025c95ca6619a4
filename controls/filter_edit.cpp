#include "controls/filter_edit.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

namespace {

// Rows the grid starts with and grows by, header row included in the first.
constexpr int kRowStep = 10;

// "|" separates the names and patterns in the saved filter, so a cell cannot hold one: typed or
// pasted, it is refused before it reaches the cell.
class NoBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^|]*")), line));
        return editor;
    }
};

} // namespace

TFilterPropsDlg::TFilterPropsDlg(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FilterPropsDlg"));
    setWindowTitle(QStringLiteral("Filter Editor"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);
    setFixedSize(479, 342);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 463, 289);

    FilterGrid = new QTableWidget(kRowStep, 2, this);
    FilterGrid->setObjectName(QStringLiteral("FilterGrid"));
    FilterGrid->setFrameShape(QFrame::NoFrame);
    FilterGrid->setGeometry(10, 10, 459, 285);
    FilterGrid->setHorizontalHeaderLabels({QStringLiteral("Filter Name"), QStringLiteral("Filter")});
    FilterGrid->verticalHeader()->setVisible(false);
    FilterGrid->setItemDelegate(new NoBarDelegate(FilterGrid));
    FilterGrid->verticalHeader()->setDefaultSectionSize(20);
    FilterGrid->horizontalHeader()->setStretchLastSection(true);
    FilterGrid->setColumnWidth(0, 180);
    FilterGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(316, 308, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(396, 308, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TFilterPropsDlg::Cells(int col, int row) const
{
    if (row == 0) {
        const QTableWidgetItem* header = FilterGrid->horizontalHeaderItem(col);
        return header ? header->text() : QString();
    }
    const QTableWidgetItem* item = FilterGrid->item(row - 1, col);
    return item ? item->text() : QString();
}

void TFilterPropsDlg::SetCells(int col, int row, const QString& text)
{
    if (row == 0) {
        FilterGrid->setHorizontalHeaderItem(col, new QTableWidgetItem(text));
        return;
    }
    if (QTableWidgetItem* item = FilterGrid->item(row - 1, col))
        item->setText(text);
    else
        FilterGrid->setItem(row - 1, col, new QTableWidgetItem(text));
}

int TFilterPropsDlg::RowCount() const
{
    return FilterGrid->rowCount() + 1;
}

void TFilterPropsDlg::SetRowCount(int rows)
{
    FilterGrid->setRowCount(std::max(rows, 2) - 1);
}

void TFilterPropsDlg::FormShow()
{
    FilterGrid->clearContents();
    const QStringList pieces = (m_filter + QLatin1Char('|')).split(QLatin1Char('|'));
    // The appended "|" leaves one empty piece after the last real one.
    int row = 1;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2, ++row) {
        if (row >= RowCount())
            SetRowCount(RowCount() + kRowStep);
        SetCells(0, row, pieces.at(i));
        SetCells(1, row, pieces.at(i + 1));
    }
}

void TFilterPropsDlg::OKBtnClick()
{
    // Moving the current cell away commits a cell still being typed into.
    FilterGrid->setCurrentIndex(QModelIndex());
    QString result;
    for (int row = 1; row < RowCount(); ++row) {
        // A name or pattern of blanks alone counts as missing, as an empty one does.
        const QString name = Cells(0, row).trimmed();
        const QString pattern = Cells(1, row).trimmed();
        if (name.isEmpty() || pattern.isEmpty())
            continue;
        result += name + QLatin1Char('|') + pattern + QLatin1Char('|');
    }
    result.chop(1);
    m_filter = result;
    accept();
}

void TFilterPropsDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}
