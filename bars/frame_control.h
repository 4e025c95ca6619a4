#pragma once
// DrawFrameControl: the frame-control pictures of the scroll arrows and caption buttons, drawn
// with the bars' 3-D edges in the system colours.
#include "platform/graphics.h"

class QPainter;

constexpr unsigned DFC_CAPTION = 1;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFCS_CAPTIONCLOSE = 0x0;
constexpr unsigned DFCS_CAPTIONMIN = 0x1;
constexpr unsigned DFCS_CAPTIONMAX = 0x2;
constexpr unsigned DFCS_CAPTIONRESTORE = 0x3;
constexpr unsigned DFCS_CAPTIONHELP = 0x4;
constexpr unsigned DFCS_SCROLLUP = 0x0;
constexpr unsigned DFCS_SCROLLDOWN = 0x1;
constexpr unsigned DFCS_SCROLLLEFT = 0x2;
constexpr unsigned DFCS_SCROLLRIGHT = 0x3;
constexpr unsigned DFCS_INACTIVE = 0x100;
constexpr unsigned DFCS_PUSHED = 0x200;

// A raised button face over r with its picture; pushed: a flat shadow frame and the picture one
// pixel right and down; inactive: the picture embossed grey.
void DrawFrameControl(QPainter& p, const TRect& r, unsigned type, unsigned state);
