#include "platform/message_box.h"

#include <QDir>

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QStyle>
#include <atomic>
#include <mutex>
#include <vector>

namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;
std::atomic<TMessageCaptionLoader> g_captionLoader{nullptr};

TApplication g_application;

MessageBoxHandler currentHandler()
{
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    return g_handler;
}

QMessageBox::Icon iconOf(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Button set of a MessageDlg and the nearest MessageBox form of it.
unsigned boxFlagsOf(TMsgDlgType type, unsigned buttons)
{
    unsigned f = MB_OK;
    const unsigned b = buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore);
    if (b == (mbYes | mbNo | mbCancel)) f = MB_YESNOCANCEL;
    else if (b == (mbYes | mbNo)) f = MB_YESNO;
    else if (b == (mbOK | mbCancel)) f = MB_OKCANCEL;
    else if (b == (mbAbort | mbRetry | mbIgnore)) f = MB_ABORTRETRYIGNORE;
    else if (b == (mbRetry | mbCancel)) f = MB_RETRYCANCEL;
    switch (type) {
    case mtWarning: f |= MB_ICONWARNING; break;
    case mtError: f |= MB_ICONERROR; break;
    case mtInformation: f |= MB_ICONINFORMATION; break;
    case mtConfirmation: f |= MB_ICONQUESTION; break;
    case mtCustom: break;
    }
    return f;
}

int showReal(const MessageBoxCall& call)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return IDCANCEL;
    // On the heap: should the owner go while the box is up (the session ends), the box goes
    // with it instead of being freed a second time here.
    QPointer<QMessageBox> box =
        new QMessageBox(iconOf(call.flags), call.caption, call.text, QMessageBox::NoButton, call.owner);
    // A box without an owner (start-up messages) must not open under the splash window,
    // which stays on top.
    if (!call.owner)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    struct B { unsigned bit; QMessageBox::StandardButton sb; int result; };
    std::vector<B> buttons;
    if (call.kind == MessageBoxCall::Dialog) {
        static const B all[] = {{mbYes, QMessageBox::Yes, mrYes}, {mbNo, QMessageBox::No, mrNo},
                                {mbOK, QMessageBox::Ok, mrOk}, {mbCancel, QMessageBox::Cancel, mrCancel},
                                {mbAbort, QMessageBox::Abort, mrAbort}, {mbRetry, QMessageBox::Retry, mrRetry},
                                {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::YesToAll, mrAll},
                                {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
                                {mbYesToAll, QMessageBox::YesToAll, mrYesToAll}, {mbHelp, QMessageBox::Help, mrNone}};
        for (const B& b : all)
            if (call.buttons & b.bit) buttons.push_back(b);
    } else {
        switch (call.flags & MB_TYPEMASK) {
        case MB_OKCANCEL: buttons = {{0, QMessageBox::Ok, IDOK}, {0, QMessageBox::Cancel, IDCANCEL}}; break;
        case MB_ABORTRETRYIGNORE:
            buttons = {{0, QMessageBox::Abort, IDABORT}, {0, QMessageBox::Retry, IDRETRY}, {0, QMessageBox::Ignore, IDIGNORE}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{0, QMessageBox::Yes, IDYES}, {0, QMessageBox::No, IDNO}, {0, QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNO: buttons = {{0, QMessageBox::Yes, IDYES}, {0, QMessageBox::No, IDNO}}; break;
        case MB_RETRYCANCEL: buttons = {{0, QMessageBox::Retry, IDRETRY}, {0, QMessageBox::Cancel, IDCANCEL}}; break;
        default: buttons = {{0, QMessageBox::Ok, IDOK}}; break;
        }
    }
    if (buttons.empty()) buttons.push_back({0, QMessageBox::Ok, IDOK});
    // The box is at least as wide as its title, which window managers set in bold, with the
    // title bar's icon and buttons beside it.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        QFont titleFont = box->font();
        titleFont.setBold(true);
        const int titleBar = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
        const int need = QFontMetrics(titleFont).horizontalAdvance(call.caption) + 5 * titleBar;
        grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
    }
    for (const B& b : buttons) box->addButton(b.sb);
    const size_t def = (call.flags & MB_DEFMASK) >> 8;
    if (def < buttons.size()) box->setDefaultButton(buttons[def].sb);
    box->exec();
    if (!box)
        return IDCANCEL;
    const auto clicked = box->standardButton(box->clickedButton());
    delete box.data();
    for (const B& b : buttons)
        if (b.sb == clicked) return b.result;
    // Closed by the window's close box or Escape.
    for (const B& b : buttons)
        if (b.result == IDCANCEL) return IDCANCEL;
    return buttons.size() == 1 ? buttons.front().result : IDCANCEL;
}

int dispatch(const MessageBoxCall& call)
{
    if (MessageBoxHandler h = currentHandler()) return h(call);
    return showReal(call);
}

} // namespace

TApplication* Application = &g_application;

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    g_handler = std::move(handler);
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags)
{
    MessageBoxCall call;
    call.text = text;
    call.caption = caption;
    call.flags = flags;
    call.owner = owner;
    return dispatch(call);
}

int MessageDlg(const QString& text, TMsgDlgType type, unsigned buttons)
{
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
    MessageBoxCall call;
    call.kind = MessageBoxCall::Dialog;
    call.text = text;
    if (type == mtCustom)
        call.caption = Application->Title;
    else if (const TMessageCaptionLoader loader = g_captionLoader.load())
        call.caption = loader(type);
    if (type != mtCustom && call.caption.isEmpty())
        call.caption = QString::fromLatin1(captions[type]);
    call.flags = boxFlagsOf(type, buttons);
    call.buttons = buttons;
    call.dlgType = type;
    call.owner = Application->MainForm;
    return dispatch(call);
}

void SetMessageCaptionLoader(TMessageCaptionLoader loader)
{
    g_captionLoader = loader;
}

void ShowMessage(const QString& text)
{
    MessageDlg(text, mtCustom, mbOK);
}

EKorvaneError::EKorvaneError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString EKorvaneError::Message() const
{
    return QString::fromStdString(what());
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags)
{
    return ::MessageBox(MainForm, text, caption.isEmpty() ? Title : caption, flags);
}

QString FileMessageText(const QString& file, const QString& text)
{
    const QString name = QDir::toNativeSeparators(file);
    if (name.isEmpty() || text.section(QLatin1Char('\n'), 0, 0).contains(name))
        return text;
    return name + QLatin1Char('\n') + text;
}

void TApplication::ShowFileException(const QString& file, const std::exception& e)
{
    ShowException(std::runtime_error(FileMessageText(file, QString::fromUtf8(e.what())).toStdString()));
}

void TApplication::ShowException(const std::exception& e)
{
    QString msg = QString::fromUtf8(e.what());
    msg = msg.trimmed();
    if (!msg.isEmpty() && !msg.endsWith(QLatin1Char('.')) && !msg.endsWith(QLatin1Char('!')) &&
        !msg.endsWith(QLatin1Char('?')))
        msg += QLatin1Char('.');
    MessageBoxCall call;
    call.kind = MessageBoxCall::Exception;
    call.text = msg;
    call.caption = Title;
    call.flags = MB_OK | MB_ICONERROR;
    call.owner = MainForm;
    dispatch(call);
}

QString TApplication::ExeName() const
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents();
}
