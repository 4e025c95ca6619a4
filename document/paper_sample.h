#pragma once
// The small picture of a paper type shown by the paper dialogs and the print wizard.
#include "platform/graphics.h"

struct PaperType;

// Draws paper into rect of canvas: its preview picture, or the sheet with a drop shadow, its
// labels, centre holes, guide lines and other shapes. One pixel stands for n tenths of a
// millimetre, n the smallest whole number above d at which the sheet fits. Pen and brush of
// the canvas are as they were on return.
void DrawPaperSample(TCanvas* canvas, const PaperType* paper, int d, TRect rect);

// The scale and the centred sample rectangle: the smallest n >= start at which
// RoundValue(width / n) and RoundValue(height / n) fit rect. False when rect is empty.
bool FitPaperSample(double width, double height, int64_t start, const TRect& rect, int64_t& n,
                    TRect& sample);
