#include "discdata/select_file_list_dlg.h"

#include "controls/color_button.h"
#include "controls/font_combo_box.h"
#include "document/child_frame.h"
#include "document/dialog_form.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "shellcontrols/shell_list.h"
#include "shellcontrols/shell_tree.h"

#include <QDragEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

// ---- memo ----

TFileListMemo::TFileListMemo(TSelectFileListDlg* dialog, QWidget* parent) : QPlainTextEdit(parent), m_dialog(dialog)
{
    setAcceptDrops(true);
}

void TFileListMemo::dragEnterEvent(QDragEnterEvent* e)
{
    if (m_dialog->MemoDragOver(e->source()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void TFileListMemo::dragMoveEvent(QDragMoveEvent* e)
{
    if (m_dialog->MemoDragOver(e->source()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void TFileListMemo::dropEvent(QDropEvent* e)
{
    if (!m_dialog->MemoDragOver(e->source())) {
        e->ignore();
        return;
    }
    Application->Guard([&] { m_dialog->MemoDragDrop(e->source()); });
    e->acceptProposedAction();
}

// ---- dialog ----

TSelectFileListDlg::TSelectFileListDlg(QWidget* owner) : QDialog(owner)
{
    SetNSStringLoader(&LoadLangStr);
    setObjectName(QStringLiteral("SelectFileListDlg"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    QFont formFont(QStringLiteral("Times New Roman"));
    formFont.setPixelSize(12);
    setFont(formFont);
    setFixedSize(403, 376);

    Label1 = Named(new QLabel(this), "Label1");
    Label1->setGeometry(8, 6, 387, 16);

    Panel1 = Named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 24, 387, 240);
    auto* panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(1, 1, 1, 1);
    Splitter1 = Named(new QSplitter(Qt::Vertical, Panel1), "Splitter1");
    Splitter1->setChildrenCollapsible(false);
    panel1Layout->addWidget(Splitter1);

    Panel2 = Named(new QFrame(Splitter1), "Panel2");
    auto* panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = Named(new QSplitter(Qt::Horizontal, Panel2), "Splitter2");
    Splitter2->setChildrenCollapsible(false);
    panel2Layout->addWidget(Splitter2);

    NSShellTree = Named(new TNSShellTree(Splitter2), "NSShellTree");
    NSShellTree->SetOptions(TreeOption(ptstoAutoFill) | TreeOption(ptstoVirtualFolders) |
                            TreeOption(ptstoDefaultKeyHandling) | TreeOption(ptstoDynamicRefresh) |
                            TreeOption(ptstoShowHidden));
    NSShellTree->setIndentation(19);
    NSShellList = Named(new TNSShellList(Splitter2), "NSShellList");
    NSShellList->SetOptions(ListOption(ptsloAutoFill) | ListOption(ptsloNonFilesystemAncestors) |
                            ListOption(ptsloDefaultKeyHandling) | ListOption(ptsloDynamicRefresh) |
                            ListOption(ptsloShowHidden));
    NSShellList->SetViewStyle(vsList);
    NSShellList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    NSShellList->setDragEnabled(true);
    NSShellTree->SetShellList(NSShellList);
    Splitter2->setStretchFactor(1, 1);

    Panel3 = Named(new QFrame(Splitter1), "Panel3");
    auto* panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    Memo = Named(new TFileListMemo(this, Panel3), "Memo");
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    panel3Layout->addWidget(Memo);
    Splitter1->setStretchFactor(1, 1);

    Label4 = Named(new QLabel(this), "Label4");
    Label4->move(8, 270);
    FontName = Named(new TscFontComboBox(this), "FontName");
    FontName->setGeometry(8, 286, 189, 22);
    FontName->SetShowSample(false);
    Label4->setBuddy(FontName);
    Label5 = Named(new QLabel(this), "Label5");
    Label5->move(206, 270);
    FontSize = Named(new TscComboBox(this), "FontSize");
    FontSize->setGeometry(206, 286, 49, 22);
    FontName->SetSizeComboBox(FontSize);
    Label5->setBuddy(FontSize);
    Label6 = Named(new QLabel(this), "Label6");
    Label6->move(264, 270);
    FontColor = Named(new TscColorButton(this), "FontColor");
    FontColor->setGeometry(264, 286, 45, 22);
    Label6->setBuddy(FontColor);
    FontBold = FontStyleButton(this, "FontBold", true);
    FontBold->setGeometry(318, 286, 23, 22);
    FontItalic = FontStyleButton(this, "FontItalic", false);
    FontItalic->setGeometry(341, 286, 23, 22);

    OKBtn = Named(new QPushButton(this), "OKBtn");
    OKBtn->setGeometry(236, 343, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = Named(new QPushButton(this), "CancelBtn");
    CancelBtn->setGeometry(320, 343, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, [this] { Application->Guard([&] { OKBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { Application->Guard([&] { CancelBtnClick(); }); });

    auto change = [this](QObject* sender) { Application->Guard([&] { FontNameChange(sender); }); };
    FontName->OnChange = change;
    FontSize->OnChange = change;
    FontColor->OnColorChange = change;

    ApplyLanguageCharset(this);
    setWindowTitle(LoadLangStr(FileListCaptionString));
    Label1->setText(LoadLangStr(FileListCaptionString));
    Label4->setText(LoadLangStr(FontNameLabelString));
    Label5->setText(LoadLangStr(FontSizeLabelString));
    Label6->setText(LoadLangStr(FontColorLabelString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    FontColor->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    for (QLabel* l : {Label4, Label5, Label6})
        l->adjustSize();
    // Buttons grow leftwards when a translation needs more room.
    FitButtonRow({CancelBtn, OKBtn});

    // The form font's name and size seed the font boxes.
    FontSize->SetText(QString::number(QFontInfo(font()).pointSize()));
    FontName->SetFontName(font().family());
    SetHelpContexts({{Memo, FileListMemoHelpString},
                     {FontName, 2081},
                     {FontSize, 2082},
                     {FontColor, 2083},
                     {OKBtn, 2000},
                     {CancelBtn, 2001}});
    InstallContextHelp(this);

    // The folder and sizes of the last time.
    TRegIniFile ini(ProductKey());
    NSShellTree->SetSelectedPathName(ini.ReadString(BasicInfo(), QStringLiteral("FileListLastDir"), QString()));
    const int treeWidth = std::max(20, ini.ReadInteger(BasicInfo(), QStringLiteral("FileList1Size"), TreeDesignWidth));
    const int panelHeight =
        std::max(20, ini.ReadInteger(BasicInfo(), QStringLiteral("FileList2Size"), Panel2DesignHeight));
    Splitter2->setSizes({treeWidth, std::max(20, 385 - treeWidth - Splitter2->handleWidth())});
    Splitter1->setSizes({panelHeight, std::max(20, 238 - panelHeight - Splitter1->handleWidth())});
    Memo->clear();

    CentreOnScreen(this, owner);
    NSShellTree->setFocus();
}

TSelectFileListDlg::~TSelectFileListDlg() = default;

int TSelectFileListDlg::TreeWidth() const
{
    return Splitter2->sizes().value(0, TreeDesignWidth);
}

int TSelectFileListDlg::Panel2Height() const
{
    return Splitter1->sizes().value(0, Panel2DesignHeight);
}

bool TSelectFileListDlg::MemoDragOver(QObject* source)
{
    return qobject_cast<TNSCustomShellList*>(source) != nullptr;
}

void TSelectFileListDlg::MemoDragDrop(QObject* source)
{
    auto* list = qobject_cast<TNSCustomShellList*>(source);
    if (!list)
        return;
    // From the list's selected item on, every selected item whose caption is not empty.
    QListWidgetItem* item = list->Selected();
    for (; item; item = list->GetNextSelected(item)) {
        auto* shellItem = dynamic_cast<TShellListItem*>(item);
        const QString caption = shellItem ? shellItem->Caption() : item->text();
        if (!caption.isEmpty())
            Memo->appendPlainText(caption);
    }
}

void TSelectFileListDlg::FontNameChange(QObject*)
{
    // A size that is no whole number in range is told to the user when OK hands it over.
    ShowFontInMemo(Memo, FontName->GetFontName(), FontSize->Text(), FontColor->Color());
}

void TSelectFileListDlg::OKBtnClick()
{
    TRegIniFile ini(ProductKey());
    // The folder the user chose itself, so that the next opening shows it again.
    // A folder whose name is no UTF-8 is kept as a file URL of its bytes.
    ini.WriteString(BasicInfo(), QStringLiteral("FileListLastDir"),
                    StoredPathName(NSShellTree->GetSelectedPathName()));
    ini.WriteInteger(BasicInfo(), QStringLiteral("FileList1Size"), TreeWidth());
    ini.WriteInteger(BasicInfo(), QStringLiteral("FileList2Size"), Panel2Height());
    done(1);
}

void TSelectFileListDlg::CancelBtnClick()
{
    if (Memo->document()->isEmpty() || Memo->toPlainText().isEmpty()) {
        done(2);
        return;
    }
    if (MessageDlg(LoadLangStr(ListDataLostString), mtConfirmation, mbYes | mbNo) == mrYes)
        done(2);
}

void TSelectFileListDlg::reject()
{
    CancelBtnClick();
}

bool TSelectFileListDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

TDiscTextDialogResult RunSelectFileListDlg(QWidget* owner)
{
    TDiscTextDialogResult r;
    QPointer<TSelectFileListDlg> dlg = new TSelectFileListDlg(owner);
    dlg->FontSize->SetText(QStringLiteral("10"));
    // The owner may go while the dialog runs; the dialog goes with it and that is a cancel.
    if (!RunOwnedDialog(dlg, [&r](TSelectFileListDlg& d) {
            r.Text = MemoLinesText(d.Memo);
            r.FontName = d.FontName->GetFontName();
            r.FontSize = d.FontSize->Text();
            r.FontColor = d.FontColor->Color();
        }))
        return TDiscTextDialogResult();
    r.ModalResult = 1;
    return r;
}
