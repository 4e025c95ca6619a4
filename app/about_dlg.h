#pragma once
// The about box: product name, version, the maker's lines, the running system and its memory.
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QPushButton;

// What the about box says about the system: the Windows version record (the extended one
// when Extended is set, with the NT 4 registry's product type beside it), or, on Linux, the
// kernel and the distribution.
struct TSystemVersion {
    uint32_t PlatformId = 0;        // VER_PLATFORM_WIN32_WINDOWS, VER_PLATFORM_WIN32_NT, ...
    uint32_t MajorVersion = 0;
    uint32_t MinorVersion = 0;
    uint32_t BuildNumber = 0;
    QString CSDVersion;             // the service-pack text, may be empty
    bool Extended = true;           // the extended record's fields below are valid
    uint8_t ProductType = 0;        // 1 workstation, 2 domain controller, 3 server
    QString RegistryProductType;    // "ProductType" of the NT 4 product options: "WINNT", ...
    // Linux
    QString SystemName;             // "Linux"
    QString Release;                // the kernel release
    QString Machine;                // "x86_64"
    QString Distribution;           // "Debian GNU/Linux 12 (bookworm)"
};

// The platform of a Linux record; no Windows platform has this number.
constexpr uint32_t VER_PLATFORM_LINUX = 0x100;

// The about box's line for a system, from the numbered format strings of the current
// language; "" for a system it has no words for (Windows Vista and later, unknown platforms).
QString SystemVersionText(const TSystemVersion& v);
// The record of the system the program runs on.
TSystemVersion CurrentSystemVersion();
// The line for the running system.
QString GetWindowsVersionText();
// Physical memory as the about box shows it: whole kilobytes with group separators, " KB".
QString MemoryText(uint64_t bytes, const QString& groupSeparator);
// "2.1.3 ( Build 205 )" from a version text "2.1.3.205"; "" when it is not one.
QString AboutVersionText(const QString& versionText);

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* owner = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* OKBtn = nullptr;

    void Label6Click();
    void Label7Click();
    // Texts of the current language; also run when the language changes while the box is open.
    void LoadCaptions();
    // The product picture.
    static QPixmap ProductPicture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Labels keep their places; a longer text moves the value beside it and widens the box.
    void FitTexts();
};
