#pragma once
// The splash window shown while the main window is built.
#include <QDialog>
#include <QPointer>

class QLabel;
class QTimer;

class TSplashDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSplashDialog(QWidget* owner = nullptr);

    QLabel* ImageLogo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelVersion = nullptr;
    QTimer* SplashTimer = nullptr;

    // The application's main form once it exists; the splash shows it and closes. A splash
    // already closed by the user shows it at once.
    void SetMainForm(QWidget* form);

    void FormCreate();
    void SplashTimerTimer();
    void ImageLogoClick();

    // "major.minor.release.build" from the program's version text, or "" when it has none.
    static QString FileVersionText(const QString& versionText);
    // The logo picture (400 x 250).
    static QPixmap LogoPicture();

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Closed early (Escape, the window manager): the main window must not wait for the timer.
    void Dismissed();
    // A modal window (a message, a dialog) opens while the program starts: the splash, which
    // stays on top, would cover it, so it goes out of the way for good.
    void StepAside();
    void ShowMainForm();

    QPointer<QWidget> m_mainForm;
    bool m_dismissed = false;
    bool m_steppedAside = false;
};
