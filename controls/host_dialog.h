#pragma once
// Common dialogs hosted inside a form: the form's own controls sit around the standard ones in
// one window. The component marks, on its form, where the standard controls go; Execute puts
// the form into a modal frame window with the standard dialog (Qt's own, never the desktop's)
// embedded at that place, and gives the form back when the dialog closes.
//
// The standard items are reached by their Windows identifiers (1 OK, 2 Cancel, 1038 Help, ...)
// through one table per dialog kind that names the Qt child widget behind each.
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <span>

class QDialog;
class QFileDialog;
class QCheckBox;

// Dialog base units of the machine (low word horizontal, high word vertical). The program's
// dialogs are laid out at 8 x 16 and Qt keeps that on every screen.
int GetDialogBaseUnits();
// Tests: answers with units instead; 0 restores the default.
void SetDialogBaseUnits(int units);

// The fixed size of a dialog kind's standard controls, in pixels, from its design size in
// dialog units at 8 x 16.
QSize HostedDialogSize(int designWidth, int designHeight);

// Factors by which a form designed at designUnits is stretched at currentUnits. A form the
// framework scales already gets only the horizontal correction.
struct TRescaleFactors {
    double Horizontal = 1.0;
    double Vertical = 1.0;
};
TRescaleFactors RescaleFactors(int designUnits, int currentUnits, bool scaled);

// One standard item of a hosted dialog: its Windows identifier, the object name of the Qt child
// that plays it and, for a button of the dialog's button box, which standard button it is.
struct THostedItem {
    int Id;
    const char* ChildName;
    QDialogButtonBox::StandardButton Button = QDialogButtonBox::NoButton;
};
// The child of dialog that plays item id by map; nullptr when the map or the dialog lacks it.
QWidget* FindHostedItem(const QWidget* dialog, std::span<const THostedItem> map, int id);

class TFormCommonDialog : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // parent: the form that hosts the dialog (nullptr: the dialog runs alone in its frame).
    explicit TFormCommonDialog(QWidget* parent = nullptr);
    ~TFormCommonDialog() override;

    // ---- published ----
    int DlgBaseUnits() const { return GetDialogBaseUnits(); }
    void SetDlgBaseUnits(int units) { m_designBaseUnits = units; }
    QString OkButtonCaption() const { return m_okCaption; }
    QString CancelButtonCaption() const { return m_cancelCaption; }
    QString HelpButtonCaption() const { return m_helpCaption; }
    void SetOkButtonCaption(const QString& caption);
    void SetCancelButtonCaption(const QString& caption);
    void SetHelpButtonCaption(const QString& caption);
    // The OK, Cancel and Help buttons keep the standard dialog's own (translated) captions until
    // a caption is set.
    void UseStandardCaptions() { m_captionsSet = 0; }
    int HelpContext = 0;
    QString Title;
    TNotifyEvent OnClose;
    TNotifyEvent OnShow;
    TNotifyEvent OnHelp;

    // Where the frame window belongs when there is no form (else the form's own owner).
    QPointer<QWidget> OwnerWindow;

    // ---- run time ----
    QWidget* Form() const { return m_form; }
    void SetForm(QWidget* form) { m_form = form; }
    // The standard dialog while it runs (DialogHandle) and the top-level frame around it and the
    // form (FrameHandle); nullptr otherwise.
    QWidget* DialogHandle() const { return m_dialog; }
    QDialog* FrameHandle() const { return m_frame; }
    bool Showing() const { return m_showing; }
    // The standard item of this kind with Windows identifier id, while the dialog runs.
    QWidget* DialogItem(int id) const;
    // Item id's rectangle in the form's coordinates (empty when it is not there).
    QRect DialogItemRect(int id) const;
    // The place of the standard controls in the form.
    QRect GetStaticRect() const;

    // Frame size and place: the frame window's while it runs, the stored values otherwise.
    int GetWidth() const;
    int GetHeight() const;
    int GetClientWidth() const;
    int GetClientHeight() const;
    int GetLeft() const;
    int GetTop() const;
    virtual void SetWidth(int value);
    virtual void SetHeight(int value);
    virtual void SetClientWidth(int value);
    virtual void SetClientHeight(int value);
    virtual void SetLeft(int value);
    virtual void SetTop(int value);

    // Fixed size of the standard controls of this kind, in pixels.
    virtual QSize FixedSize() const = 0;
    virtual bool Execute() = 0;

    // Stretches the form and its controls once for the screen's dialog units.
    void RescaleParent();

protected:
    // The frame's caption when neither the form nor Title gives one.
    virtual QString DefaultTitle() const { return QString(); }
    // The items of this kind: Windows identifier to Qt child.
    virtual std::span<const THostedItem> ItemMap() const = 0;
    // Runs dialog (made for this run, taken over) modally in the frame with the form around it.
    // 1 when the user accepted, 0 otherwise.
    virtual int TaskModalDialog(QWidget* dialog);
    virtual void DoShow();
    virtual void DoClose();
    virtual void DoHelp();
    // The standard dialog asks to close with result (1 accepted).
    void CloseFrame(int result);
    // Execute's run: the parent's form (if any) hosts dialog, made for this run and taken over.
    // When the user accepts, take reads the results while the dialog stands and says whether
    // there is one to give; true when there was.
    bool RunHosted(QDialog* dialog, const std::function<bool()>& take);

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Writes the captions set into the running dialog again.
    void writeCaptions();

    // Frame sizes while no frame exists.
    QSize m_storedClientSize;
    QSize m_storedSize;

