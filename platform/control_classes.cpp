#include "platform/control_classes.h"

#include <QMetaObject>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>
#include <cstring>
#include <iterator>

const char kWidgetCharsetProperty[] = "korvaneCharset";

namespace {

const char kClassProperty[] = "korvaneControlClass";

struct ClassRow {
    ControlClass cls;
    const char* name;
    bool hasChildren;  // the framework class holds child controls
};

const ClassRow kClasses[] = {
    {ControlClass::TForm, "TForm", true},
    {ControlClass::TToolBar, "TToolBar", true},
    {ControlClass::TLabel, "TLabel", false},
    {ControlClass::TButton, "TButton", false},
    {ControlClass::TSpeedButton, "TSpeedButton", false},
    {ControlClass::TRadioButton, "TRadioButton", false},
    {ControlClass::TRadioGroup, "TRadioGroup", true},
    {ControlClass::TCheckBox, "TCheckBox", false},
    {ControlClass::TGroupBox, "TGroupBox", true},
    {ControlClass::TEdit, "TEdit", false},
    {ControlClass::TMemo, "TMemo", false},
    {ControlClass::TStaticText, "TStaticText", false},
    {ControlClass::TComboBox, "TComboBox", false},
    {ControlClass::TPanel, "TPanel", true},
    {ControlClass::TListBox, "TListBox", false},
    {ControlClass::TListView, "TListView", false},
    {ControlClass::TTreeView, "TTreeView", false},
    {ControlClass::TPageControl, "TPageControl", true},
    {ControlClass::TTabSheet, "TTabSheet", true},
    {ControlClass::TSBVertListView, "TSBVertListView", false},
    {ControlClass::TSBOutHeader, "TSBOutHeader", true},
    {ControlClass::TNSShellCombo, "TNSShellCombo", false},
    {ControlClass::TNSShellList, "TNSShellList", false},
    {ControlClass::TNSShellTree, "TNSShellTree", false},
    {ControlClass::TImage, "TImage", false},
    {ControlClass::TPaintBox, "TPaintBox", false},
    {ControlClass::TScrollBox, "TScrollBox", true},
};

// The Qt class that stands for each framework class. Qt classes not listed stand for none.
struct QtRow {
    const char* qtClass;
    ControlClass cls;
};

const QtRow kQtClasses[] = {
    {"QDialog", ControlClass::TForm},
    {"QMainWindow", ControlClass::TForm},
    {"QToolBar", ControlClass::TToolBar},
    {"QLabel", ControlClass::TLabel},
    {"QPushButton", ControlClass::TButton},
    {"QToolButton", ControlClass::TSpeedButton},
    {"QRadioButton", ControlClass::TRadioButton},
    {"QCheckBox", ControlClass::TCheckBox},
    {"QGroupBox", ControlClass::TGroupBox},
    {"QLineEdit", ControlClass::TEdit},
    {"QPlainTextEdit", ControlClass::TMemo},
    {"QComboBox", ControlClass::TComboBox},
    {"QFontComboBox", ControlClass::TComboBox},
    {"QFrame", ControlClass::TPanel},
    {"QListWidget", ControlClass::TListBox},
    {"QListView", ControlClass::TListView},
    {"QTreeWidget", ControlClass::TTreeView},
    {"QTreeView", ControlClass::TTreeView},
    {"QTabWidget", ControlClass::TPageControl},
    {"QScrollArea", ControlClass::TScrollBox},
};

// Qt widgets whose children are their own private parts, never framework controls.
const char* const kCompositeQtClasses[] = {
    "QAbstractSpinBox", "QAbstractItemView", "QTextEdit", "QPlainTextEdit", "QComboBox",
    "QLineEdit", "QAbstractButton", "QAbstractSlider", "QTabBar", "QMdiArea", "QMenu",
};

const ClassRow* RowOf(ControlClass cls)
{
    for (const ClassRow& row : kClasses)
        if (row.cls == cls)
            return &row;
    return nullptr;
}

ControlClass ByFrameworkName(const char* name)
{
    for (const ClassRow& row : kClasses)
        if (std::strcmp(row.name, name) == 0)
            return row.cls;
    return ControlClass::None;
}

bool IsTabPage(const QWidget* w)
{
    const QWidget* stack = w->parentWidget();
    return stack && qobject_cast<const QStackedWidget*>(stack) && stack->parentWidget()
        && qobject_cast<const QTabWidget*>(stack->parentWidget());
}

} // namespace

QString ControlClassName(ControlClass cls)
{
    const ClassRow* row = RowOf(cls);
    return row ? QString::fromLatin1(row->name) : QString();
}

ControlClass ControlClassFromName(const QString& name)
{
    return ByFrameworkName(name.toLatin1().constData());
}

ControlClass ControlClassOf(const QWidget* w)
{
    if (!w)
        return ControlClass::None;
    const QVariant set = w->property(kClassProperty);
    if (set.isValid()) {
        const int v = set.toInt();
        return RowOf(static_cast<ControlClass>(v)) ? static_cast<ControlClass>(v) : ControlClass::None;
    }
    for (const QMetaObject* mo = w->metaObject(); mo; mo = mo->superClass()) {
        const char* name = mo->className();
        const ControlClass framework = ByFrameworkName(name);
        if (framework != ControlClass::None)
            return framework;
        if (name[0] != 'Q')
            continue;  // a class of the program: its Qt base decides
        for (const QtRow& row : kQtClasses)
            if (std::strcmp(row.qtClass, name) == 0)
                return row.cls;
        if (std::strcmp(name, "QWidget") == 0 && IsTabPage(w))
            return ControlClass::TTabSheet;
        return ControlClass::None;  // the nearest Qt class stands for no framework class
    }
    return ControlClass::None;
}

void SetControlClass(QWidget* w, ControlClass cls)
{
    if (w)
        w->setProperty(kClassProperty, static_cast<int>(cls));
}

bool HasChildControls(const QWidget* w)
{
    if (!w)
        return false;
    const ControlClass cls = ControlClassOf(w);
    if (cls != ControlClass::None)
        return RowOf(cls)->hasChildren;
    for (const char* composite : kCompositeQtClasses)
        if (w->inherits(composite))
            return false;
    return true;
}

int WidgetCharset(const QWidget* w)
{
    const QVariant v = w ? w->property(kWidgetCharsetProperty) : QVariant();
    return v.isValid() ? v.toInt() : DEFAULT_CHARSET;
}

void SetWidgetCharset(QWidget* w, int charset)
{
    if (w)
        w->setProperty(kWidgetCharsetProperty, charset);
}
