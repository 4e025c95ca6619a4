#include "app/about_dlg.h"

#include "app/dialog_form.h"
#include "app/dialog_text.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/message_box.h"
#include "platform/shell_execute.h"
#include "platform/version.h"

#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QSysInfo>
#include <algorithm>
#include <sys/utsname.h>
#include <unistd.h>

// ---- the system's line ----

QString SystemVersionText(const TSystemVersion& v)
{
    if (v.PlatformId == VER_PLATFORM_LINUX) {
        QString text = v.SystemName + QLatin1Char(' ') + v.Release;
        if (!v.Machine.isEmpty())
            text += QStringLiteral(" (") + v.Machine + QLatin1Char(')');
        text = text.trimmed();
        if (!v.Distribution.isEmpty() && v.Distribution != v.SystemName)
            text = v.Distribution + QStringLiteral(", ") + text;
        return text;
    }
    const int major = int(v.MajorVersion);
    const int minor = int(v.MinorVersion);
    const int build = int(v.BuildNumber & 0xFFFF);
    if (v.PlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        int format = Windows98FormatString;
        if (major < 4 || (major == 4 && minor == 0))
            format = Windows95FormatString;
        else if (minor == 10 && build > 1998)
            format = Windows98SEFormatString;
        else if (minor == 90)
            format = WindowsMeFormatString;
        return FormatLangText(LoadLangStr(format), {major, minor, build});
    }
    if (v.PlatformId == VER_PLATFORM_WIN32_NT) {
        QString format;
        if (major < 5)
            format = LoadLangStr(WindowsNTFormatString);
        else if (major == 5 && minor == 0)
            format = LoadLangStr(Windows2000FormatString);
        else if (major == 5)
            format = QStringLiteral("Windows XP %s %d.%d %s (Build %d)");
        QString product;
        if (major < 5)
            product = v.RegistryProductType.compare(QStringLiteral("WINNT"), Qt::CaseInsensitive) == 0
                          ? QStringLiteral("Workstation")
                          : QStringLiteral("Server ");
        else if (v.Extended && v.ProductType == 1)
            product = QStringLiteral("Professional");
        else if (v.Extended && v.ProductType == 3)
            product = QStringLiteral("Server");
        // The filler never reads past its arguments, whatever a translated format asks for.
        if (major > 4)
            return FormatLangText(format, {product, major, minor, v.CSDVersion, build});
        return FormatLangText(format, {major, minor, product, v.CSDVersion, build});
    }
    return QString();
}

TSystemVersion CurrentSystemVersion()
{
    TSystemVersion v;
    v.PlatformId = VER_PLATFORM_LINUX;
    utsname name{};
    if (::uname(&name) == 0) {
        v.SystemName = QString::fromLocal8Bit(name.sysname);
        v.Release = QString::fromLocal8Bit(name.release);
        v.Machine = QString::fromLocal8Bit(name.machine);
    } else {
        v.SystemName = QStringLiteral("Linux");
    }
    v.Distribution = QSysInfo::prettyProductName();
    return v;
}

QString GetWindowsVersionText()
{
    return SystemVersionText(CurrentSystemVersion());
}

QString MemoryText(uint64_t bytes, const QString& groupSeparator)
{
    const QString digits = bytes / 1024 == 0 ? QString() : QString::number(bytes / 1024);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += groupSeparator;
        grouped += digits.at(i);
    }
    return grouped + QStringLiteral(" KB");
}

QString AboutVersionText(const QString& versionText)
{
    const QStringList parts = versionText.split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return {};
    uint numbers[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).toUInt(&ok);
        if (!ok || numbers[i] > 0xFFFF)
            return {};
    }
    return QStringLiteral("%1.%2.%3 ( Build %4 )").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]);
}

// ---- TAboutDlg ----

TAboutDlg::TAboutDlg(QWidget* owner) : QDialog(owner)
{
    SetUpFixedDialog(this, "AboutDlg", 416, 330);
    setWindowIcon(owner ? owner->windowIcon() : QIcon(ProductPicture()));

    Image1 = new QLabel(this);
    Named(Image1, "Image1")->setGeometry(8, 12, 120, 280);
    Image1->setPixmap(ProductPicture());
    // Only a picture: clicks go through to the form.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    StaticText1 = new QLabel(this);
    Named(StaticText1, "StaticText1")->setGeometry(141, 12, 161, 26);
    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(19);
    title.setBold(true);
    StaticText1->setFont(title);

    auto label = [this](const char* name, int x, int y) {
        auto* l = new QLabel(this);
        Named(l, name)->move(x, y);
        return l;
    };
    Label1 = label("Label1", 141, 43);
    Label12 = label("Label12", 194, 43);
    Label3 = label("Label3", 141, 64);
    Label7 = label("Label7", 141, 85);
    Label6 = label("Label6", 141, 106);
    Label2 = label("Label2", 141, 127);
    Label4 = label("Label4", 141, 248);
    Label5 = label("Label5", 141, 266);
    Label11 = label("Label11", 308, 266);
    for (QLabel* link : {Label7, Label6}) {
        link->setCursor(Qt::PointingHandCursor);
        QPalette blue = link->palette();
        blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
        link->setPalette(blue);
        link->installEventFilter(this);
    }

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(334, 298, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(1); });

    ApplyLanguageCharset(this);
    Label12->setText(QStringLiteral("2.0x"));
    const QString version = AboutVersionText(QStringLiteral(KORVANE_VERSION_TEXT));
    if (!version.isEmpty())
        Label12->setText(version);
    LoadCaptions();
    CentreOnScreen(this, owner);
}