private:
    void hostForm();
    void releaseForm();
    void setItemText(int id, const QString& text);

    // The captions written into the running dialog (all three unless UseStandardCaptions).
    unsigned m_captionsSet = 7;
    QString m_okCaption = QStringLiteral("&Ok");
    QString m_cancelCaption = QStringLiteral("Cancel");
    QString m_helpCaption = QStringLiteral("&Help");
    int m_designBaseUnits;
    bool m_rescaled = false;
    bool m_showing = false;
    bool m_formMoving = false;
    bool m_releasing = false;
    QPointer<QWidget> m_form;
    QPointer<QWidget> m_dialog;
    QPointer<QDialog> m_frame;
    // The form's place before it was hosted.
    QPointer<QWidget> m_savedParent;
    Qt::WindowFlags m_savedFlags;
    QRect m_savedGeometry;
    bool m_savedVisible = false;
};

// ---- the open and save dialogs ----

// Options of the file dialogs, with the Windows flag each stands for.
enum TOpenOption : unsigned {
    ofReadOnly = 0x1,
    ofOverwritePrompt = 0x2,
    ofHideReadOnly = 0x4,
    ofNoChangeDir = 0x8,
    ofShowHelp = 0x10,
    ofNoValidate = 0x100,
    ofAllowMultiSelect = 0x200,
    ofExtensionDifferent = 0x400,
    ofPathMustExist = 0x800,
    ofFileMustExist = 0x1000,
    ofCreatePrompt = 0x2000,
    ofShareAware = 0x4000,
    ofNoReadOnlyReturn = 0x8000,
    ofNoTestFileCreate = 0x10000,
    ofNoNetworkButton = 0x20000,
    ofNoLongNames = 0x40000,
    ofNoDereferenceLinks = 0x100000,
};

// The standard items a file dialog can show or hide.
enum TVisibleControls : unsigned {
    ccOkButton = 0x1,
    ccCancelButton = 0x2,
    ccHelpButton = 0x4,
    ccFolderCombo = 0x8,
    ccFileNameEdit = 0x10,
    ccFileTypeComboBox = 0x20,
    ccReadOnlyCheckBox = 0x40,
    ccLookInLabel = 0x80,
    ccFileNameLabel = 0x100,
    ccFileTypeLabel = 0x200,
};
constexpr unsigned AllVisibleControls = 0x3FF;
// The Windows identifier of the item each visible-control flag stands for.
int VisibleControlItem(TVisibleControls control);

// Windows filter text "desc|*.a;*.b|desc2|*.c" as Qt name filters "desc (*.a *.b)".
QStringList FilterToNameFilters(const QString& filter);
// The names in a file-name box: every piece between double quotes (one-character names too),
// or the whole text when it holds no quote.
QStringList QuotedNames(const QString& text);
// InitialDir as stored: a trailing separator goes unless it is the whole text or follows ":".
QString TrimInitialDir(const QString& dir);

class TFormOpenDialog : public TFormCommonDialog {
    Q_OBJECT
public:
    using TCloseQueryEvent = std::function<void(QObject* sender, bool& canClose)>;

    explicit TFormOpenDialog(QWidget* parent = nullptr);
    ~TFormOpenDialog() override;

    // ---- published ----
    QString DefaultExt() const { return m_defaultExt; }
    void SetDefaultExt(const QString& ext);
    QString FileName;
    QString Filter;
    int FilterIndex = 1;
    QString InitialDir() const { return m_initialDir; }
    void SetInitialDir(const QString& dir) { m_initialDir = TrimInitialDir(dir); }
    unsigned Options = ofHideReadOnly;
    unsigned VisibleControls() const { return m_visibleControls; }
    void SetVisibleControls(unsigned controls);
    TNotifyEvent OnFolderChange;
    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnTypeChange;
    TCloseQueryEvent OnFileOK;

    QStringList Files;
    QStringList HistoryList;

    // While running: the selected file (the first of a multiple selection); else FileName.
    QString GetFileName() const;
    // While running: the filter shown; else FilterIndex.
    int GetFilterIndex() const;
    // Every chosen name with its folder (refreshed from the name box while running).
    QStringList GetFiles();
    // The folder shown, "" when not running.
    QString GetDirectory() const;
    // While running: the bar of the dialog's own tool buttons (back, forward, up, new folder,
    // list view, detail view); nullptr otherwise.
    QWidget* GetToolBarHandle() const;
    void ShowToolBar(bool show);
    // Clicks tool button index (1 back ... 6 detail view) as the mouse does: the events are
    // posted, so the click happens when the event loop runs.
    void ToolBarButtonClick(int index);

    QSize FixedSize() const override;
    bool Execute() override;

    // The running standard dialog (tests drive it).
    QFileDialog* RunningDialog() const;

protected:
    std::span<const THostedItem> ItemMap() const override;
    QString DefaultTitle() const override;
    bool DoExecute(bool save);
    virtual bool IsSaveDialog() const { return false; }
    void DoShow() override;
    virtual void DoSelectionChange();
    virtual void DoFolderChange();
    virtual void DoTypeChange();
    virtual bool DoFileOk();
    void UpdateFiles();

private:
    friend class THostedFileDialog;
    QString m_defaultExt;
    QString m_initialDir;
    unsigned m_visibleControls = AllVisibleControls;
    int m_currentFilterIndex = 1;
    QStringList m_nameFilters;
};

class TFormSaveDialog : public TFormOpenDialog {
    Q_OBJECT
public:
    explicit TFormSaveDialog(QWidget* parent = nullptr) : TFormOpenDialog(parent) {}
    bool Execute() override;

protected:
    std::span<const THostedItem> ItemMap() const override;
    bool IsSaveDialog() const override { return true; }
};
