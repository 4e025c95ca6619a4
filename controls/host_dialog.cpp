#include "controls/host_dialog.h"

#include "platform/help_context.h"
#include "platform/message_box.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>
#include <cmath>

namespace {

constexpr int DefaultBaseUnits = 0x00100008; // 8 x 16
int g_baseUnits = 0;

int lowWord(int v)
{
    return v & 0xFFFF;
}
int highWord(int v)
{
    return (v >> 16) & 0xFFFF;
}

// Design size of the standard controls of the file dialogs, in dialog units at 8 x 16.
constexpr int FileDialogWidth = 410;
constexpr int FileDialogHeight = 280;

// The read-only check box the file dialogs add below the standard controls.
constexpr const char* ReadOnlyCheckName = "readOnlyCheck";

} // namespace

int GetDialogBaseUnits()
{
    return g_baseUnits ? g_baseUnits : DefaultBaseUnits;
}

void SetDialogBaseUnits(int units)
{
    g_baseUnits = units;
}

QSize HostedDialogSize(int designWidth, int designHeight)
{
    const int units = GetDialogBaseUnits();
    double scaleX = lowWord(units) / 8.0;
    if (scaleX > 1)
        scaleX *= 1.09;
    else if (scaleX < 1)
        scaleX *= 0.91;
    const double scaleY = highWord(units) / 16.0;
    return QSize(int(std::nearbyint(scaleX * designWidth)), int(std::nearbyint(scaleY * designHeight)));
}

TRescaleFactors RescaleFactors(int designUnits, int currentUnits, bool scaled)
{
    TRescaleFactors f;
    const int designX = lowWord(designUnits), currentX = lowWord(currentUnits);
    const int designY = highWord(designUnits), currentY = highWord(currentUnits);
    if (designX != currentX && designX > 0) {
        if (scaled)
            f.Horizontal = designX >= currentX ? 0.9 : 1.1;
        else
            f.Horizontal = double(currentX) / designX * (designX >= currentX ? 0.9 : 1.1);
    }
    if (!scaled && designY > 0)
        f.Vertical = double(currentY) / designY;
    return f;
}

QWidget* FindHostedItem(const QWidget* dialog, std::span<const THostedItem> map, int id)
{
    if (!dialog)
        return nullptr;
    for (const THostedItem& item : map) {
        if (item.Id != id)
            continue;
        auto* child = dialog->findChild<QWidget*>(QString::fromLatin1(item.ChildName));
        if (!child || item.Button == QDialogButtonBox::NoButton)
            return child;
        auto* box = qobject_cast<QDialogButtonBox*>(child);
        return box ? box->button(item.Button) : nullptr;
    }
    return nullptr;
}

// ---- TFormCommonDialog ---------------------------------------------------------------

TFormCommonDialog::TFormCommonDialog(QWidget* parent)
    : QWidget(parent), m_designBaseUnits(GetDialogBaseUnits())
{
    // The component only marks a place on its form; it is never seen at run time.
    setGeometry(0, 0, 100, 100);
    setVisible(false);
}

TFormCommonDialog::~TFormCommonDialog()
{
    delete m_frame.data();
}

void TFormCommonDialog::SetOkButtonCaption(const QString& caption)
{
    m_okCaption = caption;
    m_captionsSet |= 1;
    setItemText(1, caption);
}

void TFormCommonDialog::SetCancelButtonCaption(const QString& caption)
{
    m_cancelCaption = caption;
    m_captionsSet |= 2;
    setItemText(2, caption);
}

void TFormCommonDialog::SetHelpButtonCaption(const QString& caption)
{
    m_helpCaption = caption;
    m_captionsSet |= 4;
    setItemText(1038, caption);
}

void TFormCommonDialog::setItemText(int id, const QString& text)
{
    if (!m_dialog)
        return;
    if (auto* fd = qobject_cast<QFileDialog*>(m_dialog.data())) {
        // The file dialog relabels its own buttons as the selection changes; fixed labels stay.
        if (id == 1) {
            fd->setLabelText(QFileDialog::Accept, text);
            return;
        }
        if (id == 2) {
            fd->setLabelText(QFileDialog::Reject, text);
            return;
        }
    }
    QWidget* item = DialogItem(id);
    if (auto* b = qobject_cast<QAbstractButton*>(item))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(item))
        l->setText(text);
}

