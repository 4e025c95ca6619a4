#include "app/splash_dialog.h"

#include "document/std.h"
#include "platform/message_box.h"
#include "platform/version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QTimer>

TSplashDialog::TSplashDialog(QWidget* owner)
    : QDialog(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashDialog"));
    setAttribute(Qt::WA_DeleteOnClose);   // close action: free
    setFixedSize(400, 250);

    ImageLogo = new QLabel(this);
    ImageLogo->setObjectName(QStringLiteral("ImageLogo"));
    ImageLogo->setGeometry(0, 0, 400, 250);
    ImageLogo->installEventFilter(this);

    Label1 = new QLabel(QStringLiteral("Korvane"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big(QStringLiteral("Times New Roman"));
    big.setPixelSize(21);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setStyleSheet(QStringLiteral("color: blue; background: transparent;"));
    Label1->hide();

    LabelVersion = new QLabel(this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    QFont small = LabelVersion->font();
    small.setPixelSize(11);
    LabelVersion->setFont(small);
    LabelVersion->setAttribute(Qt::WA_TranslucentBackground);
    LabelVersion->setStyleSheet(QStringLiteral("color: white; background: transparent;"));

    SplashTimer = new QTimer(this);
    SplashTimer->setObjectName(QStringLiteral("SplashTimer"));
    SplashTimer->setInterval(2500);
    connect(SplashTimer, &QTimer::timeout, this, [this] { Application->Guard([this] { SplashTimerTimer(); }); });

    FormCreate();
    SplashTimer->start();
    // Watches for the first modal window of the start-up (StepAside).
    qApp->installEventFilter(this);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TSplashDialog::FormCreate()
{
    ApplyLanguageCharset(this);
    ImageLogo->setPixmap(LogoPicture());
    LabelVersion->move(14, 158);
    Label1->move(12, 126);
    LabelVersion->setText(LoadLangStr(VersionLabelString) + QStringLiteral("2.0x"));
    const QString version = FileVersionText(QStringLiteral(KORVANE_VERSION_TEXT));
    if (!version.isEmpty())
        LabelVersion->setText(LoadLangStr(VersionLabelString) + version);
    LabelVersion->adjustSize();
    Label1->adjustSize();
}

QString TSplashDialog::FileVersionText(const QString& versionText)
{
    const QStringList parts = versionText.split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 4)
        return {};
    QStringList numbers;
    for (const QString& p : parts) {
        bool ok = false;
        const uint value = p.toUInt(&ok);
        if (!ok || value > 0xFFFF)
            return {};
        numbers << QString::number(value);
    }
    while (numbers.size() < 4)
        numbers << QStringLiteral("0");
    return numbers.join(QLatin1Char('.'));
}

void TSplashDialog::SetMainForm(QWidget* form)
{
    m_mainForm = form;
    if (m_dismissed || !isVisible()) {
        ShowMainForm();
        // Hidden for a message while the main window was made: nothing left to show.
        if (m_steppedAside)
            close();
    }
}

void TSplashDialog::ShowMainForm()
{
    SplashTimer->stop();
    if (!m_mainForm || m_mainForm->isVisible())
        return;
    m_mainForm->show();
    m_mainForm->raise();
    m_mainForm->activateWindow();
}

void TSplashDialog::Dismissed()
{
    m_dismissed = true;
    ShowMainForm();
}

void TSplashDialog::StepAside()
{
    qApp->removeEventFilter(this);
    m_steppedAside = true;
    // Not closed here: this may run inside the timer's tick, which closes it once the main
    // window is shown, or before the main window exists, which SetMainForm then shows at once.
    m_dismissed = true;
    hide();
}

void TSplashDialog::SplashTimerTimer()
{
    if (m_mainForm) {
        ShowMainForm();
        close();
        return;
    }
    QCoreApplication::processEvents();
    if (m_mainForm)
        m_mainForm->repaint();
}

void TSplashDialog::ImageLogoClick()
{
    SplashTimerTimer();
}

void TSplashDialog::closeEvent(QCloseEvent* event)
{
    Dismissed();
    QDialog::closeEvent(event);
}

void TSplashDialog::done(int result)
{
    // Escape rejects the dialog, which hides it without a close event.
    Dismissed();
    QDialog::done(result);
}

bool TSplashDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Before the window is mapped, so that it never shows under the splash.
    if (event->type() == QEvent::Show && watched != this && !m_steppedAside) {
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && window->isWindow() && window->isModal() && isVisible())
            StepAside();
    }
    if (watched == ImageLogo && event->type() == QEvent::MouseButtonRelease) {
        Application->Guard([this] { ImageLogoClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QPixmap TSplashDialog::LogoPicture()
{
    QPixmap pixmap(400, 250);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 250);
    sky.setColorAt(0.0, QColor(0x1B, 0x3A, 0x6B));
    sky.setColorAt(1.0, QColor(0x5D, 0x8F, 0xC9));
    p.fillRect(pixmap.rect(), sky);

    // A disc on the right, with its rainbow sheen and the centre hole.
    const QPointF centre(300, 118);
    QRadialGradient disc(centre, 95);
    disc.setColorAt(0.0, QColor(0xF4, 0xF4, 0xF8));
    disc.setColorAt(0.6, QColor(0xC9, 0xD4, 0xE6));
    disc.setColorAt(0.8, QColor(0xE8, 0xD8, 0xF0));
    disc.setColorAt(1.0, QColor(0xB8, 0xC6, 0xDC));
    p.setPen(QPen(QColor(0x8A, 0x9B, 0xB5), 1.5));
    p.setBrush(disc);
    p.drawEllipse(centre, 95, 95);
    p.setBrush(QColor(0xDD, 0xE3, 0xEE));
    p.drawEllipse(centre, 30, 30);
    p.setBrush(QColor(0x2A, 0x4B, 0x80));
    p.drawEllipse(centre, 10, 10);

    // A label sheet corner behind the text.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(-20, 60, 240, 120), 10, 10);

    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(14, 88, 260, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Korvane"));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(12);
    p.setFont(sub);
    p.setPen(QColor(0xDD, 0xE6, 0xF5));
    p.drawText(QRectF(16, 200, 370, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("CD and DVD labels"));
    p.end();
    return pixmap;
}
