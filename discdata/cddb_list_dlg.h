#pragma once
// The track-list dialog behind the document window's CDDB tool: lists the CD drives, reads the
// chosen disc's tracks, looks the disc up on a CDDB server and lets the user choose the font
// of the label text. The caller reads its controls after it closes.
#include "discdata/cddb_socket.h"
#include "document/main_window_link.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TscColorButton;
class TscComboBox;
class TscFontComboBox;

class TCDDBListDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCDDBListDlg(QWidget* owner);
    ~TCDDBListDlg() override;

    QLabel* Image1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QComboBox* CDDriverComboBox;
    QPushButton* ConnectBtn;
    QLabel* Panel1;
    QLineEdit *Edit1, *Edit2;
    QGroupBox* GroupBox1;
    QCheckBox *ShowAlbumNameChk, *ShowArtistNameChk, *CustomizeTrackInfoChk, *SelectSiteChk;
    QPlainTextEdit* Memo;
    TscFontComboBox* FontName;
    TscComboBox* FontSize;
    TscColorButton* FontColor;
    QToolButton *FontBold, *FontItalic;
    QPushButton *OKBtn, *CancelBtn;

    // The client, owned by the dialog.
    TCDDBSocket* CDDBSocket;

    // Event handlers.
    void OKBtnClick();
    void CancelBtnClick();
    void Image1Click();
    void CustomizeTrackInfoChkClick();
    void CDDriverComboBoxChange();
    void FontNameChange(QObject* sender);
    void ConnectBtnClick();

    // The client's events.
    void SelectMatch(int& index);
    void LookupStateChange(int state);
    void LookupResult(int result);
    // Shows the network error of the socket layer.
    void SocketError(int error);

    void FillDriveList();
    bool HasAudioTracks(const QString& drive);
    void ReadDiscTracks(const QString& drive);
    void FillTrackMemo();

    QString TrackTemplate() const { return m_template; }
    // The memo's lines, each followed by CR LF.
    QString MemoText() const;
    // Tests answer the template box here (nullptr: the real box): false when cancelled.
    static void SetTemplateQuery(std::function<bool(QString& text)> query);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // A list to choose from, in a window of its own; the index chosen (-1 when closed).
    int Choose(const QString& caption, const QStringList& items);
    void EndWait(uint8_t flag);

    QString m_lastDrive;
    uint32_t m_deviceId = 0;
    QStringList m_trackTimes;
    QStringList m_trackNames;
    QString m_artist, m_albumTitle;
    QString m_template;
    uint8_t m_wait = 1;
    bool m_closing = false;
    bool m_roundFailed = false; // a network error has said how the round ended
};

// Runs the dialog modally with owner as owner (FontSize starting as "10") and hands back what
// the document window reads from it.
TDiscTextDialogResult RunCDDBListDlg(QWidget* owner);
