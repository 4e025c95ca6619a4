// The main window's commands: opening and naming document windows, routing every menu item and
// tool button to the active document, the enable state of the items, the Window menu's
// arrangements and the link through which document windows reach the main window.
#include "app/main_frame.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "document/clipboard.h"

#include "app/about_dlg.h"
#include "app/color_property_dlg.h"
#include "app/dialog_form.h"
#include "app/web_links.h"
#include "app/image_property_dlg.h"
#include "app/label_property_dlg.h"
#include "app/new_dlg.h"
#include "app/paper_editor_dlg.h"
#include "app/paper_property_dlg.h"
#include "app/print_link.h"
#include "app/print_wizard_dlg.h"
#include "app/twain.h"
#include "controls/color_button.h"
#include "controls/recent_list.h"
#include "discdata/cddb_list_dlg.h"
#include "discdata/select_file_list_dlg.h"
#include "document/child_frame.h"
#include "document/paper_catalogue.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"
#include "platform/shell_execute.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <cmath>

namespace {

// The same document: equal captions, or two names of one existing file (links, "..", "./").
bool SameDocument(const QString& caption, const QString& path)
{
    if (caption == path)
        return true;
    const QFileInfo a(caption), b(path);
    if (!a.isFile() || !b.isFile())
        return false;
    const QString ca = a.canonicalFilePath();
    return !ca.isEmpty() && ca == b.canonicalFilePath();
}

} // namespace

// ---- the link the document windows call ----

class TMainFrameLink : public TPrintingLink {
public:
    explicit TMainFrameLink(TMainFrame* frame) : m_frame(frame) {}

    QWidget* MainWindow() override { return m_frame; }
    TGUID NextPaperID() override { return m_frame->NextPaperID; }
    bool NextFullPageMode() override { return m_frame->NextFullPageMode; }
    void SetStatusPanel(int index, const QString& text) override
    {
        if (index >= 0 && index < 3 && m_frame->StatusPanel[index])
            m_frame->StatusPanel[index]->setText(text);
    }
    void SetToolButtonDown(int tool) override
    {
        if (TToolbarButtonX* b = m_frame->ToolButton(tool))
            b->SetDown(true);
    }
    void SetSaveEnabled(bool enabled) override
    {
        m_frame->SaveBtn->setEnabled(enabled);
        m_frame->FileSaveItem->setEnabled(enabled);
    }
    void DropFiles(const QStringList& files) override { m_frame->WMDropFiles(files); }
    QIcon ImageListIcon(int index) override { return TMainFrame::ImageListIcon(index); }
    void FormHelp() override { m_frame->FormHelp(); }
    void AddRecentFile(const QString& path) override
    {
        if (m_frame->scMRUFileList)
            m_frame->scMRUFileList->AddItem(path);
    }
    void UpdateMenuItems() override { m_frame->UpdateMenuItems(); }
    QString UntitledName() override { return m_frame->NextUntitledName(); }
    TDiscTextDialogResult RunFileListDialog(QWidget* owner) override { return RunSelectFileListDlg(owner); }
    TDiscTextDialogResult RunCDDBListDialog(QWidget* owner) override { return RunCDDBListDlg(owner); }
    bool RunLabelPropertyDialog(QWidget* owner, TLabelPropertiesRequest& request) override
    {
        return RunLabelPropertyDlg(owner, request);
    }
    bool RunColorPropertyDialog(QWidget* owner, TColorPropertiesRequest& request) override
    {
        return RunColorPropertyDlg(owner, request);
    }
    bool RunImagePropertyDialog(QWidget* owner, TImagePropertiesRequest& request) override
    {
        return RunImagePropertyDlg(owner, request);
    }
    bool RunImageEditor(QWidget* owner, TPicture& picture) override
    {
        return ::RunImageEditor(owner, picture);
    }