void TFormCommonDialog::writeCaptions()
{
    if (m_captionsSet & 1)
        setItemText(1, m_okCaption);
    if (m_captionsSet & 2)
        setItemText(2, m_cancelCaption);
    if (m_captionsSet & 4)
        setItemText(1038, m_helpCaption);
}

QWidget* TFormCommonDialog::DialogItem(int id) const
{
    return FindHostedItem(m_dialog, ItemMap(), id);
}

QRect TFormCommonDialog::DialogItemRect(int id) const
{
    QWidget* item = DialogItem(id);
    if (!item)
        return QRect();
    QWidget* base = m_form ? m_form.data() : m_frame.data();
    if (!base)
        return QRect();
    return QRect(item->mapTo(base, QPoint(0, 0)), item->size());
}

QRect TFormCommonDialog::GetStaticRect() const
{
    QWidget* p = parentWidget();
    if (!p || !m_form)
        return QRect(QPoint(0, 0), size());
    return QRect(p->mapTo(m_form, pos()), size());
}

int TFormCommonDialog::GetWidth() const
{
    return m_frame ? m_frame->frameGeometry().width() : m_storedSize.width();
}

int TFormCommonDialog::GetHeight() const
{
    return m_frame ? m_frame->frameGeometry().height() : m_storedSize.height();
}

int TFormCommonDialog::GetClientWidth() const
{
    return m_frame ? m_frame->width() : m_storedClientSize.width();
}

int TFormCommonDialog::GetClientHeight() const
{
    return m_frame ? m_frame->height() : m_storedClientSize.height();
}

int TFormCommonDialog::GetLeft() const
{
    return m_frame ? m_frame->x() : 0;
}

int TFormCommonDialog::GetTop() const
{
    return m_frame ? m_frame->y() : 0;
}

void TFormCommonDialog::SetWidth(int value)
{
    const int border = m_frame ? m_frame->frameGeometry().width() - m_frame->width() : 0;
    SetClientWidth(value - border);
}

void TFormCommonDialog::SetHeight(int value)
{
    const int border = m_frame ? m_frame->frameGeometry().height() - m_frame->height() : 0;
    SetClientHeight(value - border);
}

void TFormCommonDialog::SetClientWidth(int value)
{
    m_storedClientSize.setWidth(value);
    if (m_frame) {
        if (m_form)
            m_frame->setFixedWidth(value);
        else
            m_frame->resize(value, m_frame->height());
        m_storedSize.setWidth(m_frame->frameGeometry().width());
    }
}

void TFormCommonDialog::SetClientHeight(int value)
{
    m_storedClientSize.setHeight(value);
    if (m_frame) {
        if (m_form)
            m_frame->setFixedHeight(value);
        else
            m_frame->resize(m_frame->width(), value);
        m_storedSize.setHeight(m_frame->frameGeometry().height());
    }
}

void TFormCommonDialog::SetLeft(int value)
{
    if (m_frame)
        m_frame->move(value, m_frame->y());
}

void TFormCommonDialog::SetTop(int value)
{
    if (m_frame)
        m_frame->move(m_frame->x(), value);
}

void TFormCommonDialog::RescaleParent()
{
    if (m_rescaled || !m_form)
        return;
    m_rescaled = true;
    const TRescaleFactors f = RescaleFactors(m_designBaseUnits, GetDialogBaseUnits(), false);
    if (f.Horizontal == 1.0 && f.Vertical == 1.0)
        return;
    auto scale = [&f](QWidget* w) {
        const QRect r = w->geometry();
        w->setGeometry(int(std::nearbyint(r.x() * f.Horizontal)), int(std::nearbyint(r.y() * f.Vertical)),
                       int(std::nearbyint(r.width() * f.Horizontal)),
                       int(std::nearbyint(r.height() * f.Vertical)));
    };
    m_form->resize(int(std::nearbyint(m_form->width() * f.Horizontal)),
                   int(std::nearbyint(m_form->height() * f.Vertical)));
    for (QWidget* w : m_form->findChildren<QWidget*>())
        scale(w);
}

