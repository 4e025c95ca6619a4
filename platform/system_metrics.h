#pragma once
// GetSystemMetrics for the sizes the controls lay themselves out with: the classic Windows
// look's fixed sizes, and the screen's from the primary screen.

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXSMSIZE = 52;
constexpr int SM_CYSMSIZE = 53;
constexpr int SM_CMONITORS = 80;

// 0 for an index without a value.
int GetSystemMetrics(int index);