    bool RunPaperPropertyDialog(QWidget* owner, TPaperPropertiesRequest& request) override
    {
        TPaperPropertyDlg dlg(owner, request.PaperID, &TMainFrame::ImageListIcon);
        dlg.TempShape->SetShape(request.ShapeStyle == ShapeRectangle ? stRectangle : stCircle);
        dlg.TempShape->Pen.Color = request.OutlineColor;
        dlg.TempShape->Brush.Color = request.CoreColor;
        dlg.OutLineBtn->SetColor(request.OutlineColor);
        dlg.CoreBtn->SetColor(request.CoreColor);
        if (dlg.exec() != 1)
            return false;
        request.PaperID = dlg.PaperID;
        request.OutlineColor = dlg.TempShape->Pen.Color;
        request.CoreColor = dlg.TempShape->Brush.Color;
        return true;
    }
    bool RunPageSetupDialog(QWidget* owner, PaperType* paper) override
    {
        return RunPaperEditor(owner, paper, true) == 1;
    }
    QList<TChildFrame*> DocumentWindows() override { return m_frame->Documents(); }

private:
    TMainFrame* m_frame;
};

void TMainFrame::RegisterDocumentLink()
{
    m_link = std::make_unique<TMainFrameLink>(this);
    SetMainWindowLink(m_link.get());
    // The new-document dialog's Add and Edit open the paper editor.
    SetPaperEditor([](QWidget* owner, PaperType* paper) { return RunPaperEditor(owner, paper); });
}

void TMainFrame::ReleaseDocuments()
{
    // The document windows go while this window is still whole; after that they can reach no
    // part of it.
    m_releasing = true;
    // Closed windows wait hidden for their deferred delete, outside the area's list.
    const QList<QMdiSubWindow*> windows = MdiArea->viewport()->findChildren<QMdiSubWindow*>(Qt::FindDirectChildrenOnly);
    for (const QPointer<QMdiSubWindow>& w : QList<QPointer<QMdiSubWindow>>(windows.begin(), windows.end()))
        delete w.data();
    if (MainWindowLink() == m_link.get())
        SetMainWindowLink(nullptr);
}

bool TMainFrame::CloseDocuments()
{
    // Each window leaves its file in the recent-files list and its paper for the next
    // document, as when the user closes it.
    for (TChildFrame* doc : Documents())
        if (!doc->SubWindow()->close())
            return false;
    return true;
}

void TMainFrame::ConnectCommands()
{
    auto item = [this](QAction* action, void (TMainFrame::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { Application->Guard([&] { (this->*handler)(); }); });
    };
    auto button = [this](TToolbarButtonX* b, void (TMainFrame::*handler)()) {
        b->OnClick = [this, handler](TToolbarButtonX*) { Application->Guard([&] { (this->*handler)(); }); };
    };
    item(FileSaveItem, &TMainFrame::FileSaveItemClick);
    item(FileSaveAsItem, &TMainFrame::FileSaveAsItemClick);
    item(PageSetupItem, &TMainFrame::PageSetupItemClick);
    item(PrintPreviewItem, &TMainFrame::PrintPreviewItemClick);
    item(PrintItem, &TMainFrame::PrintItemClick);
    item(MultipleImagePrintWizardItem, &TMainFrame::MultipleImagePrintWizardItemClick);
    item(ExportItem, &TMainFrame::ExportItemClick);
    item(SelectSourceItem, &TMainFrame::SelectSourceItemClick);
    item(AcquireItem, &TMainFrame::AcquireItemClick);
    item(CutItem, &TMainFrame::CutItemClick);
    item(CopyItem, &TMainFrame::CopyItemClick);
    item(PasteItem, &TMainFrame::PasteItemClick);
    item(PaperPropertiesItem, &TMainFrame::PaperPropertiesItemClick);
    item(PropertiesItem, &TMainFrame::PropertiesItemClick);
    item(SelectAllItem, &TMainFrame::SelectAllItemClick);
    item(DeleteItem, &TMainFrame::DeleteItemClick);
    item(LockedItem, &TMainFrame::LockedItemClick);
    item(OptionsItem, &TMainFrame::OptionsItemClick);
    item(HelpAboutItem, &TMainFrame::HelpAboutItemClick);
    item(WWWConnectItem, &TMainFrame::WWWConnectItemClick);
    item(LinksItem1, &TMainFrame::LinksItem1Click);
    item(OnlineUpdateItem, &TMainFrame::OnlineUpdateItemClick);
    button(SaveBtn, &TMainFrame::FileSaveItemClick);
    button(AcquireBtn, &TMainFrame::AcquireItemClick);
    button(PrintBtn, &TMainFrame::PrintItemClick);
    button(PrintPreviewBtn, &TMainFrame::PrintPreviewItemClick);
    button(MultipleImagePrintWizardBtn, &TMainFrame::MultipleImagePrintWizardItemClick);
    button(CutBtn, &TMainFrame::CutItemClick);
    button(CopyBtn, &TMainFrame::CopyItemClick);
    button(PasteBtn, &TMainFrame::PasteItemClick);
}