void TFormCommonDialog::hostForm()
{
    QWidget* form = m_form;
    m_savedParent = form->parentWidget();
    m_savedFlags = form->windowFlags();
    m_savedGeometry = form->geometry();
    m_savedVisible = form->isVisible();
    const QRect place = GetStaticRect();
    form->hide();
    form->setParent(m_frame, Qt::Widget);
    form->move(0, 0);
    m_dialog->setParent(form);
    m_dialog->setGeometry(place);
    m_dialog->raise();
    form->installEventFilter(this);
    form->show();
}

void TFormCommonDialog::releaseForm()
{
    QWidget* form = m_form;
    if (!form)
        return;
    m_releasing = true;
    form->removeEventFilter(this);
    form->hide();
    const QSize size = form->size();
    form->setParent(m_savedParent, m_savedFlags);
    form->setGeometry(QRect(m_savedGeometry.topLeft(), size));
    m_releasing = false;
}

int TFormCommonDialog::TaskModalDialog(QWidget* dialog)
{
    QWidget* owner = m_form ? m_form->parentWidget() : OwnerWindow.data();
    if (!owner && Application)
        owner = Application->MainForm;
    if (owner)
        owner = owner->window();
    m_frame = new QDialog(owner);
    m_frame->setObjectName(QStringLiteral("HostFrame"));
    // The form's caption, else the title asked for, else the standard dialog's own.
    QString caption = m_form ? m_form->windowTitle() : QString();
    if (caption.isEmpty())
        caption = !Title.isEmpty() ? Title : dialog->windowTitle();
    if (caption.isEmpty())
        caption = DefaultTitle();
    m_frame->setWindowTitle(caption);
    m_dialog = dialog;
    dialog->setWindowFlags(Qt::Widget);
    const QSize fixed = FixedSize().expandedTo(dialog->minimumSizeHint());
    if (m_form) {
        // The place keeps its corner; the standard controls need their whole size.
        resize(fixed);
        hostForm();
        m_frame->setFixedSize(m_form->size());
    } else {
        auto* layout = new QVBoxLayout(m_frame);
        layout->setContentsMargins(0, 0, 0, 0);
        dialog->setParent(m_frame);
        layout->addWidget(dialog);
        m_frame->resize(fixed.expandedTo(dialog->sizeHint()));
    }
    m_frame->installEventFilter(this);
    const int result = m_frame->exec();
    // The frame may have gone with its owner while it ran.
    if (m_frame)
        m_frame->removeEventFilter(this);
    if (m_showing)
        DoClose();
    delete m_dialog.data();
    delete m_frame.data();
    return result == QDialog::Accepted ? 1 : 0;
}

bool TFormCommonDialog::RunHosted(QDialog* dialog, const std::function<bool()>& take)
{
    SetForm(parentWidget() ? parentWidget()->window() : nullptr);
    RescaleParent();
    bool taken = false;
    connect(dialog, &QDialog::finished, this, [this, &taken, &take](int result) {
        taken = result == QDialog::Accepted && take();
        CloseFrame(taken);
    });
    return TaskModalDialog(dialog) == 1 && taken;
}

void TFormCommonDialog::CloseFrame(int result)
{
    if (m_frame)
        m_frame->done(result ? QDialog::Accepted : QDialog::Rejected);
}

