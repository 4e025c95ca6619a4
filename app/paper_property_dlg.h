#pragma once
// The paper properties dialog: the paper type of an open document and its outline and core
// colours, chosen from the catalogue tree with a sample; the document window applies them.
#include "app/paper_tree.h"
#include "platform/graphics.h"
#include "platform/guid.h"

#include <QDialog>
#include <QWidget>
#include <cstdint>

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TSamplePaintBox;
class TscColorButton;

// A circle or rectangle drawn with a pen and a brush colour (the colour sample).
class TShape : public QWidget {
    Q_OBJECT
public:
    enum TShapeType { stRectangle, stCircle };
    explicit TShape(QWidget* parent = nullptr);
    TShapeType Shape() const { return m_shape; }
    void SetShape(TShapeType shape);
    TColor PenColor() const { return m_pen; }
    void SetPenColor(TColor color);
    TColor BrushColor() const { return m_brush; }
    void SetBrushColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TShapeType m_shape = stCircle;
    TColor m_pen = clBlack;
    TColor m_brush = clWhite;
};

class TPaperPropertyDlg : public QDialog {
    Q_OBJECT
public:
    // paperID is the owner document's paper; images the main window's image list.
    TPaperPropertyDlg(QWidget* owner, const TGUID& paperID, ImageListFunction images = {});
    ~TPaperPropertyDlg() override;

    // The paper selected in the tree; starts as the document's.
    TGUID PaperID{};

    QGroupBox* GroupBox1;
    TShape* TempShape;
    QLabel* Label1;
    QLabel* Label2;
    TscColorButton* OutLineBtn;
    TscColorButton* CoreBtn;
    QGroupBox* GroupBox2;
    QTreeWidget* TreeView;
    QLabel* Label3;
    TSamplePaintBox* PaintBox;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    void OutLineBtnColorChange();
    void CoreBtnColorChange();
    void TreeViewChange(QTreeWidgetItem* node);
    void TreeViewDblClick();
    void PaintBoxPaint(TCanvas* canvas);
    bool FormHelp(uint16_t command, int data, bool& callHelp);

private:
    ImageListFunction m_images;
};
