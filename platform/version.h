#pragma once
// The program's version, shown on the splash and about windows.
#define KORVANE_VERSION_TEXT "2.0.0"
