#pragma once
// The colour, font, page-setup, printer-setup and folder dialogs, hosted in a form by the frame
// of host_dialog.h like the file dialogs: the form's controls around the standard ones, live
// change events while the dialog runs, and the results read back on OK.
#include "controls/host_dialog.h"
#include "platform/graphics.h"

#include <QMarginsF>
#include <QSize>
#include <array>

class QComboBox;
class QFont;

// ---- colour -------------------------------------------------------------------------------

enum TColorDialogOption : unsigned { cdShowHelp = 0x8, cdSolidColor = 0x80, cdAnyColor = 0x100 };

// The 16 custom colours kept as lines "ColorA=00ff00" .. "ColorP=...". A missing line, or a value
// that is no hexadecimal colour of 0 to ffffff, gives white.
std::array<TColor, 16> ReadCustomColorValues(const QStringList& lines);
// Writes each colour under its name as six hexadecimal digits; other lines stay.
void WriteCustomColorValues(QStringList& lines, const std::array<TColor, 16>& colors);
// The colour of the red, green and blue edits (decimal, at most 10 characters each read), or
// false when one of them is no number of 0 to 255.
bool ColorFromEditTexts(const QString& red, const QString& green, const QString& blue, TColor& color);

class TFormColorDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    explicit TFormColorDialog(QWidget* parent = nullptr);

    // ---- published ----
    TColor Color() const { return m_color; }
    // While running, the dialog shows the colour at once.
    void SetColor(TColor color);
    QStringList CustomColors;
    unsigned Options = 0;
    TNotifyEvent OnColorChange;

    QSize FixedSize() const override;
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
    // The red, green and blue edits changed: Color follows them, and OnColorChange fires.
    void ColorChanged();

private:
    TColor m_color = clBlack;
    bool m_changePosted = false;
};

// ---- font ---------------------------------------------------------------------------------

enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };
enum TFontDialogOption : unsigned {
    fdAnsiOnly = 0x1,
    fdTrueTypeOnly = 0x2,
    fdEffects = 0x4,
    fdFixedPitchOnly = 0x8,
    fdForceFontExist = 0x10,
    fdNoFaceSel = 0x20,
    fdNoOEMFonts = 0x40,
    fdNoSimulations = 0x80,
    fdNoSizeSel = 0x100,
    fdNoStyleSel = 0x200,
    fdNoVectorFonts = 0x400,
    fdShowHelp = 0x800,
    fdWysiwyg = 0x1000,
    fdLimitSize = 0x2000,
    fdScalableOnly = 0x4000,
    fdApplyButton = 0x8000,
};

class TFormFontDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    using TFDApplyEvent = std::function<void(QObject* sender, QWidget* window)>;

    explicit TFormFontDialog(QWidget* parent = nullptr);

    // ---- published ----
    TFont Font() const { return m_font; }
    // Copies the font and fires OnFontChange.
    void SetFont(const TFont& font);
    TFontDialogDevice Device = fdScreen;
    int MinFontSize = 0;
    int MaxFontSize = 0;
    QString SampleCaption() const { return m_sampleCaption; }
    void SetSampleCaption(const QString& caption);
    unsigned Options = fdEffects;
    TFDApplyEvent OnApply;
    TNotifyEvent OnFontChange;

    QSize FixedSize() const override;
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
    void DoShow() override;
    // Apply: the font as it stands in the dialog, then OnApply.
    virtual void DoApply(QWidget* window);
    virtual void Apply(QWidget* window);
    // Font takes the dialog's current choice: its colour from the colour box when there is one,
    // its size within the limits.
    void UpdateFromDialog();
    void TakeChoice(const QFont& font, const QComboBox* colors);
    // MinFontSize and MaxFontSize bound the sizes.
    bool LimitsSizes() const;
    void FontChanged();

private:
    TFont m_font;
    QString m_sampleCaption = QStringLiteral("AaBbYyZz");
    bool m_changePosted = false;
};

// ---- page setup ---------------------------------------------------------------------------

enum TPageSetupDialogOption : unsigned {
    poDefaultMinMargins = 0x1,
    poDisableMargins = 0x2,
    poDisableOrientation = 0x4,
    poDisablePagePainting = 0x8,
    poDisablePaper = 0x10,
    poDisablePrinter = 0x20,
    poNoWarning = 0x40,
    poShowHelp = 0x80,
};
enum TPageMeasureUnits { pmMillimeters, pmInches };
// The parts of the page sample, in the order they are painted, numbered as the system's page
// painting messages.
enum TPageSetupPaintPart {
    ppFullPage = 1025,
    ppMinMarginRect = 1026,
    ppMarginRect = 1027,
    ppGreekText = 1028,
    ppEnvStamp = 1029,
    ppYAFullPage = 1030,
};

