#pragma once
// The paper properties dialog: the paper type of an open document and its outline and core
// colours, chosen from the catalogue tree with a sample; the document window applies them.
#include "app/color_property_dlg.h"
#include "app/paper_tree.h"
#include "platform/graphics.h"
#include "platform/guid.h"
#include "platform/shape.h"

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