bool TFormCommonDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_frame && event->type() == QEvent::Show && !m_showing) {
        DoShow();
        return false;
    }
    // F1 that no control of the dialog answered asks for the dialog's help.
    if (watched == m_frame && event->type() == QEvent::KeyPress && HelpContext != 0 &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        DoHelp();
        return true;
    }
    if (watched == m_form && m_form && m_frame && !m_releasing) {
        switch (event->type()) {
        case QEvent::Resize:
            // The frame follows the form's size.
            m_frame->setFixedSize(m_form->size());
            m_storedClientSize = m_form->size();
            break;
        case QEvent::Move:
            // Moving the hosted form moves the frame instead; the form stays in its corner.
            if (!m_formMoving && m_form->pos() != QPoint(0, 0)) {
                m_formMoving = true;
                m_frame->move(m_form->pos());
                m_form->move(0, 0);
                m_formMoving = false;
            }
            break;
        case QEvent::HideToParent:
            // Hiding the form (a modal result, say) closes the dialog.
            QMetaObject::invokeMethod(m_frame, "reject", Qt::QueuedConnection);
            break;
        case QEvent::WindowTitleChange:
            Title = m_form->windowTitle();
            m_frame->setWindowTitle(Title);
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormCommonDialog::DoShow()
{
    if (m_form) {
        m_showing = true;
        SetClientWidth(m_form->width());
        SetClientHeight(m_form->height());
        m_frame->setWindowTitle(m_form->windowTitle());
        writeCaptions();
    } else {
        m_showing = true;
        writeCaptions();
    }
    if (OnShow)
        OnShow(this);
}

void TFormCommonDialog::DoClose()
{
    releaseForm();
    if (OnClose)
        OnClose(this);
    m_showing = false;
}

void TFormCommonDialog::DoHelp()
{
    // The dialog's help context, shown as the program's other dialogs show theirs.
    if (HelpContext != 0) {
        const QWidget* help = DialogItem(1038);
        ShowHelpContext(HelpContext, help && help->isVisible() ? help->mapToGlobal(QPoint(0, help->height()))
                                                               : QCursor::pos());
    }
    if (OnHelp)
        OnHelp(this);
}

// ---- file dialogs --------------------------------------------------------------------

namespace {

// Qt's tool buttons of the file dialog, in the order the tool bar shows them: back, forward, up,
// new folder, list view, detail view.
constexpr const char* FileToolButtonNames[] = {"backButton",      "forwardButton",  "toParentButton",
                                               "newFolderButton", "listModeButton", "detailModeButton"};

// The file dialogs' items; the two kinds differ only in the button that accepts. Qt names its
// children in its own form; a Qt that renames one shows up in the test that looks every
// identifier up.
constexpr std::array<THostedItem, 10> fileDialogItems(QDialogButtonBox::StandardButton accept)
{
    return {{
        {1, "buttonBox", accept},
        {2, "buttonBox", QDialogButtonBox::Cancel},
        {1038, "buttonBox", QDialogButtonBox::Help},
        {1040, ReadOnlyCheckName},
        {1089, "fileTypeLabel"},
        {1090, "fileNameLabel"},
        {1091, "lookInLabel"},
        {1136, "fileTypeCombo"},
        {1137, "lookInCombo"},
        {1152, "fileNameEdit"},
    }};
}
constexpr auto OpenDialogItems = fileDialogItems(QDialogButtonBox::Open);
constexpr auto SaveDialogItems = fileDialogItems(QDialogButtonBox::Save);

constexpr struct {
    TVisibleControls Control;
    int Item;
} VisibleControlItems[] = {
    {ccOkButton, 1},         {ccCancelButton, 2},        {ccHelpButton, 1038},       {ccFolderCombo, 1137},
    {ccFileNameEdit, 1152},  {ccFileTypeComboBox, 1136}, {ccReadOnlyCheckBox, 1040}, {ccLookInLabel, 1091},
    {ccFileNameLabel, 1090}, {ccFileTypeLabel, 1089},
};

} // namespace

int VisibleControlItem(TVisibleControls control)
{
    for (const auto& v : VisibleControlItems)
        if (v.Control == control)
            return v.Item;
    return 0;
}

QStringList FilterToNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        // Qt reads the patterns between the last parentheses, split at blanks only. A
        // description that ends in its own patterns ("File(*.kvo)") keeps them there, blank
        // separated; otherwise the patterns go last.
        QString shownText = description;
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            const QString inside =
                open >= 0 ? description.mid(open + 1, description.size() - open - 2) : QString();
            QStringList shown = inside.split(QRegularExpression(QStringLiteral("[ ;]")), Qt::SkipEmptyParts);
            if (open >= 0 && QSet<QString>(shown.begin(), shown.end()) ==
                                 QSet<QString>(patterns.begin(), patterns.end())) {
                if (!inside.contains(QLatin1Char(';'))) {
                    result << description;
                    continue;
                }
                shownText = description.left(open).trimmed();
            }
        }
        result << shownText + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QStringList QuotedNames(const QString& text)
{
    if (!text.contains(QLatin1Char('"'))) {
        const QString name = text.trimmed();
        return name.isEmpty() ? QStringList() : QStringList{name};
    }
    // Every other piece lies between a pair of quotes; an unclosed last quote still ends a name.
    QStringList names;
    const QStringList pieces = text.split(QLatin1Char('"'));
    for (qsizetype i = 1; i < pieces.size(); i += 2)
        if (!pieces.at(i).isEmpty())
            names << pieces.at(i);
    return names;
}

QString TrimInitialDir(const QString& dir)
{
    if (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\'))) &&
        dir.at(dir.size() - 2) != QLatin1Char(':'))
        return dir.left(dir.size() - 1);
    return dir;
}

// Qt's file dialog as a child of the host form, asking its component before it accepts.
class THostedFileDialog : public QFileDialog {
public:
    explicit THostedFileDialog(TFormOpenDialog* owner) : QFileDialog(nullptr), m_owner(owner)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setWindowFlags(Qt::Widget);
        setSizeGripEnabled(false);
        ReadOnly = new QCheckBox(this);
        ReadOnly->setObjectName(QString::fromLatin1(ReadOnlyCheckName));
        ReadOnly->setText(QStringLiteral("Open as &read-only"));
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(ReadOnly, grid->rowCount(), 0, 1, grid->columnCount());
        GatherToolButtons();
    }

    // Qt lays its tool buttons out one by one beside the folder box; here they go into one bar
    // in the same place, which can be shown, hidden and clicked as a whole.
    void GatherToolButtons()
    {
        QList<QToolButton*> buttons;
        for (const char* name : FileToolButtonNames)
            if (auto* b = findChild<QToolButton*>(QString::fromLatin1(name)))
                buttons << b;
        if (buttons.isEmpty())
            return;
        QBoxLayout* row = boxHolding(layout(), buttons.first());
        if (!row)
            return;
        const int at = row->indexOf(buttons.first());
        ToolBar = new QWidget(this);
        ToolBar->setObjectName(QStringLiteral("toolBar"));
        auto* bar = new QHBoxLayout(ToolBar);
        bar->setContentsMargins(0, 0, 0, 0);
        bar->setSpacing(row->spacing());
        for (QToolButton* b : buttons) {
            row->removeWidget(b);
            bar->addWidget(b);
        }
        row->insertWidget(at, ToolBar);
    }

    QCheckBox* ReadOnly;
    QWidget* ToolBar = nullptr;

private:
    static QBoxLayout* boxHolding(QLayout* layout, QWidget* w)
    {
        if (!layout)
            return nullptr;
        if (auto* box = qobject_cast<QBoxLayout*>(layout); box && box->indexOf(w) >= 0)
            return box;
        for (int i = 0; i < layout->count(); ++i)
            if (QBoxLayout* found = boxHolding(layout->itemAt(i)->layout(), w))
                return found;
        return nullptr;
    }

public:
    // The dialog sets its buttons anew with the accept mode, so Help comes after it.
    void AddHelpButton()
    {
        auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!box || box->button(QDialogButtonBox::Help))
            return;
        QPushButton* help = box->addButton(QDialogButtonBox::Help);
        connect(help, &QPushButton::clicked, this, [this] { m_owner->DoHelp(); });
    }

    void accept() override
    {
        if (!m_owner->DoFileOk())
            return;
        QFileDialog::accept();
    }

