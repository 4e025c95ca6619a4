// Objects made by the creation tools and by dropped pictures.
#include "document/child_frame.h"

#include "document/label.h"
#include "document/main_window_link.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "platform/picture.h"

#include <QPointer>

namespace {

// The label text and font a disc-text dialog handed back.
struct LabelFont {
    QString Name;
    int Size = 10;
    TColor Color = clBlack;
};

void ApplyLabelText(CLabel* label, const QString& text, const LabelFont& font, int size)
{
    label->Text = text;
    label->Font->Name = font.Name;
    label->FontSize = size;
    label->Font->Color = font.Color;
    label->AdjustSizeToText();
}

} // namespace

void AdjustLabelToText(CDesignObject* object)
{
    if (auto* label = qobject_cast<CLabel*>(object))
        label->AdjustSizeToText();
}

void TChildFrame::CreateToolObject(int tool, int x0, int y0, int w, int h)
{
    if (tool < ToolLabel || tool > ToolCDDBList || tool == ToolBarCode) {
        // No object kind for this tool.
        ReturnToArrowTool();
        return;
    }
    QString suffix = MakeObjectNameSuffix();
    QString text;
    LabelFont font;

    // The dialogs' font size: a whole number in range, or an error and no object.
    auto takeFont = [&](const TDiscTextDialogResult& r) {
        if (!FontSizeFromText(r.FontSize, font.Size)) {
            MessageDlg(LoadLangStr(FontSizeRangeString).arg(MinLabelFontSize).arg(MaxLabelFontSize), mtWarning, mbOK);
            return false;
        }
        font.Name = r.FontName;
        font.Color = r.FontColor;
        return true;
    };

    if (tool == ToolFileList) {
        const TDiscTextDialogResult r = MainWindowLink()->RunFileListDialog(this);
        text = r.Text;
        if (r.ModalResult != mrOk || text.isEmpty() || !takeFont(r)) {
            ReturnToArrowTool();
            return;
        }
    } else if (tool == ToolCDDBList) {
        const TDiscTextDialogResult r = MainWindowLink()->RunCDDBListDialog(this);
        QString heading;
        if (r.ShowAlbumName)
            heading = r.AlbumName + QStringLiteral("\r\n");
        if (r.ShowArtistName)
            heading += r.ArtistName;
        text = r.Text;
        if (r.ModalResult != mrOk || !takeFont(r)) {
            ReturnToArrowTool();
            return;
        }
        if (!heading.isEmpty()) {
            const QString name = QStringLiteral("CLabel") + MakeObjectNameSuffix();
            auto* label = new CLabel(this);
            label->SetName(name);
            label->SetParent(Page);
            label->move(x0, y0);
            label->Zoom = float(Zoom) * 0.01f;
            label->SetSize(w, h);
            ApplyLabelText(label, heading, font, font.Size + 4);
            label->move(int(PaperCentre.X - label->Width() * 0.5), RoundValue(ClientHeight() * 0.1));
            SetModified(true);
            // The body must not take the heading's name.
            suffix = MakeObjectNameSuffix();
        }
        if (text.isEmpty()) {
            ReturnToArrowTool();
            return;
        }
    }

    CDesignObject* object = nullptr;
    switch (tool) {
    case ToolLabel:
    case ToolFileList:
    case ToolCDDBList: object = new CLabel(this); break;
    case ToolImage: object = new CImage(this); break;
    case ToolRect: object = new CRectangle(this); break;
    case ToolEllipse: object = new CEllipse(this); break;
    }
    static const char* const kPrefix[] = {"", "CLabel", "CImage", "CRect", "CElips", "", "CLabel", "CLabel"};
    object->SetName(QLatin1String(kPrefix[tool]) + suffix);
    object->SetParent(Page);
    object->move(x0, y0);
    // The zoom first, so that a label fits its text at the window's zoom.
    object->Zoom = float(Zoom) * 0.01f;
    object->SetSize(w, h);
    if ((tool == ToolFileList || tool == ToolCDDBList) && !text.isEmpty())
        ApplyLabelText(static_cast<CLabel*>(object), text, font, font.Size);
    QPointer<CDesignObject> guard(object);
    if (tool == ToolLabel || tool == ToolImage)
        object->EditProperties();
    if (guard)
        guard->SetSelected(true, false);
    SetModified(true);
    ReturnToArrowTool();
}

bool TChildFrame::AddDroppedPicture(const QString& path)
{
    // The picture is read before anything is made, so a bad file leaves no empty object.
    TPicture picture;
    try {
        picture.LoadFromFile(path);
    } catch (const std::exception& e) {
        Application->ShowFileException(path, e);
        return false;
    }
    if (picture.Empty())
        return false;
    const QString name = QStringLiteral("CImage") + MakeObjectNameSuffix();
    auto* image = new CImage(this);
    image->SetName(name);
    image->SetParent(Page);
    image->move(PaperCentre.X - HalfWidth, PaperCentre.Y - HalfHeight);
    image->SetImage(&picture);
    image->SetStretchInRatio(true);
    image->Zoom = float(Zoom) * 0.01f;
    image->SetSize(100, 100);
    // A picture is taken at 180 pixels per inch.
    const double k = double(Screen->PixelsPerInch) * double(image->Zoom) / 180.0;
    image->SetBounds(image->Left(), image->Top(), RoundValue(picture.Width() * k), RoundValue(picture.Height() * k));
    image->SetSelected(true, false);
    SetModified(true);
    ReturnToArrowTool();
    return true;
}
