#pragma once
// The "Position and Size" page of the object property dialogs: left, top, width and height
// boxes in tenths of a millimetre, with the unit note below them.
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

// Largest position or size a box takes, tenths of a millimetre (10 m).
constexpr int MaxPositionValue = 99999;
// Smallest size a box takes, tenths of a millimetre: an object that can still be seen and
// clicked.
constexpr int MinObjectSize = 10;

// The boxes of one dialog, in the order left, top, width, height.
struct TPositionBoxes {
    QLabel* Labels[4];
    QLineEdit* Edits[4];
    QLabel* Unit;
};

// The whole number in a box, when it holds one within the boxes' range (from MinObjectSize for
// the width and height boxes, size true).
bool PositionBoxValue(const QLineEdit* edit, int& value, bool size = false);

// Makes the boxes, their captions and help contexts and the unit note on group; the labels,
// boxes and note get the names given.
TPositionBoxes MakePositionBoxes(QGroupBox* group, const char* const (&labelNames)[4],
                                 const char* const (&editNames)[4], const char* unitName);
// A long caption pushes its box to the right rather than being cut; the note keeps inside its
// group.
void FitPositionBoxes(const TPositionBoxes& boxes);
// Every box must hold a whole number in its range before anything is taken: otherwise the user
// is told, the box is shown on page of pages and selected, and the result is false.
bool CheckPositionBoxes(const TPositionBoxes& boxes, QTabWidget* pages, QWidget* page);
// What a box holds, which names the range in its message.
enum TSheetValueKind { SheetSize, SheetPosition };

// A size or position on a sheet typed in edit, tenths of a millimetre: true with value when it is
// a whole number from least to MaxSheetDimension; otherwise the user is told the range of a box of
// its kind, the box is selected, value is left as it was and the result is false.
bool TakeSheetValue(QLineEdit* edit, TSheetValueKind kind, int least, int32_t& value);
void WritePositionBoxes(const TPositionBoxes& boxes, int left, int top, int width, int height);
void ReadPositionBoxes(const TPositionBoxes& boxes, int& left, int& top, int& width, int& height);
