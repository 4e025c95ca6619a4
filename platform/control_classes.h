#pragma once
// The one table that says which framework control class a Qt widget stands for. Class tests
// of the program (such as the font character set of the interface language) go through it.
#include "platform/graphics.h"

#include <QString>

class QWidget;

enum class ControlClass {
    None, // no framework class of the table (plain containers, ...)
    TForm,
    TToolBar,
    TLabel,
    TButton,
    TSpeedButton,
    TRadioButton,
    TRadioGroup,
    TCheckBox,
    TGroupBox,
    TEdit,
    TMemo,
    TStaticText,
    TComboBox,
    TPanel,
    TListBox,
    TListView,
    TTreeView,
    TPageControl,
    TTabSheet,
    TSBVertListView,
    TSBOutHeader,
    TNSShellCombo,
    TNSShellList,
    TNSShellTree,
    TImage,
    TPaintBox,
    TScrollBox,
};

// "TLabel" for ControlClass::TLabel; "" for None.
QString ControlClassName(ControlClass cls);
ControlClass ControlClassFromName(const QString& name);

// The framework class of w. In order: a class set with SetControlClass wins; then the
// nearest class of w's own inheritance chain that the table knows, either by its framework name (a Qt class named "TSBVertListView") or by the Qt class
// that stands for it (QLabel -> TLabel, QPushButton -> TButton, QLineEdit -> TEdit,
// QPlainTextEdit -> TMemo, QComboBox -> TComboBox, QFrame -> TPanel, QTreeWidget -> TTreeView,
// ...). A plain page of a QTabWidget is a TTabSheet.
ControlClass ControlClassOf(const QWidget* w);
// For widgets whose Qt class is ambiguous (a QLabel that is a TStaticText or a TImage, a
// QGroupBox that is a TRadioGroup, a QWidget that is a form).
void SetControlClass(QWidget* w, ControlClass cls);

// Whether the framework would see child controls inside w (a panel, group box, form, page),
// as opposed to the private parts of a composite Qt widget (a combo box's list, an editor's
// viewport).
bool HasChildControls(const QWidget* w);

// Font character set of a control's font (Qt fonts have none; the constants are TFont's):
// DEFAULT_CHARSET until set.
int WidgetCharset(const QWidget* w);
void SetWidgetCharset(QWidget* w, int charset);
// The dynamic property that holds it: a change arrives as a QDynamicPropertyChangeEvent.
extern const char kWidgetCharsetProperty[];
