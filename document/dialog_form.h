#pragma once
// What the hand-placed dialogs share: named controls, help contexts by table, buttons that grow
// for their captions, the place on the screen and the modal run that survives its owner.
#include "platform/graphics.h"

#include <QPointer>
#include <QString>
#include <initializer_list>
#include <utility>

class QAbstractButton;
class QDialog;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QWidget;

// A fixed-size dialog with a title bar and a close box in the form font (MS Sans Serif, 12 px).
void SetUpFixedDialog(QDialog* dialog, const char* name, int width, int height);

// An object's property dialog: fixed size, with a system menu and minimise and maximise boxes,
// in the form font (MS Sans Serif, 12 pixels), which it hands back for captions made from it.
TFont SetUpObjectDialog(QDialog* dialog, const char* name, int width, int height);

// Gives w the object name tests and help look it up by, and hands it back.
template <class W>
W* Named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// The bold ("B") or italic ("I") toggle button of a font row.
QToolButton* FontStyleButton(QWidget* parent, const char* name, bool bold);

// Shows the chosen font in a memo: its name when not empty, its size when the text is a whole
// number in range (otherwise the memo keeps its size; OK refuses such a size) and its colour.
void ShowFontInMemo(QPlainTextEdit* memo, const QString& fontName, const QString& sizeText, TColor color);

// A memo's lines, each followed by CR LF (empty for an empty memo): the text labels are made of.
QString MemoLinesText(const QPlainTextEdit* memo);

// Width of a button's caption without its mnemonic marker.
int CaptionWidth(const QAbstractButton* button);

// Grows a button, check box or radio button to the right until its whole caption shows.
void GrowToCaption(QAbstractButton* button);
// Grows a push button evenly on both sides until its whole caption shows.
void GrowToCaptionCentred(QPushButton* button);

// A row of buttons at the right: each grows leftwards until its caption fits, starting at the
// right edge of the first and 9 pixels apart.
void FitButtonRow(std::initializer_list<QPushButton*> rightToLeft);

// Moves a titled group's controls down together until the topmost lies below the title and
// its frame line (the style draws the title above the line, not through it), and grows the
// group down and to the right until every control lies inside the frame. The growth downwards,
// in pixels.
int FitGroupFrame(QGroupBox* group);
// The whole number typed in edit, when it lies from least to most: true with value. Otherwise the
// user is told refusal, the box is selected, value stays as it was and the result is false.
bool TakeBoxNumber(QLineEdit* edit, int least, int most, const QString& refusal, int& value);

// Centres a dialog on its owner's screen, or on the primary screen without an owner.
void CentreOnScreen(QWidget* dialog, QWidget* owner);

void SetHelpContexts(std::initializer_list<std::pair<QWidget*, int>> contexts);

// Runs dlg modally; on OK (result 1) take(*dlg) copies the values out. False when cancelled, or
// when the owner went while the dialog ran (the dialog goes with it).
template <class D, class Take>
bool RunOwnedDialog(QPointer<D> dlg, Take take)
{
    const int result = dlg->exec();
    if (!dlg)
        return false;
    const bool accepted = result == 1;
    if (accepted)
        take(*dlg);
    delete dlg.data();
    return accepted;
}