// ---- documents ----

QList<TChildFrame*> TMainFrame::Documents() const
{
    QList<TChildFrame*> docs;
    if (m_releasing)
        return docs;
    for (QMdiSubWindow* w : MdiArea->subWindowList())
        // A closed window is hidden at once but freed later.
        if (w != m_dyingWindow && !w->isHidden())
            if (auto* doc = qobject_cast<TChildFrame*>(w->widget()))
                docs << doc;
    return docs;
}

int TMainFrame::DocumentCount() const
{
    return int(Documents().size());
}

QStringList TMainFrame::DocumentCaptions() const
{
    QStringList captions;
    for (TChildFrame* doc : Documents())
        captions << doc->Caption();
    return captions;
}

TChildFrame* TMainFrame::ActiveDocument() const
{
    // A dialog in front is the active form: no document is active then.
    if (QApplication::activeModalWidget())
        return nullptr;
    QMdiSubWindow* w = MdiArea->currentSubWindow();
    if (!w || w == m_dyingWindow || w->isHidden() || m_releasing)
        return nullptr;
    return qobject_cast<TChildFrame*>(w->widget());
}

TToolbarButtonX* TMainFrame::ToolButton(int tool) const
{
    switch (tool) {
    case 0: return ArrowBtn;
    case 1: return LabelBtn;
    case 2: return ImageBtn;
    case 3: return RectBtn;
    case 4: return EllipseBtn;
    case 6: return FileListBtn;
    case 7: return CDDBListBtn;
    default: return nullptr;   // the bar-code tool pushes no button
    }
}

bool TMainFrame::StoredPaperID(TGUID& id)
{
    QString text;
    {
        TRegIniFile reg(ProductKey());
        text = reg.ReadString(BasicInfo(), QStringLiteral("PaperID"), QString());
    }
    if (StringToGUID(text, id))
        return true;
    if (PaperCatalogue().empty())
        return false;
    id = PaperCatalogue().front()->ID;
    return true;
}

void TMainFrame::OpenDocumentFile(const QString& path)
{
    TGUID paperId;
    if (!StoredPaperID(paperId))
        return;   // no paper at all: no document can be made
    bool fullPage;
    {
        TRegIniFile reg(ProductKey());
        fullPage = reg.ReadBool(BasicInfo(), QStringLiteral("FullPageMode"), false);
    }
    OpenChildWindow(path, fullPage, paperId);
}

