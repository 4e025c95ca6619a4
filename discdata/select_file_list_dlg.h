#pragma once
// The file-list dialog: a folder tree and file list over the shell namespace; the names of the
// files dragged from the list onto the memo become the text of a label.
#include "document/main_window_link.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <cstdint>

class QDragEnterEvent;
class QFrame;
class QLabel;
class QPushButton;
class QSplitter;
class QToolButton;
class TNSShellList;
class TNSShellTree;
class TscColorButton;
class TscComboBox;
class TscFontComboBox;
class TSelectFileListDlg;

// The memo, which takes drops from the shell list only.
class TFileListMemo : public QPlainTextEdit {
public:
    explicit TFileListMemo(TSelectFileListDlg* dialog, QWidget* parent);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    TSelectFileListDlg* m_dialog;
};

class TSelectFileListDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSelectFileListDlg(QWidget* owner = nullptr);
    ~TSelectFileListDlg() override;

    QLabel* Label1;
    QFrame* Panel1;
    QFrame* Panel2;
    QSplitter* Splitter1;
    QSplitter* Splitter2;
    TNSShellTree* NSShellTree;
    TNSShellList* NSShellList;
    QFrame* Panel3;
    TFileListMemo* Memo;
    QLabel* Label4;
    TscFontComboBox* FontName;
    QLabel* Label5;
    TscComboBox* FontSize;
    QLabel* Label6;
    TscColorButton* FontColor;
    QToolButton* FontBold;
    QToolButton* FontItalic;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Design sizes of the tree's width and the upper part's height.
    static constexpr int TreeDesignWidth = 130;
    static constexpr int Panel2DesignHeight = 130;

    bool MemoDragOver(QObject* source);
    void MemoDragDrop(QObject* source);
    void FontNameChange(QObject* sender);
    void OKBtnClick();
    void CancelBtnClick();
    bool FormHelp(uint16_t command, int data, bool& callHelp);

    int TreeWidth() const;
    int Panel2Height() const;

    void reject() override;
};

// Runs the dialog modally for the document window's file-list tool; the result carries the
// memo's text and the chosen font.
TDiscTextDialogResult RunSelectFileListDlg(QWidget* owner);