private:
    TFormOpenDialog* m_owner;
};

TFormOpenDialog::TFormOpenDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
    m_storedClientSize = QSize(width() + 235, height());
    SetOkButtonCaption(QStringLiteral("&Open"));
}

TFormOpenDialog::~TFormOpenDialog() = default;

QSize TFormOpenDialog::FixedSize() const
{
    return HostedDialogSize(FileDialogWidth, FileDialogHeight);
}

QString TFormOpenDialog::DefaultTitle() const
{
    // The words Qt's own file dialogs use, in Qt's translation.
    return IsSaveDialog() ? QCoreApplication::translate("QFileDialog", "Save As")
                          : QCoreApplication::translate("QFileDialog", "Open");
}

std::span<const THostedItem> TFormOpenDialog::ItemMap() const
{
    return OpenDialogItems;
}

std::span<const THostedItem> TFormSaveDialog::ItemMap() const
{
    return SaveDialogItems;
}

QFileDialog* TFormOpenDialog::RunningDialog() const
{
    return qobject_cast<QFileDialog*>(DialogHandle());
}

void TFormOpenDialog::SetDefaultExt(const QString& ext)
{
    if (ext == m_defaultExt)
        return;
    m_defaultExt = ext;
    if (QFileDialog* fd = RunningDialog())
        fd->setDefaultSuffix(ext);
}

