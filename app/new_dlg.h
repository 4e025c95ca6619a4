#pragma once
// The new-document dialog: the paper catalogue as a tree by manufacturer or classification,
// a sample and the description of the chosen paper, and the user's own paper types.
#include "app/paper_tree.h"
#include "platform/guid.h"

#include <QDialog>
#include <QIcon>
#include <QWidget>
#include <cstdint>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
struct PaperType;

// The paper editor, opened on a record with the dialog as owner; returns its modal result.
// The editor's unit registers itself here; until one is registered, a new paper is taken as
// it is and Edit changes nothing.
using PaperEditorFunction = std::function<int(QWidget* owner, PaperType* paper)>;
void SetPaperEditor(PaperEditorFunction editor);


class TCanvas;

// The sample's paint box: its owner draws on the canvas it is handed while it paints.
class TSamplePaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TSamplePaintBox(QWidget* parent = nullptr);
    std::function<void(TCanvas* canvas)> OnPaint;
    // The paper's sample fitted into the box; nothing for no paper.
    void DrawPaper(TCanvas* canvas, const PaperType* paper) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TNewDlg : public QDialog {
    Q_OBJECT
public:
    // Tree node markers of the two group levels.
    static constexpr int ManufacturerNode = ManufacturerNodeMarker;
    static constexpr int ClassificationNode = ClassificationNodeMarker;

    explicit TNewDlg(QWidget* owner = nullptr, ImageListFunction images = {});
    ~TNewDlg() override;

    // Results, read by the caller after exec() returned 1 (OK). exec() returns 6 for Open
    // (the caller runs File, Open) and 2 for Cancel.
    TGUID PaperID{};
    uint8_t FullPage = 0;

    QTreeWidget* TreeView;
    QLabel* Label1;
    QLabel* Label2;
    QRadioButton* MBtn;
    QRadioButton* CBtn;
    QGroupBox* GroupBox1;
    TSamplePaintBox* PaintBox;
    QLabel* StaticText1;
    QPlainTextEdit* InfoLabel;
    QCheckBox* FullPageChk;
    QCheckBox* StartupChk;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* OpenBtn;
    QPushButton* AddPaperTypeBtn;
    QPushButton* DeletePaperTypeBtn;
    QPushButton* EditPaperTypeBtn;

    void FillPaperTree();
    void RefillPaperTreeKeepSelection();

    // The paper of a tree node, or nullptr for group nodes.
    static PaperType* NodePaper(const QTreeWidgetItem* node);
    // 254, 255, or 0 for a paper node.
    static int NodeMarker(const QTreeWidgetItem* node);
    // First paper node, in tree order, whose paper has this ID.
    QTreeWidgetItem* FindPaperNode(const TGUID& id) const;

    void TreeViewChange(QTreeWidgetItem* node);
    void TreeViewDblClick();
    void PaintBoxPaint(TCanvas* canvas);
    void OKBtnClick();
    void AddPaperTypeBtnClick();
    void DeletePaperTypeBtnClick();
    void EditPaperTypeBtnClick();
    bool FormHelp(uint16_t command, int data, bool& callHelp);

    void reject() override;

private:
    void selectPaperNode(QTreeWidgetItem* node);
    void fitTexts();
    QIcon image(int index) const;

    ImageListFunction m_images;
};