void TMainFrame::OpenChildWindow(const QString& path, bool fullPage, const TGUID& paperId)
{
    for (TChildFrame* doc : Documents()) {
        if (SameDocument(doc->Caption(), path)) {
            MdiArea->setActiveSubWindow(doc->SubWindow());
            doc->setFocus();
            return;
        }
    }
    NextPaperID = paperId;
    NextFullPageMode = fullPage;
    int state;
    {
        TRegIniFile reg(ProductKey());
        state = reg.ReadInteger(BasicInfo(), QStringLiteral("ChildWindowState"), wsNormal);
    }
    auto* doc = new TChildFrame(this, MdiArea);
    QMdiSubWindow* sub = doc->SubWindow();
    connect(sub, &QObject::destroyed, this, [this, sub] {
        // The area still lists the window while it dies.
        m_dyingWindow = sub;
        UpdateMenuItems();
        m_dyingWindow = nullptr;
    });
    sub->show();
    if (DocumentCount() == 1)
        doc->SetWindowState(state);
    doc->SetCaption(path);
    doc->Refresh();
    if (QFileInfo(path).isFile())
        doc->LoadDocument(path);
    ArrowBtnClick();
    UpdateMenuItems();
}

QString TMainFrame::UntitledName(const QString& base, const QStringList& captions,
                                 const std::function<bool(const QString&)>& fileExists)
{
    int n = 0;
    for (const QString& caption : captions) {
        if (fileExists(caption) || caption.size() <= 4)
            continue;
        QString digits;
        for (QChar c : caption.right(4))
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digits += c;
        n = std::max(n, digits.toInt());
    }
    return base + QString::number(n >= 1 ? n + 1 : 1);
}

QString TMainFrame::NextUntitledName() const
{
    return UntitledName(LoadLangStr(UntitledCaptionString), DocumentCaptions(), [](const QString& c) { return QFileInfo(c).isFile(); });
}

// ---- File ----

void TMainFrame::FileNewItemClick()
{
    if (PaperCatalogue().empty())
        return;
    int result = 2;
    TGUID paperId{};
    bool fullPage = false;
    {
        QPointer<TNewDlg> dlg = new TNewDlg(this, &TMainFrame::ImageListIcon);
        result = dlg->exec();
        if (!dlg)
            return;
        paperId = dlg->PaperID;
        fullPage = dlg->FullPage != 0;
        delete dlg.data();
    }
    if (result == 1) {
        NextPaperID = paperId;
        NextFullPageMode = fullPage;
        OpenChildWindow(NextUntitledName(), NextFullPageMode, NextPaperID);
    } else if (result == 6) {
        FileOpenItemClick();
    }
}

void TMainFrame::FileOpenItemClick()
{
    if (!OpenDialog)
        return;
    {
        TRegIniFile reg(ProductKey());
        OpenDialog->InitialDir = reg.ReadString(BasicInfo(), QStringLiteral("LastDir"), QString());
    }
    if (!OpenDialog->Execute())
        return;
    const QString file = OpenDialog->FileName;
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("LastDir"), QFileInfo(file).absolutePath());
    }
    OpenDocumentFile(file);
}

void TMainFrame::FileSaveItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->QuerySaveDocument();
}

void TMainFrame::FileSaveAsItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->SaveDocumentAs();
}

void TMainFrame::FileCloseItemClick()
{
    // The frame's active child, whatever has the focus.
    QMdiSubWindow* w = MdiArea->currentSubWindow();
    if (w && w != m_dyingWindow)
        w->close();
}

void TMainFrame::PageSetupItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->PageSetup();
}

void TMainFrame::PrintPreviewItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->PrintPreview();
}

void TMainFrame::PrintItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->PrintDocument();
}

void TMainFrame::MultipleImagePrintWizardItemClick()
{
    QPointer<TMultipleImagePrintWizardDlg> wizard = new TMultipleImagePrintWizardDlg(this, Documents());
    wizard->Execute();
    delete wizard.data();
}

void TMainFrame::ExportItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->ExportPageBitmap();
}

void TMainFrame::SelectSourceItemClick()
{
    if (!CheckTwainDll())
        return;
    CTWAIN twain;
    twain.SelectImageSource(this);
}

