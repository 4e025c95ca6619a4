// The document window's own commands: lock, properties, paper properties, page setup, printing,
// picture insertion, page export, relabelling and closing.
#include "document/document_commands.h"

#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/page_renderer.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QFileInfo>
#include <QShowEvent>
#include <QStandardPaths>

const char* const ExportBitmapFilter = "Windows Bitmaps(*.bmp)|*.bmp";
const char* const ExportBitmapExtension = "bmp";

QString UntitledNumber(const QString& caption)
{
    int start = int(caption.size());
    while (start > 0 && caption.at(start - 1) >= QLatin1Char('0') && caption.at(start - 1) <= QLatin1Char('9'))
        --start;
    return caption.mid(start);
}

void TChildFrame::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_created)
        Application->Guard([this] { FormShow(this); });
}

void TChildFrame::FormShow(QObject*)
{
    RefreshLanguage();
}

void TChildFrame::FormClose(QObject*, bool& freeWindow)
{
    Page->DeleteControls();
    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(Paper->ID));
    }
    const QString path = Caption();
    if (!path.isEmpty() && QFileInfo(path).isFile())
        MainWindowLink()->AddRecentFile(path);
    MainWindowLink()->SetStatusPanel(1, QString());
    MainWindowLink()->SetStatusPanel(2, QString());
    // A print job still running is asked to end and waited for; it releases the printer and
    // its temporary file itself.
    if (PrintThread) {
        PrintThread->Stop();
        PrintThread.reset();
    }
    // The paper, its mask picture and the save dialog go with the window itself: the window
    // may still be painted until it is deleted.
    freeWindow = true;
}

void TChildFrame::LockSelected()
{
    bool any = false;
    const std::vector<CDesignObject*> objects = Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        if ((*it)->Selected) {
            (*it)->SetLocked(true);
            any = true;
        }
    }
    if (any)
        SetModified(true);
}

void TChildFrame::EditSelectedProperties()
{
    const std::vector<CDesignObject*> objects = Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        if ((*it)->Selected) {
            (*it)->EditProperties();
            return;
        }
    }
}

void TChildFrame::PaperPropertiesItemClick()
{
    TPaperPropertiesRequest request;
    request.PaperID = Paper->ID;
    request.ShapeStyle = Paper->ShapeStyle;
    request.OutlineColor = OutlineColor;
    request.CoreColor = CoreColor;
    if (!MainWindowLink()->RunPaperPropertyDialog(this, request))
        return;

    if (request.PaperID != Paper->ID) {
        if (const PaperType* source = FindPaperType(request.PaperID)) {
            if (CopyPaperType(source, Paper.get())) {
                Paper->ID = request.PaperID;
                LayoutPaperArea();
                LoadPaperMask();
                MainWindowLink()->SetStatusPanel(2, Paper->Name);
                FormResize(this);
                BaseWidth = PaperBaseWidth(*Paper, PageMode, Screen->PixelsPerInch);
                // The zoom and the objects' zoom follow the new paper at once, not only at the
                // next resize.
                FormResize(this);
                Refresh();
            }
        }
    }

    OutlineColor = request.OutlineColor;
    CoreColor = request.CoreColor;
    SetColor(CoreColor);
    Refresh();
    SetModified(true);
}

void TChildFrame::PageSetup()
{
    if (MainWindowLink()->RunPageSetupDialog(this, Paper.get()))
        Refresh();
}

void TChildFrame::InsertPicture(const TPicture* picture)
{
    if (!picture || !picture->Graphic() || picture->Graphic()->Empty())
        return;
    // The name counts the objects before this one, as every new object's name does.
    const QString name = QStringLiteral("CImage") + MakeObjectNameSuffix();
    auto* image = new CImage(this);
    image->SetName(name);
    image->SetParent(this);
    // The picture's corner on the paper's top-left corner, in either page mode.
    image->SetLeft(PaperCentre.X - HalfWidth);
    image->SetTop(PaperCentre.Y - HalfHeight);
    {
        TPicture copy;
        copy.Assign(picture->Graphic());
        image->SetImage(&copy);
    }
    image->Zoom = float(Zoom) * 0.01f;
    const TGraphic* g = picture->Graphic();
    image->SetSize(int(int64_t(g->Width()) * Zoom / 100), int(int64_t(g->Height()) * Zoom / 100));
    image->SetSelected(true, false);
    SetModified(true);
}

void TChildFrame::StartSaveDialogAtDocument(TOpenDialogEx& dialog, const QString& extension) const
{
    // A saved document's own folder; an untitled one starts where the last document came from,
    // else in the user's documents.
    const QFileInfo file(Caption());
    if (!Caption().isEmpty() && file.isFile()) {
        dialog.InitialDir = file.absolutePath();
    } else {
        const QString last = TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("LastDir"), QString());
        dialog.InitialDir = !last.isEmpty() && QFileInfo(last).isDir()
                                ? last
                                : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    dialog.FileName = file.completeBaseName().isEmpty() ? QString() : file.completeBaseName() + extension;
}

void TChildFrame::ExportPageBitmap()
{
    TSaveDialogEx dialog(this);
    dialog.Options |= ofOverwritePrompt;
    dialog.Filter = QLatin1String(ExportBitmapFilter);
    dialog.DefaultExt = QLatin1String(ExportBitmapExtension);
    StartSaveDialogAtDocument(dialog, QLatin1Char('.') + dialog.DefaultExt);
    if (!dialog.Execute())
        return;
    const TSize size = PagePixelSize(*Paper, PageMode, ExportPageDpi);
    TBitmap bitmap;
    RenderPage(&bitmap, size.cx, size.cy, false, false, false);
    bitmap.SaveToFile(dialog.FileName);
}

void TChildFrame::RefreshLanguage()
{
    // The window's copy of its paper takes the catalogue's texts in the new language.
    if (const PaperType* source = FindPaperType(Paper->ID)) {
        Paper->Name = source->Name;
        Paper->Manufacturer = source->Manufacturer;
        Paper->Classification = source->Classification;
        Paper->Description = source->Description;
    }
    SetHint(LoadLangStr(ReadyHintString));
    const QString caption = Caption();
    if (caption.isEmpty() || !QFileInfo(caption).isFile())
        SetCaption(LoadLangStr(UntitledCaptionString) + UntitledNumber(caption));
    MainWindowLink()->SetStatusPanel(2, Paper->Name);
    LoadCaptions();
    for (CDesignObject* o : Objects())
        o->LoadCaptions();
}
