#include "controls/filter_edit.h"
#include "support/dialog_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

QString filterOfRows(const std::vector<std::pair<const char*, const char*>>& rows)
{
    TFilterPropsDlg dlg;
    dlg.show();
    for (size_t i = 0; i < rows.size(); ++i) {
        dlg.SetCells(0, int(i) + 1, QString::fromLatin1(rows[i].first));
        dlg.SetCells(1, int(i) + 1, QString::fromLatin1(rows[i].second));
    }
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    return dlg.Filter();
}

// Opens the cell's editor and types text into it.
void typeInto(TFilterPropsDlg* dlg, int tableRow, int col, const QString& text)
{
    QTableWidget* grid = dlg->FilterGrid;
    const QModelIndex index = grid->model()->index(tableRow, col);
    grid->setCurrentIndex(index);
    grid->edit(index);
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    EXPECT_NE(editor, nullptr);
    if (editor)
        QTest::keyClicks(editor, text);
}

} // namespace

TEST(FilterEditor, FormAndHeader)
{
    TFilterPropsDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Filter Editor"));
    EXPECT_EQ(dlg.size(), QSize(479, 342));
    EXPECT_EQ(dlg.Cells(0, 0), QStringLiteral("Filter Name"));
    EXPECT_EQ(dlg.Cells(1, 0), QStringLiteral("Filter"));
    EXPECT_EQ(dlg.FilterGrid->columnCount(), 2);
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    testsupport::ExpectChildrenInside(&dlg);
    testsupport::ExpectCaptionFits(dlg.OKBtn);
    testsupport::ExpectCaptionFits(dlg.CancelBtn);
}

TEST(FilterEditor, LoadsPairsRowByRow)
{
    TFilterPropsDlg dlg;
    dlg.SetFilter(QStringLiteral("Bitmaps (*.bmp)|*.bmp|All files (*.*)|*.*"));
    dlg.show();
    EXPECT_EQ(dlg.Cells(0, 1), QStringLiteral("Bitmaps (*.bmp)"));
    EXPECT_EQ(dlg.Cells(1, 1), QStringLiteral("*.bmp"));
    EXPECT_EQ(dlg.Cells(0, 2), QStringLiteral("All files (*.*)"));
    EXPECT_EQ(dlg.Cells(1, 2), QStringLiteral("*.*"));
    EXPECT_EQ(dlg.Cells(0, 3), QString());

    // A name without its pattern still shows, alone in its row.
    dlg.hide();
    dlg.SetFilter(QStringLiteral("Text|*.txt|Orphan"));
    dlg.show();
    EXPECT_EQ(dlg.Cells(0, 2), QStringLiteral("Orphan"));
    EXPECT_EQ(dlg.Cells(1, 2), QString());
    EXPECT_EQ(dlg.Cells(0, 1), QStringLiteral("Text"));
}

TEST(FilterEditor, DropsHalfFilledRows)
{
    const struct {
        std::vector<std::pair<const char*, const char*>> rows;
        const char* expected;
    } cases[] = {
        {{{"Text", "*.txt"}, {"Name only", ""}, {"", "*.pattern-only"}, {"All", "*.*"}},
         "Text|*.txt|All|*.*"},
        {{{"  Padded  ", "\t*.p  "}}, "Padded|*.p"},
        {{{"   ", "*.x"}, {"Blank pattern", "  "}}, ""}, // blanks alone count as empty
        {{{"", ""}, {"", ""}, {"Late", "*.l"}}, "Late|*.l"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filterOfRows(c.rows), QString::fromLatin1(c.expected)) << c.expected;
}

TEST(FilterEditor, GrowsForLongFilters)
{
    QStringList pairs;
    for (int i = 1; i <= 25; ++i)
        pairs << QStringLiteral("Kind %1").arg(i) << QStringLiteral("*.k%1").arg(i);
    const QString filter = pairs.join(QLatin1Char('|'));

    TFilterPropsDlg dlg;
    const int startRows = dlg.RowCount();
    ASSERT_LT(startRows, 26);
    dlg.SetFilter(filter);
    dlg.show();
    EXPECT_GE(dlg.RowCount(), 26);
    EXPECT_EQ((dlg.RowCount() - startRows) % 10, 0); // ten rows at a time
    EXPECT_EQ(dlg.Cells(0, 25), QStringLiteral("Kind 25"));
    EXPECT_EQ(dlg.Cells(1, 25), QStringLiteral("*.k25"));
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.Filter(), filter);
}

TEST(FilterEditor, CellStillOpenCountsOnOK)
{
    TFilterPropsDlg dlg;
    dlg.SetFilter(QStringLiteral("Text|*.txt"));
    bool ran = false;
    testsupport::WhenShown<TFilterPropsDlg>([&ran](TFilterPropsDlg* d) {
        ran = true;
        typeInto(d, 1, 0, QStringLiteral("Pictures"));
        typeInto(d, 1, 1, QStringLiteral("*.png"));
        // OK while the last cell is still open.
        d->OKBtn->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_TRUE(ran);
    EXPECT_EQ(dlg.Filter(), QStringLiteral("Text|*.txt|Pictures|*.png"));
}

TEST(FilterEditor, CellsRefuseTheSeparator)
{
    // A "|" inside a name or pattern would shift every later pair of the saved filter.
    TFilterPropsDlg dlg;
    dlg.SetFilter(QStringLiteral("Text|*.txt|All|*.*"));
    testsupport::WhenShown<TFilterPropsDlg>([](TFilterPropsDlg* d) {
        typeInto(d, 0, 0, QStringLiteral("|Plain|"));
        typeInto(d, 0, 1, QStringLiteral("|*.asc"));
        d->OKBtn->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.Filter(), QStringLiteral("Plain|*.asc|All|*.*"));
    dlg.SetFilter(dlg.Filter());
    testsupport::WhenShown<TFilterPropsDlg>([](TFilterPropsDlg* d) { d->OKBtn->click(); });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.Filter(), QStringLiteral("Plain|*.asc|All|*.*"));
}

TEST(FilterEditor, CancelKeepsTheFilter)
{
    TFilterPropsDlg dlg;
    dlg.SetFilter(QStringLiteral("Text|*.txt"));
    testsupport::WhenShown<TFilterPropsDlg>([](TFilterPropsDlg* d) {
        d->SetCells(0, 1, QStringLiteral("Changed"));
        d->CancelBtn->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(dlg.Filter(), QStringLiteral("Text|*.txt"));
}