void TMainFrame::AcquireItemClick()
{
    if (!CheckTwainDll())
        return;
    CTWAIN twain;
    twain.AcquireToPicture(this);
    if (twain.Picture->Empty())
        return; // a cancelled scan opens no window
    if (!ActiveDocument()) {
        TGUID paperId;
        if (!StoredPaperID(paperId))
            return;
        bool fullPage;
        int state;
        {
            TRegIniFile reg(ProductKey());
            fullPage = reg.ReadBool(BasicInfo(), QStringLiteral("FullPageMode"), false);
            state = reg.ReadInteger(BasicInfo(), QStringLiteral("ChildWindowState"), wsNormal);
        }
        OpenChildWindow(LoadLangStr(UntitledCaptionString) + QString::number(DocumentCount() + 1), fullPage,
                        paperId);
        if (TChildFrame* doc = ActiveDocument())
            doc->SetWindowState(state);
    }
    if (TChildFrame* doc = ActiveDocument())
        doc->InsertPicture(twain.Picture.get());
    twain.Picture->Assign(static_cast<const TPicture*>(nullptr));
}

void TMainFrame::FileExitItemClick()
{
    close();
}

// ---- Edit ----

void TMainFrame::CutItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->CutSelection();
}

void TMainFrame::CopyItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->CopySelection();
}

void TMainFrame::PasteItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->PasteClipboard();
}

void TMainFrame::CleanClipboradItemClick()
{
    QGuiApplication::clipboard()->clear();
}

void TMainFrame::PaperPropertiesItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->PaperPropertiesItemClick();
}

void TMainFrame::PropertiesItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->EditSelectedProperties();
}

void TMainFrame::SelectAllItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->SelectAll();
}

void TMainFrame::DeleteItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->DeleteSelected();
}

void TMainFrame::LockedItemClick()
{
    if (TChildFrame* doc = ActiveDocument())
        doc->LockSelected();
}

// ---- View ----

void TMainFrame::ToolbarItemClick()
{
    // The action has already toggled its check.
    UpToolbar->setVisible(ToolbarItem->isChecked());
}

void TMainFrame::GraphicsLibraryItemClick()
{
    GraphicsLibraryBar->setVisible(GraphicsLibraryItem->isChecked());
}

void TMainFrame::GraphicsLibraryBarClose()
{
    GraphicsLibraryItem->setChecked(false);
}

void TMainFrame::OptionsItemClick() {}

// ---- Window ----

namespace {

// The smallest a document window may be made: its paper area is laid out for at least that
// much room, so a smaller window would cut the page off.
QSize SmallestWindowSize(const QMdiSubWindow* w)
{
    QSize min = w->minimumSize();
    if (const auto* doc = qobject_cast<const TChildFrame*>(w->widget()))
        min = min.expandedTo(doc->minimumSize() + doc->FrameExtent());
    return min;
}

void PlaceWindow(QMdiSubWindow* w, const QRect& box)
{
    w->setGeometry(QRect(box.topLeft(), box.size().expandedTo(SmallestWindowSize(w))));
}

} // namespace

QList<QMdiSubWindow*> TMainFrame::ArrangedWindows() const
{
    // Front to back, as the windows lie on the screen.
    QList<QMdiSubWindow*> windows;
    const QList<QMdiSubWindow*> stacking = MdiArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.crbegin(); it != stacking.crend(); ++it)
        if (*it != m_dyingWindow && qobject_cast<TChildFrame*>((*it)->widget()) && !(*it)->isHidden())
            windows << *it;
    return windows;
}

