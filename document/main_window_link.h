#pragma once
// What the document library asks of the main window and of the application's dialogs.
// The main window implements this and registers it; tests register a fake. Every member has
// a harmless default, so a link fills in only what it offers.
#include "document/paper_type.h"
#include "platform/graphics.h"
#include "platform/guid.h"
#include "platform/picture.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QPicture;
class QWidget;
class TChildFrame;
class TPrintWorker;
struct PaperType;
struct TPrintOptions;

// What the file-list and CDDB dialogs hand back after they close.
struct TDiscTextDialogResult {
    int ModalResult = 2;          // 1 (mrOk) when the user accepted
    QString FontName;             // FontName->GetFontName()
    QString FontSize;             // text of the FontSize control
    TColor FontColor = clBlack;   // FontColor->Color
    QString Text;                 // the Memo's lines, each followed by CR LF
    // CDDB dialog only.
    QString AlbumName;            // Edit1
    QString ArtistName;           // Edit2
    bool ShowAlbumName = false;   // ShowAlbumNameChk
    bool ShowArtistName = false;  // ShowArtistNameChk
};

// What the paper properties dialog starts with and hands back on OK.
struct TPaperPropertiesRequest {
    TGUID PaperID{};                // in: the document's paper; out: the paper chosen
    int32_t ShapeStyle = ShapeCircle; // in: the sample shape
    TColor OutlineColor = clSilver; // in/out: the sample's pen colour (OutLineBtn)
    TColor CoreColor = clWhite;     // in/out: the sample's brush colour (CoreBtn)
};

// What the label property dialog starts with and hands back on OK.
struct TLabelPropertiesRequest {
    QString Text;           // in/out: the memo's whole text (CR LF between lines)
    TFont SampleFont;       // in/out: name, size (FontSize, not zoomed), colour and style
    int Angle = 0;          // in/out: the AngleUpDown position, 0..360
    bool Bold = false;      // in/out: FontBold down
    bool Italic = false;    // in/out: FontItalic down
};

// What the colour property dialog starts with and hands back on OK.
struct TColorPropertiesRequest {
    bool Ellipse = false;         // in: the sample is an ellipse, else a rectangle
    TColor LineColor = clBlack;   // in/out: the sample's pen colour
    TColor CoreColor = clWhite;   // in/out: the sample's brush colour
    int LineWidth = 1;            // in/out: 1..100
    // in/out: the position and size boxes, tenths of a millimetre.
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// What the picture property dialog starts with and hands back on OK.
struct TImagePropertiesRequest {
    TPicture Picture;            // in/out: the picture (empty for none)
    bool StretchInRatio = false; // in/out: StretchInRatioChk
    // in/out: the position and size boxes, tenths of a millimetre.
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

class TMainWindowLink {
public:
    virtual ~TMainWindowLink() = default;

    // The main window: owner of the document windows and target of forwarded drops.
    virtual QWidget* MainWindow() { return nullptr; }
    // Paper and page mode for the next document window.
    virtual TGUID NextPaperID() { return TGUID{}; }
    virtual bool NextFullPageMode() { return false; }
    // Status bar panels (1 zoom, 2 paper name).
    virtual void SetStatusPanel(int index, const QString& text) {}
    // Pushes down the paint-tool button of tool 0..7 (5 has none).
    virtual void SetToolButtonDown(int tool) {}
    // Save state: SaveBtn and FileSaveItem.
    virtual void SetSaveEnabled(bool enabled) {}
    // WM_DROPFILES forwarded from a document window: the files it did not take.
    virtual void DropFiles(const QStringList& files) {}
    // Pictures of the main window's image list.
    virtual QIcon ImageListIcon(int index) { return QIcon(); }
    // Help requests of a document window: opens the manual.
    virtual void FormHelp() {}
    // Recent-files list.
    virtual void AddRecentFile(const QString& path) {}
    // Recomputes the enable state of the menus and buttons.
    virtual void UpdateMenuItems() {}
    // Caption for a document window that no longer names its file ("Edit" and the next free
    // number); "" when the main window gives none.
    virtual QString UntitledName() { return QString(); }

    // The disc-content dialogs, run modally with owner as owner; FontSize starts as "10".
    // Without the dialogs the result is a cancel.
    virtual TDiscTextDialogResult RunFileListDialog(QWidget* owner) { return {}; }
    virtual TDiscTextDialogResult RunCDDBListDialog(QWidget* owner) { return {}; }

    // The object property dialogs, run modally with the object as owner; true on OK.
    virtual bool RunLabelPropertyDialog(QWidget* owner, TLabelPropertiesRequest& request) { return false; }
    virtual bool RunColorPropertyDialog(QWidget* owner, TColorPropertiesRequest& request) { return false; }
    virtual bool RunImagePropertyDialog(QWidget* owner, TImagePropertiesRequest& request) { return false; }
    // The picture editor on picture, run modally; true when the user cropped it and kept the
    // result, which is then in picture.
    virtual bool RunImageEditor(QWidget* owner, TPicture& picture) { return false; }

    // The paper properties dialog, run modally with owner as owner; true on OK.
    virtual bool RunPaperPropertyDialog(QWidget* owner, TPaperPropertiesRequest& request) { return false; }
    // The paper editor on paper with only the label positions editable, run modally; true on
    // OK. The editor writes its changes into paper and into the catalogue record of its ID.
    virtual bool RunPageSetupDialog(QWidget* owner, PaperType* paper) { return false; }

    // The open document windows in the window-list order: the order they were opened in. The
    // print wizard, its print dialog and its print job number documents by it.
    virtual QList<TChildFrame*> DocumentWindows() { return {}; }

    // The print dialog of a document, run modally; true on OK with the chosen options.
    virtual bool RunPagePrintDialog(TChildFrame* owner, TPrintOptions& options) { return false; }
    // The print preview of a document's page (recorded in 0.1 mm on a sheet of mmWidth x
    // mmHeight millimetres); its modal result (1: print, 2: close).
    virtual int RunPrintPreview(TChildFrame* owner, const QPicture& page, int mmWidth, int mmHeight) { return 2; }
    // The progress dialog of a print job, run modally with text. start(dialog) starts the job on
    // worker; the job posts its end to dialog. Returns once the dialog has closed and the worker
    // has been joined. Without the dialog the job runs to its end.
    virtual void RunPrintProgress(QWidget* owner, const QString& text, TPrintWorker& worker,
                                  const std::function<void(QObject* dialog)>& start);
};

// The registered link; never nullptr (a do-nothing link until one is registered).
TMainWindowLink* MainWindowLink();
// Registers link (nullptr restores the do-nothing link). The caller keeps ownership.
void SetMainWindowLink(TMainWindowLink* link);
