#pragma once
// The program's own icon, drawn here at every size a window manager or task bar asks for.
#include <QIcon>

QIcon ProgramIcon();
// Makes it the application's icon, which every window without one of its own shows: the main
// window, the document windows and the splash screen.
void SetProgramIcon();