QRect TMainFrame::ArrangeIcons()
{
    // Minimised windows in rows from the bottom left, left to right, each row above the last.
    const QRect area = MdiArea->viewport()->rect();
    QList<QMdiSubWindow*> icons;
    for (QMdiSubWindow* w : MdiArea->subWindowList(QMdiArea::CreationOrder))
        if (w != m_dyingWindow && !w->isHidden() && w->isMinimized() && qobject_cast<TChildFrame*>(w->widget()))
            icons << w;
    int x = 0, bottom = area.bottom() + 1, rowHeight = 0, top = area.bottom() + 1;
    for (QMdiSubWindow* w : icons) {
        const QSize s = w->size();
        if (x > 0 && x + s.width() > area.width()) {
            bottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, s.height());
        w->move(x, bottom - s.height());
        top = std::min(top, bottom - s.height());
        x += s.width();
    }
    // What is left above the icons.
    return QRect(area.left(), area.top(), area.width(), std::max(top - area.top(), 0));
}

void TMainFrame::WindowCascadeItemClick()
{
    const QRect area = ArrangeIcons();
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : ArrangedWindows())
        if (!w->isMinimized())
            windows << w;
    if (windows.isEmpty() || area.isEmpty())
        return;
    QMdiSubWindow* active = MdiArea->currentSubWindow();
    // One step: a title bar and a frame; the windows start over at the top left after as
    // many steps as fit into a third of the height.
    const QStyle* style = windows.first()->style();
    const int step = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.first()) +
                     style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, windows.first());
    const int stagger = std::max(area.height() / std::max(3 * step, 1), 0);
    const QSize size(std::max(area.width() - stagger * step, 1), std::max(area.height() - stagger * step, 1));
    // From the back to the front, so the front window ends up last and on top.
    int n = 0;
    for (auto it = windows.crbegin(); it != windows.crend(); ++it, ++n) {
        QMdiSubWindow* w = *it;
        w->showNormal();
        const int offset = step * (n % (stagger + 1));
        PlaceWindow(w, QRect(area.topLeft() + QPoint(offset, offset), size));
        w->raise();
    }
    if (active)
        MdiArea->setActiveSubWindow(active);
}

void TMainFrame::TileDocuments(bool horizontal)
{
    const QRect area = ArrangeIcons();
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : ArrangedWindows())
        if (!w->isMinimized())
            windows << w;
    const int n = int(windows.size());
    if (n == 0 || area.isEmpty())
        return;
    // A grid of about the square root of the count; vertical tiling puts the windows side by
    // side, horizontal tiling one above the other. The last column takes what is left over.
    int rows = std::max(int(std::sqrt(double(n))), 1);
    int columns = n / rows;
    if (horizontal)
        std::swap(rows, columns);
    const int width = area.width() / columns;
    int i = 0;
    for (int c = 0; c < columns && i < n; ++c) {
        const int rowsHere = c == columns - 1 ? n - i : rows;
        const int height = area.height() / rowsHere;
        for (int r = 0; r < rowsHere && i < n; ++r, ++i) {
            QMdiSubWindow* w = windows.at(i);
            w->showNormal();
            PlaceWindow(w, QRect(area.left() + c * width, area.top() + r * height, width, height));
        }
    }
}

void TMainFrame::WindowTileHItemClick()
{
    TileDocuments(true);
}

void TMainFrame::WindowTileVItemClick()
{
    TileDocuments(false);
}

void TMainFrame::WindowArrangeItemClick()
{
    ArrangeIcons();
}

void TMainFrame::WindowMinimizeItemClick()
{
    const QList<TChildFrame*> docs = Documents();
    for (auto it = docs.crbegin(); it != docs.crend(); ++it)
        (*it)->SubWindow()->showMinimized();
    ArrangeIcons();
}

void TMainFrame::FillWindowList()
{
    for (QAction* a : m_windowListItems)
        delete a;
    m_windowListItems.clear();
    const QList<TChildFrame*> docs = Documents();
    if (docs.isEmpty())
        return;
    m_windowListItems << Window1->addSeparator();
    for (int i = 0; i < docs.size(); ++i) {
        QMdiSubWindow* w = docs.at(i)->SubWindow();
        QString caption = docs.at(i)->Caption();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = Window1->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        a->setCheckable(true);
        a->setChecked(w == MdiArea->currentSubWindow());
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w)
                MdiArea->setActiveSubWindow(w);
        });
        m_windowListItems << a;
    }
}

