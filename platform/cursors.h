#pragma once
// The screen object: numbered cursor table and the screen's resolution.
#include <QCursor>
#include <map>

// Standard cursor numbers (negative); the program registers its own from 1 up.
constexpr int crDefault = 0;
constexpr int crNone = -1;
constexpr int crArrow = -2;
constexpr int crCross = -3;
constexpr int crIBeam = -4;
constexpr int crSizeNESW = -6;
constexpr int crSizeNS = -7;
constexpr int crSizeNWSE = -8;
constexpr int crSizeWE = -9;
constexpr int crUpArrow = -10;
constexpr int crHourGlass = -11;
constexpr int crDrag = -12;
constexpr int crNoDrop = -13;
constexpr int crHSplit = -14;
constexpr int crVSplit = -15;
constexpr int crMultiDrag = -16;
constexpr int crSQLWait = -17;
constexpr int crNo = -18;
constexpr int crAppStart = -19;
constexpr int crHelp = -20;
constexpr int crHandPoint = -21;
constexpr int crSizeAll = -22;
constexpr int crSize = crSizeAll;

class TScreen {
public:
    TScreen();
    // The cursor registered under n; unknown numbers give the arrow.
    QCursor Cursor(int n) const;
    QCursor Cursors(int n) const { return Cursor(n); }
    void SetCursor(int n, const QCursor& c);
    bool HasCursor(int n) const;

    // The screen-wide cursor (crDefault = none forced).
    int ScreenCursor() const { return m_screenCursor; }
    void SetScreenCursor(int n);

    int PixelsPerInch = 96;

private:
    std::map<int, QCursor> m_custom;
    int m_screenCursor = crDefault;
};

extern TScreen* Screen;

class QDrag;
// A drag of the program shows the screen's no-drop cursor (crNoDrop) where it may not drop.
void UseScreenDragCursors(QDrag* drag);
