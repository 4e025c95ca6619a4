#pragma once
// Message boxes and the application object. Every box goes through one seam that tests can answer.
#include <QString>
#include <functional>
#include <stdexcept>

class QWidget;

// Windows MessageBox flags and results.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr unsigned MB_DEFBUTTON1 = 0x000;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// MessageDlg: types, button set (flags) and modal results.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
constexpr unsigned mbYes = 0x001;
constexpr unsigned mbNo = 0x002;
constexpr unsigned mbOK = 0x004;
constexpr unsigned mbCancel = 0x008;
constexpr unsigned mbAbort = 0x010;
constexpr unsigned mbRetry = 0x020;
constexpr unsigned mbIgnore = 0x040;
constexpr unsigned mbAll = 0x080;
constexpr unsigned mbNoToAll = 0x100;
constexpr unsigned mbYesToAll = 0x200;
constexpr unsigned mbHelp = 0x400;
constexpr unsigned mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr unsigned mbOKCancel = mbOK | mbCancel;

constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;
constexpr int mrAbort = IDABORT;
constexpr int mrRetry = IDRETRY;
constexpr int mrIgnore = IDIGNORE;
constexpr int mrYes = IDYES;
constexpr int mrNo = IDNO;
constexpr int mrAll = 8;
constexpr int mrNoToAll = 9;
constexpr int mrYesToAll = 10;

// What a box would show. MessageDlg calls fill flags with the nearest MB_ form too.
struct MessageBoxCall {
    QString text, caption;
    unsigned flags = 0;
    enum Kind { Box, Dialog, Exception } kind = Box;
    unsigned buttons = 0;              // MessageDlg's button set (Dialog only)
    TMsgDlgType dlgType = mtCustom;    // Dialog only
    QWidget* owner = nullptr;
};
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;

// Tests answer boxes here; nullptr restores the real dialog.
void SetMessageBoxHandler(MessageBoxHandler handler);

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags);
int MessageDlg(const QString& text, TMsgDlgType type, unsigned buttons);
// Where MessageDlg finds its captions in the interface language (English without one).
using TMessageCaptionLoader = QString (*)(TMsgDlgType type);
void SetMessageCaptionLoader(TMessageCaptionLoader loader);
void ShowMessage(const QString& text);

// Errors of our own libraries, shown by the application object.
class EKorvaneError : public std::runtime_error {
public:
    explicit EKorvaneError(const QString& message);
    explicit EKorvaneError(const char* message) : std::runtime_error(message) {}
    QString Message() const;
};

// text with file named on the line before it (unless its first line names it already).
QString FileMessageText(const QString& file, const QString& text);

class TApplication {
public:
    QString Title = QStringLiteral("Korvane");
    QWidget* MainForm = nullptr;

    // Box with the application's title when caption is empty.
    int MessageBox(const QString& text, const QString& caption, unsigned flags);
    // Shows the exception's message (a full stop added) with an error icon.
    void ShowException(const std::exception& e);
    // The same for an error met while reading file: the file is named on the first line.
    void ShowFileException(const QString& file, const std::exception& e);
    // Runs f and shows whatever it throws; for event handlers.
    template <class F> void Guard(F&& f)
    {
        try { f(); }
        catch (const std::exception& e) { ShowException(e); }
        catch (...) { ShowException(std::runtime_error("Unknown error")); }
    }
    QString ExeName() const;
    void ProcessMessages();
};

extern TApplication* Application;
