#pragma once
// CRectangle and CEllipse: the shape objects of a label document, a figure filling the object,
// outlined in LineColor and filled with CoreColor.
#include "document/design_object.h"

#include <cstdint>

class CRectangle : public CDesignObject {
    Q_OBJECT
public:
    explicit CRectangle(QWidget* owner = nullptr);
    ~CRectangle() override;

    // ---- published properties ----
    int32_t LineWidth = 1;       // outline width in window pixels
    TColor LineColor = clBlack;  // outline
    TColor CoreColor = clWhite;  // fill

    void Paint() override;
    // Runs the colour property dialog through the main window link; without a dialog linked
    // nothing changes. On OK: line width and colours, changed boxes, and the document modified.
    void EditProperties() override;
    void DrawTo(TCanvas& canvas, QPoint position, float scale) override;

protected:
    void RunPropertyDialog(bool ellipse);
    // The figure with the canvas's current pen and brush.
    virtual void DrawFigure(TCanvas& canvas, const TRect& r) const;
};

class CEllipse : public CRectangle {
    Q_OBJECT
public:
    explicit CEllipse(QWidget* owner = nullptr);
    ~CEllipse() override;

    // The same dialog with an elliptic sample.
    void EditProperties() override;

protected:
    void DrawFigure(TCanvas& canvas, const TRect& r) const override;
};
