// The shell combo box: the places, the chain down to the selected folder, choosing an entry,
// and a drop-down that always shows a row.
#include "shellcontrols/image_combo.h"
#include "shellcontrols/shell_tree.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

namespace {

QStringList Entries(TNSShellCombo& combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << QString(combo.ImageComboItem(i)->Indent(), QLatin1Char('>')) + combo.itemText(i);
    return out;
}

} // namespace

TEST(ShellComboTest, ListsThePlacesAndTheChainToTheFolder)
{
    const QString dir = testsupport::freshDir(QStringLiteral("combo/deep/er"));
    TNSShellCombo combo;
    ASSERT_GE(combo.count(), 4);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(Entries(combo).mid(0, 2), QStringList({QStringLiteral("Desktop"), QStringLiteral(">Home")}));
    EXPECT_TRUE(Entries(combo).contains(QStringLiteral(">>/")));   // the root drive below Computer

    combo.SelectedFolder.SetPathName(dir);
    const int current = combo.currentIndex();
    ASSERT_GT(current, 0);
    EXPECT_EQ(combo.itemText(current), QStringLiteral("er"));
    EXPECT_EQ(ShellGetPathFromIdList(combo.ItemIdList(current)), dir);
    EXPECT_EQ(combo.itemText(current - 1), QStringLiteral("deep"));
    EXPECT_EQ(combo.ImageComboItem(current)->Indent(), combo.ImageComboItem(current - 1)->Indent() + 1);

    combo.GoUp(1);
    EXPECT_EQ(combo.SelectedFolder.PathName(), QFileInfo(dir).path());
}

TEST(ShellComboTest, DropDownShowsAtLeastOneRow)
{
    QWidget window;
    TNSShellCombo combo(&window);
    window.show();
    const QRect screen = combo.screen()->geometry();
    window.move(0, screen.bottom() - 2);
    QApplication::processEvents();
    EXPECT_GE(combo.DropDownRows(), 1);
    window.move(0, screen.bottom() + 400);
    QApplication::processEvents();
    EXPECT_EQ(combo.DropDownRows(), 1);
    window.move(0, 0);
    QApplication::processEvents();
    EXPECT_GT(combo.DropDownRows(), 1);
}

TEST(ShellComboTest, FollowsALinkedTree)
{
    const QString dir = testsupport::freshDir(QStringLiteral("combo-tree"));
    QWidget window;
    auto* tree = new TNSShellTree(&window);
    TNSShellCombo combo(&window);
    combo.SetShellTree(tree);
    window.show();
    QApplication::processEvents();
    tree->SetSelectedPathName(dir);
    QApplication::processEvents();
    EXPECT_EQ(ShellGetPathFromIdList(combo.ItemIdList(combo.currentIndex())), dir);
    // Choosing the desktop in the box moves the tree there.
    combo.setCurrentIndex(0);
    emit combo.activated(0);
    QApplication::processEvents();
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
}