void TFormOpenDialog::SetVisibleControls(unsigned controls)
{
    m_visibleControls = controls;
    if (!DialogHandle())
        return;
    for (const auto& v : VisibleControlItems)
        if (QWidget* item = DialogItem(v.Item))
            item->setVisible(controls & v.Control);
}

QString TFormOpenDialog::GetFileName() const
{
    QFileDialog* fd = RunningDialog();
    if (!fd)
        return FileName;
    // The files selected in the list, else those typed; never the folder itself.
    const QString first = fd->selectedFiles().value(0);
    if (first.isEmpty() || QFileInfo(first).absoluteFilePath() == fd->directory().absolutePath())
        return QString();
    return first;
}

QWidget* TFormOpenDialog::GetToolBarHandle() const
{
    auto* fd = dynamic_cast<THostedFileDialog*>(RunningDialog());
    return fd ? fd->ToolBar : nullptr;
}

void TFormOpenDialog::ShowToolBar(bool show)
{
    if (QWidget* bar = GetToolBarHandle())
        bar->setVisible(show);
}

void TFormOpenDialog::ToolBarButtonClick(int index)
{
    QWidget* bar = GetToolBarHandle();
    if (!bar || index < 1 || index > int(std::size(FileToolButtonNames)))
        return;
    auto* button = bar->findChild<QToolButton*>(QString::fromLatin1(FileToolButtonNames[index - 1]));
    if (!button)
        return;
    // As the mouse does it: over the button's middle, pressed, released.
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseMove, at, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

int TFormOpenDialog::GetFilterIndex() const
{
    return RunningDialog() ? m_currentFilterIndex : FilterIndex;
}

QStringList TFormOpenDialog::GetFiles()
{
    UpdateFiles();
    return Files;
}

QString TFormOpenDialog::GetDirectory() const
{
    QFileDialog* fd = RunningDialog();
    return fd ? fd->directory().absolutePath() : QString();
}

void TFormOpenDialog::UpdateFiles()
{
    QFileDialog* fd = RunningDialog();
    if (!fd || !(Options & ofAllowMultiSelect))
        return;
    const QString folder = fd->directory().absolutePath();
    const auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    Files.clear();
    for (const QString& name : QuotedNames(edit ? edit->text() : QString())) {
        if (QFileInfo(name).isAbsolute() || folder.isEmpty())
            Files << name;
        else
            Files << (folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name);
    }
}

bool TFormOpenDialog::Execute()
{
    return DoExecute(false);
}

bool TFormSaveDialog::Execute()
{
    return DoExecute(true);
}

bool TFormOpenDialog::DoExecute(bool save)
{
    Files.clear();

    auto* fd = new THostedFileDialog(this);
    fd->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        fd->setFileMode(QFileDialog::AnyFile);
    else if (Options & ofAllowMultiSelect)
        fd->setFileMode(QFileDialog::ExistingFiles);
    else
        fd->setFileMode((Options & ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    fd->AddHelpButton();
    fd->setOption(QFileDialog::DontConfirmOverwrite, !(Options & ofOverwritePrompt));
    // Filters come from a system that ignores the case of names: "*.jpg" lists "PHOTO.JPG" too.
    fd->setFilter(fd->filter() & ~QDir::CaseSensitive);
    m_nameFilters = FilterToNameFilters(Filter);
    m_currentFilterIndex = FilterIndex;
    if (!m_nameFilters.isEmpty()) {
        fd->setNameFilters(m_nameFilters);
        if (FilterIndex >= 1 && FilterIndex <= m_nameFilters.size())
            fd->selectNameFilter(m_nameFilters.at(FilterIndex - 1));
    }
    if (!m_defaultExt.isEmpty())
        fd->setDefaultSuffix(m_defaultExt);
    if (!m_initialDir.isEmpty())
        fd->setDirectory(m_initialDir);
    if (!FileName.isEmpty())
        fd->selectFile(FileName);
    fd->ReadOnly->setChecked(Options & ofReadOnly);
    fd->ReadOnly->setVisible(!(Options & ofHideReadOnly));
    if (QWidget* help = FindHostedItem(fd, ItemMap(), 1038))
        help->setVisible(Options & ofShowHelp);

    // The name box follows the list only after the selection signal; the handlers read it.
    connect(
        fd, &QFileDialog::currentChanged, this, [this] { DoSelectionChange(); }, Qt::QueuedConnection);
    connect(fd, &QFileDialog::directoryEntered, this, [this] { DoFolderChange(); });
    // Qt's dialog names its accept button anew whenever a folder is typed, entered or
    // selected; the caption the form gave it comes back once Qt is done.
    const auto keepCaptions = [this] { writeCaptions(); };
    if (auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(edit, &QLineEdit::textChanged, this, keepCaptions, Qt::QueuedConnection);
    connect(fd, &QFileDialog::directoryEntered, this, keepCaptions, Qt::QueuedConnection);
    connect(fd, &QFileDialog::currentChanged, this, keepCaptions, Qt::QueuedConnection);
    for (const char* view : {"listView", "treeView"})
        if (auto* v = fd->findChild<QAbstractItemView*>(QString::fromLatin1(view)); v && v->selectionModel())
            connect(v->selectionModel(), &QItemSelectionModel::selectionChanged, this, keepCaptions,
                    Qt::QueuedConnection);
    connect(fd, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        const int index = int(m_nameFilters.indexOf(filter)) + 1;
        if (index > 0 && index != m_currentFilterIndex) {
            m_currentFilterIndex = index;
            DoTypeChange();
        }
    });
    QStringList chosen;
    bool readOnly = false;
    if (!RunHosted(fd, [&, fd] {
            chosen = fd->selectedFiles();
            readOnly = fd->ReadOnly->isChecked();
            const int index = int(m_nameFilters.indexOf(fd->selectedNameFilter())) + 1;
            if (index > 0)
                m_currentFilterIndex = index;
            return !chosen.isEmpty();
        }))
        return false;
    Files = chosen;
    FileName = Files.first();
    FilterIndex = m_currentFilterIndex;
    Options = readOnly ? (Options | ofReadOnly) : (Options & ~unsigned(ofReadOnly));
    const bool different = !m_defaultExt.isEmpty() &&
                           QFileInfo(FileName).suffix().compare(m_defaultExt, Qt::CaseInsensitive) != 0;
    Options = different ? (Options | ofExtensionDifferent) : (Options & ~unsigned(ofExtensionDifferent));
    return true;
}

void TFormOpenDialog::DoShow()
{
    TFormCommonDialog::DoShow();
    const unsigned stored = m_visibleControls;
    SetVisibleControls(0);
    SetVisibleControls(stored);
}

void TFormOpenDialog::DoSelectionChange()
{
    if (!RunningDialog())
        return;
    UpdateFiles();
    if (OnSelectionChange)
        OnSelectionChange(this);
}

void TFormOpenDialog::DoFolderChange()
{
    if (OnFolderChange)
        OnFolderChange(this);
}

void TFormOpenDialog::DoTypeChange()
{
    if (OnTypeChange)
        OnTypeChange(this);
}

bool TFormOpenDialog::DoFileOk()
{
    bool canClose = true;
    if (OnFileOK)
        OnFileOK(this, canClose);
    return canClose;
}
