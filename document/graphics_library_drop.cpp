// The document window's side of a graphics-library tile dragged onto the page.
#include "document/child_frame.h"

#include "document/graphics_library_object.h"
#include "document/picture_object.h"
#include "platform/message_box.h"
#include "platform/picture.h"

void TChildFrame::FormDragOver(QObject*, const QMimeData* data, int, int, bool& accept)
{
    accept = CGraphicsLibraryObject::FromDrag(data) != nullptr;
}

void TChildFrame::FormDragDrop(QObject*, const QMimeData* data, int, int)
{
    const CGraphicsLibraryObject* tile = CGraphicsLibraryObject::FromDrag(data);
    if (!tile || tile->FileName.isEmpty())
        return;
    // The full picture is read before the object is made: a file removed or damaged since the
    // panel was filled gives its error and no object holding only the thumbnail.
    TPicture picture;
    try {
        picture.LoadFromFile(tile->FileName);
    } catch (const std::exception& e) {
        Application->ShowFileException(tile->FileName, e);
        return;
    }
    if (picture.Empty())
        return;
    // Named before it exists, or the new object would count itself.
    const QString name = QStringLiteral("CImage") + MakeObjectNameSuffix();
    auto* image = new CImage(this);
    image->SetName(name);
    image->SetParent(Page);
    image->Zoom = float(Zoom) * 0.01f;
    image->SetImage(&picture);
    image->SetSelected(true, false);
    SetModified(true);
    // The picture fills the paper area, wherever the tile was dropped.
    image->SetSize(2 * HalfWidth, 2 * HalfHeight);
    image->move(PaperCentre.X - image->Width() / 2, PaperCentre.Y - image->Height() / 2);
}