void TAboutDlg::LoadCaptions()
{
    setWindowTitle(LoadLangStr(AboutCaptionString) + QStringLiteral(" - ") + LoadLangStr(ProgramNameString));
    StaticText1->setText(LoadLangStr(ProgramNameString));
    Label1->setText(LoadLangStr(VersionLabelString));
    Label3->setText(LoadLangStr(MakerLineString));
    Label7->setText(LoadLangStr(HttpPrefixString) + BuiltinString(WebSiteString));
    Label6->setText(BuiltinString(SupportMailString));
    Label2->setText(LoadLangStr(MakerPhoneString));
    // The figure is grouped as the interface language writes numbers, whatever the system's.
    const QString locale = LanguageDll ? LanguageLocaleName(CurrentLanguage) : QString();
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    Label11->setText(MemoryText(pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0,
                                QLocale(locale.isEmpty() ? QStringLiteral("en") : locale).groupSeparator()));
    Label4->setText(GetWindowsVersionText());
    Label5->setText(LoadLangStr(MemoryLabelString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    FitTexts();
}

void TAboutDlg::FitTexts()
{
    for (QLabel* l : findChildren<QLabel*>())
        if (l != Image1 && l != StaticText1)
            l->adjustSize();
    // A value follows its caption when the caption (a translation, a wider font) needs room.
    Label12->move(std::max(194, Label1->x() + Label1->width() + 1), Label12->y());
    Label11->move(std::max(308, Label5->x() + Label5->width() + 1), Label11->y());
    StaticText1->resize(std::max(161, StaticText1->sizeHint().width()), 26);
    FitButtonRow({OKBtn});
    // The box grows to the right for a line that would not fit, and OK stays in its corner.
    int right = 416;
    for (QLabel* l : findChildren<QLabel*>())
        right = std::max(right, l->geometry().right() + 9);
    setFixedSize(right, height());
    OKBtn->move(right - 7 - OKBtn->width(), OKBtn->y());
}

void TAboutDlg::Label6Click()
{
    ShellOpen(QUrl(QStringLiteral("mailto:") + BuiltinString(SupportMailString)));
}

void TAboutDlg::Label7Click()
{
    QString address = BuiltinString(WebSiteString);
    if (!address.startsWith(QStringLiteral("http")))
        address = QStringLiteral("http://") + address;
    ShellOpen(QUrl(address));
}

bool TAboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label6)
            Application->Guard([this] { Label6Click(); });
        else if (watched == Label7)
            Application->Guard([this] { Label7Click(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        LoadCaptions();
    QDialog::changeEvent(event);
}

QPixmap TAboutDlg::ProductPicture()
{
    QPixmap pixmap(120, 280);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 280);
    sky.setColorAt(0.0, QColor(0x1B, 0x3A, 0x6B));
    sky.setColorAt(1.0, QColor(0x5D, 0x8F, 0xC9));
    p.fillRect(pixmap.rect(), sky);
    // Three discs one above the other, each with its printed label and centre hole.
    for (int i = 0; i < 3; ++i) {
        const QPointF c(60, 50 + i * 90);
        QRadialGradient silver(c, 42);
        silver.setColorAt(0.0, QColor(0xF4, 0xF4, 0xF8));
        silver.setColorAt(0.7, QColor(0xC9, 0xD4, 0xE6));
        silver.setColorAt(1.0, QColor(0xB8, 0xC6, 0xDC));
        p.setPen(QPen(QColor(0x55, 0x5E, 0x6A), 1.5));
        p.setBrush(silver);
        p.drawEllipse(c, 42, 42);
        static const QColor faces[3] = {QColor(0x3A, 0x7B, 0xD5), QColor(0xF2, 0xC9, 0x4C), QColor(0xD5, 0x5A, 0x3A)};
        p.setPen(Qt::NoPen);
        p.setBrush(faces[i]);
        p.drawEllipse(c, 34, 34);
        p.setBrush(QColor(0xE8, 0xEC, 0xF0));
        p.setPen(QPen(QColor(0x55, 0x5E, 0x6A), 1));
        p.drawEllipse(c, 13, 13);
        p.setBrush(QColor(0x1B, 0x3A, 0x6B).lighter(110 + i * 20));
        p.drawEllipse(c, 6, 6);
    }
    return pixmap;
}
