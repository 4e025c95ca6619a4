#include "platform/control_classes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

TEST(ControlClasses, QtWidgetsStandForTheirFrameworkClasses)
{
    const struct {
        std::function<QWidget*()> make;
        ControlClass cls;
        bool children;
    } cases[] = {
        {[] { return new QDialog; }, ControlClass::TForm, true},
        {[] { return new QMainWindow; }, ControlClass::TForm, true},
        {[] { return new QToolBar; }, ControlClass::TToolBar, true},
        {[] { return new QLabel; }, ControlClass::TLabel, false},
        {[] { return new QPushButton; }, ControlClass::TButton, false},
        {[] { return new QToolButton; }, ControlClass::TSpeedButton, false},
        {[] { return new QRadioButton; }, ControlClass::TRadioButton, false},
        {[] { return new QCheckBox; }, ControlClass::TCheckBox, false},
        {[] { return new QGroupBox; }, ControlClass::TGroupBox, true},
        {[] { return new QLineEdit; }, ControlClass::TEdit, false},
        {[] { return new QPlainTextEdit; }, ControlClass::TMemo, false},
        {[] { return new QComboBox; }, ControlClass::TComboBox, false},
        {[] { return new QFontComboBox; }, ControlClass::TComboBox, false},
        {[] { return new QFrame; }, ControlClass::TPanel, true},
        {[] { return new QListWidget; }, ControlClass::TListBox, false},
        {[] { return new QTreeWidget; }, ControlClass::TTreeView, false},
        {[] { return new QTabWidget; }, ControlClass::TPageControl, true},
        {[] { return new QScrollArea; }, ControlClass::TScrollBox, true},
        // Qt classes that stand for none of the table, though some derive from QFrame.
        {[] { return new QWidget; }, ControlClass::None, true},
        {[] { return new QTextEdit; }, ControlClass::None, false},
        {[] { return new QSpinBox; }, ControlClass::None, false},
        {[] { return new QMdiArea; }, ControlClass::None, false},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QWidget> w(c.make());
        SCOPED_TRACE(w->metaObject()->className());
        EXPECT_EQ(ControlClassOf(w.get()), c.cls);
        EXPECT_EQ(HasChildControls(w.get()), c.children);
    }
    EXPECT_EQ(ControlClassOf(nullptr), ControlClass::None);
}

TEST(ControlClasses, AnExplicitClassOverridesTheQtClass)
{
    QLabel image;
    SetControlClass(&image, ControlClass::TImage);
    EXPECT_EQ(ControlClassOf(&image), ControlClass::TImage);
    QLabel staticText;
    SetControlClass(&staticText, ControlClass::TStaticText);
    EXPECT_EQ(ControlClassOf(&staticText), ControlClass::TStaticText);
    QGroupBox radioGroup;
    SetControlClass(&radioGroup, ControlClass::TRadioGroup);
    EXPECT_EQ(ControlClassOf(&radioGroup), ControlClass::TRadioGroup);
    EXPECT_TRUE(HasChildControls(&radioGroup));

    QWidget garbage;
    garbage.setProperty("korvaneControlClass", 12345);
    EXPECT_EQ(ControlClassOf(&garbage), ControlClass::None);
}

TEST(ControlClasses, PagesOfAPageControlAreTabSheets)
{
    QTabWidget tabs;
    auto* page = new QWidget;
    tabs.addTab(page, QStringLiteral("One"));
    EXPECT_EQ(ControlClassOf(page), ControlClass::TTabSheet);
    EXPECT_TRUE(HasChildControls(page));
    QWidget loose;
    EXPECT_EQ(ControlClassOf(&loose), ControlClass::None);
}

TEST(ControlClasses, NamesAndCharsets)
{
    EXPECT_EQ(ControlClassName(ControlClass::TSBVertListView), QStringLiteral("TSBVertListView"));
    EXPECT_EQ(ControlClassName(ControlClass::None), QString());
    EXPECT_EQ(ControlClassFromName(QStringLiteral("TNSShellTree")), ControlClass::TNSShellTree);
    EXPECT_EQ(ControlClassFromName(QStringLiteral("TBogus")), ControlClass::None);

    QLineEdit edit;
    EXPECT_EQ(WidgetCharset(&edit), DEFAULT_CHARSET);
    SetWidgetCharset(&edit, SHIFTJIS_CHARSET);
    EXPECT_EQ(WidgetCharset(&edit), 128);
    EXPECT_EQ(WidgetCharset(nullptr), DEFAULT_CHARSET);
}

} // namespace