// Paper size and margins of the page-setup dialog, in thousandths of an inch (pmInches) or
// hundredths of a millimetre (pmMillimeters).
struct TPageMargins {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TPageMargins&, const TPageMargins&) = default;
};
// A length in those units as shown in the dialog (inches or millimetres) and back.
double MeasureToDisplay(int value, TPageMeasureUnits units);
int DisplayToMeasure(double shown, TPageMeasureUnits units);
// A length from one unit into the other.
int ConvertMeasure(int value, TPageMeasureUnits from, TPageMeasureUnits to);

class TFormPageSetupDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    using TPrinterEvent = std::function<bool(QObject* sender)>;
    // Paints part of the sample page in rect on canvas; true when it painted it, so the dialog
    // leaves that part alone.
    using TPaintPageEvent =
        std::function<bool(QObject* sender, TCanvas* canvas, const TRect& rect, TPageSetupPaintPart part)>;

    explicit TFormPageSetupDialog(QWidget* parent = nullptr);

    // ---- published ----
    unsigned Options = poDefaultMinMargins | poShowHelp;
    TPageMeasureUnits Measurements = pmInches;
    TPrinterEvent OnPrinter;
    // With a handler the dialog paints only the blank page itself; the handler paints the rest.
    TPaintPageEvent OnPaintPage;
    // ---- public ----
    QSize PaperSize{0, 0};
    TPageMargins MinMargins;
    TPageMargins Margins{1000, 1000, 1000, 1000};

    QSize FixedSize() const override;
    bool Execute() override;
    // Paints the sample page again (while running).
    void RedrawPage();

protected:
    std::span<const THostedItem> ItemMap() const override;

private:
    // Paints the sample page of the running panel into sample.
    void paintPage(QWidget* sample);
};

// ---- printer setup ------------------------------------------------------------------------

class TFormPrinterSetupDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    explicit TFormPrinterSetupDialog(QWidget* parent = nullptr);
    QSize FixedSize() const override;
    // OK makes the chosen printer the printer object's.
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
};

// ---- folder -------------------------------------------------------------------------------

enum TBrowseInfoFlag : unsigned {
    bfFileSysDirsOnly = 0x1,
    bfDontGoBelowDomain = 0x2,
    bfStatusText = 0x4,
    bfFileSysAncestors = 0x8,
    bfBrowseForComputer = 0x10,
    bfBrowseForPrinter = 0x20,
    bfShowPathInStatusArea = 0x40,
};
enum TSpecialFolder {
    sfoDesktopExpanded,
    sfoDesktop,
    sfoPrograms,
    sfoControlPanel,
    sfoPrinters,
    sfoPersonal,
    sfoFavorites,
    sfoStartup,
    sfoRecent,
    sfoSendTo,
    sfoRecycleBin,
    sfoStartMenu,
    sfoDesktopDirectory,
    sfoMyComputer,
    sfoNetwork,
    sfoNetworkNeighborhood,
    sfoFonts,
    sfoTemplates,
    sfoCommonStartMenu,
    sfoCommonPrograms,
    sfoCommonStartup,
    sfoCommonDesktopDirectory,
    sfoAppData,
    sfoPrintHood,
};
// The folder a special folder stands for here: the file system's root for the whole machine
// and for those without a folder of their own.
QString SpecialFolderPath(TSpecialFolder folder);
// The options as SetOptions keeps them when changing from old to value.
unsigned FolderDialogOptions(unsigned old, unsigned value);

class TFormFolderDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    explicit TFormFolderDialog(QWidget* parent = nullptr);

    // ---- published (and Title, the text above the folders) ----
    void SetTitle(const QString& title);
    TSpecialFolder RootFolder() const { return m_root; }
    void SetRootFolder(TSpecialFolder root);
    unsigned Options() const { return m_options; }
    void SetOptions(unsigned options);
    TNotifyEvent OnChange;

    // While running, the selected folder; else the one chosen last (or set).
    QString GetDirectory() const;
    // While running, selects the folder; else it is selected when the dialog opens.
    void SetDirectory(const QString& path);
    // The chosen folder's name as shown.
    QString DisplayName() const { return m_displayName; }
    // While running: the status line, selecting a folder, enabling OK.
    void SetStatusText(const QString& text);
    void SetSelectionPath(const QString& path);
    void EnableOK(bool enable);

    QSize FixedSize() const override;
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
    void DoShow() override;
    // The selection moved to path ("" for none with a folder of the file system).
    void BFFMSelChanged(const QString& path);

private:
    // Title while the dialog runs (the frame would take Title as its caption).
    QString m_runTitle;
    TSpecialFolder m_root = sfoDesktopExpanded;
    unsigned m_options = bfFileSysDirsOnly | bfStatusText | bfShowPathInStatusArea;
    QString m_directory;
    QString m_selection;
    QString m_displayName;
};