// ---- Help ----

void TMainFrame::UsersMenuItemClick()
{
    const QString path = GetHelpFileName();
    if (path.isEmpty()) {
        ShowMessage(LoadLangStr(HelpFileMissingString));
        return;
    }
    ShellOpen(QUrl::fromLocalFile(path));
}

void TMainFrame::HelpAboutItemClick()
{
    QPointer<TAboutDlg> dlg = new TAboutDlg(this);
    RunOwnedDialog(dlg, [](TAboutDlg&) {});
}

void TMainFrame::WWWConnectItemClick()
{
    ShellOpen(QUrl(WebAddress(BuiltinString(WebSiteString))));
}

void TMainFrame::LinksItem1Click()
{
    ShellOpen(QUrl(ImageSiteAddress(LoadLangStr(ImageSiteString))));
}

void TMainFrame::OnlineUpdateItemClick()
{
    // Nothing is said when there is no updater or it does not start.
    const QString updater = RegisteredUpdater();
    if (updater.isEmpty())
        return;
    ShellStart(updater, UpdaterArguments(BuiltinString(UpdateListString),
                                         QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath()));
}

// ---- paint tools ----

void TMainFrame::ArrowBtnClick()
{
    ArrowBtn->SetDown(true);
    ToolBtnClick(0);
}

// Every paint-tool button: the tool of the active document and the cursor that goes with it.
void TMainFrame::ToolBtnClick(int tool)
{
    TChildFrame* doc = ActiveDocument();
    if (!doc || tool < 0 || tool > 7)
        return;
    doc->Tool = int8_t(tool);
    doc->SetToolCursor(tool == 0 ? crArrow : crSelection);
}

// ---- recent files ----

void TMainFrame::scMRUFileListMRUItemClick(QObject*, const QString& fileName)
{
    if (QFileInfo(fileName).isFile()) {
        OpenDocumentFile(fileName);
        return;
    }
    scMRUFileList->ClearItem(fileName);
    MessageDlg(fileName + QLatin1Char(' ') + LoadLangStr(FileNotFoundString), mtInformation, mbOK);
}

// ---- menu state ----

bool TMainFrame::ClipboardOffersMixedObj(const QMimeData* data)
{
    return ::ClipboardOffersMixedObj(data);
}

bool TMainFrame::ClipboardOffersPaste(const QMimeData* data)
{
    return ::ClipboardOffersPaste(data);
}

void TMainFrame::SetDocumentsPasteEnabled(bool enabled)
{
    for (TChildFrame* doc : Documents())
        doc->PasteItem->setEnabled(enabled);
}

void TMainFrame::UpdateMenuItems()
{
    if (m_closed)
        return;
    const bool docs = DocumentCount() >= 1;
    for (QAction* a : {FileCloseItem, FileSaveItem, FileSaveAsItem, PageSetupItem, PrintPreviewItem, PrintItem,
                       MultipleImagePrintWizardItem, ExportItem, CutItem, CopyItem, PaperPropertiesItem,
                       PropertiesItem, LockedItem, SelectAllItem, DeleteItem, WindowCascadeItem, WindowTileVItem,
                       WindowTileHItem, WindowArrangeItem, WindowMinimizeItem})
        a->setEnabled(docs);
    for (TToolbarButtonX* b : {MultipleImagePrintWizardBtn, PrintBtn, PrintPreviewBtn, SaveBtn, CutBtn, CopyBtn,
                           ArrowBtn, LabelBtn, ImageBtn, RectBtn, EllipseBtn, BarCodeBtn, FileListBtn, CDDBListBtn})
        b->setEnabled(docs);
    const bool paste = docs && ClipboardOffersPaste(QGuiApplication::clipboard()->mimeData());
    PasteItem->setEnabled(paste);
    PasteBtn->setEnabled(paste);
}
