#pragma once
// Scanner access: CTWAIN wraps the scanner library for one operation (choose the source, or
// acquire one picture by way of a temporary bitmap file). The library is loaded at run time;
// every caller asks CheckTwainDll first, which tells the user when it is missing.
#include <QImage>
#include <QString>
#include <memory>

class QWidget;
class TPicture;
class TScannerLibrary;

// True when the scanner library can be loaded; otherwise says which library is missing, once.
bool CheckTwainDll();

// The file an acquisition is written to and read back from, in the private temporary folder;
// "" when there is no such folder.
QString AcquireFilePath();

class CTWAIN {
public:
    CTWAIN();
    ~CTWAIN();
    CTWAIN(const CTWAIN&) = delete;
    CTWAIN& operator=(const CTWAIN&) = delete;

    std::unique_ptr<TPicture> Picture; // the acquired picture; empty until one arrives

    // Lets the user choose the scanner later acquisitions use. Errors are dropped.
    void SelectImageSource(QWidget* window);
    // Acquires one picture into Picture; never raises. Picture stays as it was when nothing
    // arrives.
    void AcquireToPicture(QWidget* window);
    // Acquires one picture onto the clipboard; true when one arrived there. Never raises.
    bool AcquireToClipboard(QWidget* window);

    // The scanner chosen by SelectImageSource ("" until one is chosen: the first one is used).
    static QString Source();
    static void SetSource(const QString& device);

private:
    // The library's entry points.
    int TWAIN_LoadSourceManager();
    int TWAIN_AcquireToFilename(QWidget* window, const QString& path);
    int TWAIN_AcquireToClipboard(QWidget* window);
    void TWAIN_SelectImageSource(QWidget* window);
    void TWAIN_UnloadSourceManager();

    // One picture from the chosen scanner (the first when none was chosen), the window showing
    // the progress; null when none arrived, the user told why unless he cancelled.
    QImage scan(QWidget* window);

    std::unique_ptr<TScannerLibrary> m_library;
};
