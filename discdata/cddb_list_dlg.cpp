#include "discdata/cddb_list_dlg.h"

#include "controls/color_button.h"
#include "controls/font_combo_box.h"
#include "discdata/asocket/winsock.h"
#include "discdata/cd_audio.h"
#include "document/child_frame.h"
#include "document/dialog_form.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <algorithm>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The CDDB service's web site, opened from the picture.
const char kWebSite[] = "https://gnudb.org/";

std::function<bool(QString&)> g_templateQuery;

// A picture that answers a click.
class TClickImage : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        if (OnClick)
            OnClick();
    }
};

QPixmap DiscPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shine(QPointF(12, 10), 22);
    shine.setColorAt(0, QColor(250, 250, 255));
    shine.setColorAt(0.6, QColor(180, 190, 215));
    shine.setColorAt(1, QColor(130, 140, 170));
    p.setPen(QPen(QColor(90, 90, 110), 1));
    p.setBrush(shine);
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    p.setBrush(QColor(230, 230, 235));
    p.drawEllipse(QRectF(11, 11, 10, 10));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(14, 14, 4, 4));
    return pixmap;
}

// One track line: the template's fields filled in one pass, so that a name holding "&t" or
// "&n" keeps it.
QString TrackLine(const QString& pattern, const QString& number, const QString& name, const QString& time)
{
    QString line;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar field = pattern[i] == u'&' && i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        if (field == u'n')
            line += number;
        else if (field == u's')
            line += name;
        else if (field == u't')
            line += time;
        else {
            line += pattern[i];
            continue;
        }
        ++i;
    }
    return line;
}

// The font the form's text starts in.
const char kFormFontName[] = "Times New Roman";

// Width of a font name box that shows name whole.
int FontNameBoxWidth(const QComboBox* box, const QString& name)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QSize text(box->fontMetrics().horizontalAdvance(name), box->height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, box).width();
}

// Makes a fixed form delta wider: what stands in its right half moves with its right edge, what
// spans the form to that edge grows.
void WidenForm(QWidget* form, int delta)
{
    const int oldWidth = form->width();
    form->setFixedSize(oldWidth + delta, form->height());
    for (QWidget* c : form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (c->isWindow())
            continue;
        if (c->x() > oldWidth / 2)
            c->move(c->x() + delta, c->y());
        else if (c->geometry().right() + 1 >= oldWidth - 12)
            c->resize(c->width() + delta, c->height());
    }
}

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* l = Named(new QLabel(parent), name);
    l->setGeometry(x, y, w, 16);
    return l;
}

} // namespace

void TCDDBListDlg::SetTemplateQuery(std::function<bool(QString&)> query)
{
    g_templateQuery = std::move(query);
}

TCDDBListDlg::TCDDBListDlg(QWidget* owner) : QDialog(owner)
{
    SetUpFixedDialog(this, "CDDBListDlg", 430, 388);

    auto* image = new TClickImage(this);
    Image1 = Named(image, "Image1");
    Image1->setGeometry(8, 8, 32, 32);
    Image1->setPixmap(DiscPicture());
    Image1->setCursor(Qt::PointingHandCursor);
    image->OnClick = [this] { Application->Guard([this] { Image1Click(); }); };

    Label1 = MakeLabel(this, "Label1", 48, 6, 260);
    CDDriverComboBox = Named(new QComboBox(this), "CDDriverComboBox");
    CDDriverComboBox->setGeometry(48, 22, 270, 22);
    Label1->setBuddy(CDDriverComboBox);
    ConnectBtn = Named(new QPushButton(this), "ConnectBtn");
    ConnectBtn->setGeometry(330, 20, 92, 25);
    ConnectBtn->setEnabled(false);

    Label2 = MakeLabel(this, "Label2", 8, 50, 300);
    Panel1 = Named(new QLabel(this), "Panel1");
    Panel1->setGeometry(8, 66, 414, 21);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Label3 = MakeLabel(this, "Label3", 8, 94, 200);
    Edit1 = Named(new QLineEdit(this), "Edit1");
    Edit1->setGeometry(8, 110, 203, 22);
    Label3->setBuddy(Edit1);
    Label7 = MakeLabel(this, "Label7", 219, 94, 200);
    Edit2 = Named(new QLineEdit(this), "Edit2");
    Edit2->setGeometry(219, 110, 203, 22);
    Label7->setBuddy(Edit2);

    GroupBox1 = Named(new QGroupBox(this), "GroupBox1");
    GroupBox1->setGeometry(8, 138, 414, 62);
    ShowAlbumNameChk = Named(new QCheckBox(GroupBox1), "ShowAlbumNameChk");
    ShowAlbumNameChk->setGeometry(10, 16, 195, 20);
    ShowArtistNameChk = Named(new QCheckBox(GroupBox1), "ShowArtistNameChk");
    ShowArtistNameChk->setGeometry(210, 16, 195, 20);
    CustomizeTrackInfoChk = Named(new QCheckBox(GroupBox1), "CustomizeTrackInfoChk");
    CustomizeTrackInfoChk->setGeometry(10, 37, 195, 20);
    SelectSiteChk = Named(new QCheckBox(GroupBox1), "SelectSiteChk");
    SelectSiteChk->setGeometry(210, 37, 195, 20);

    Label8 = MakeLabel(this, "Label8", 8, 204, 300);
    Memo = Named(new QPlainTextEdit(this), "Memo");
    Memo->setGeometry(8, 220, 414, 104);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label8->setBuddy(Memo);

    Label4 = MakeLabel(this, "Label4", 8, 334, 40);
    FontName = Named(new TscFontComboBox(this), "FontName");
    FontName->setGeometry(48, 330, 150, 22);
    FontName->SetShowSample(false);
    Label4->setBuddy(FontName);
    Label5 = MakeLabel(this, "Label5", 204, 334, 36);
    FontSize = Named(new TscComboBox(this), "FontSize");
    FontSize->setGeometry(240, 330, 50, 22);
    FontName->SetSizeComboBox(FontSize);
    Label5->setBuddy(FontSize);
    Label6 = MakeLabel(this, "Label6", 296, 334, 36);
    FontColor = Named(new TscColorButton(this), "FontColor");
    FontColor->setGeometry(332, 330, 42, 22);
    Label6->setBuddy(FontColor);
    FontBold = FontStyleButton(this, "FontBold", true);
    FontBold->setGeometry(378, 330, 22, 22);
    FontItalic = FontStyleButton(this, "FontItalic", false);
    FontItalic->setGeometry(400, 330, 22, 22);

    OKBtn = Named(new QPushButton(this), "OKBtn");
    OKBtn->setGeometry(266, 358, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = Named(new QPushButton(this), "CancelBtn");
    CancelBtn->setGeometry(347, 358, 75, 25);

    ApplyLanguageCharset(this);
    setWindowTitle(LoadLangStr(CDDBCaptionString));
    Label1->setText(LoadLangStr(CDDriveLabelString));
    ConnectBtn->setText(LoadLangStr(ConnectButtonString));
    Label2->setText(LoadLangStr(ConnectInfoLabelString));
    Label3->setText(LoadLangStr(AlbumTitleLabelString));
    Label7->setText(LoadLangStr(ArtistLabelString));
    GroupBox1->setTitle(LoadLangStr(ExtraOptionGroupString));
    ShowAlbumNameChk->setText(LoadLangStr(ShowAlbumNameString));
    ShowArtistNameChk->setText(LoadLangStr(ShowArtistNameString));
    CustomizeTrackInfoChk->setText(LoadLangStr(CustomizeTrackInfoString));
    SelectSiteChk->setText(LoadLangStr(SelectSiteString));
    Label8->setText(LoadLangStr(TrackListLabelString));
    Label4->setText(QStringLiteral("&Font : "));
    Label5->setText(LoadLangStr(FontSizeLabelString));
    Label6->setText(LoadLangStr(FontColorLabelString));
    FontColor->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    FitButtonRow({CancelBtn, OKBtn});
    // The font row is laid out from the right once its captions are known, so that a longer
    // translation takes its room from the font name box; where that would leave the box too
    // narrow for the form's font name, the form grows instead.
    {
        auto need = [](QLabel* l) { return std::max(l->width(), l->sizeHint().width()); };
        const int nameRoom = FontBold->x() - 4 - FontColor->width() - 2 - need(Label6) - 6 -
                             FontSize->width() - 2 - need(Label5) - 6 - (Label4->x() + need(Label4) + 2);
        const int nameNeed = FontNameBoxWidth(FontName, QString::fromLatin1(kFormFontName));
        if (nameRoom < nameNeed)
            WidenForm(this, nameNeed - nameRoom);
        int right = FontBold->x() - 4;
        FontColor->move(right - FontColor->width(), FontColor->y());
        right = FontColor->x() - 2;
        Label6->setGeometry(right - need(Label6), Label6->y(), need(Label6), Label6->height());
        right = Label6->x() - 6;
        FontSize->move(right - FontSize->width(), FontSize->y());
        right = FontSize->x() - 2;
        Label5->setGeometry(right - need(Label5), Label5->y(), need(Label5), Label5->height());
        right = Label5->x() - 6;
        Label4->resize(need(Label4), Label4->height());
        const int left = Label4->x() + Label4->width() + 2;
        FontName->setGeometry(left, FontName->y(), right - left, FontName->height());
    }
    SetHelpContexts({{CDDriverComboBox, 2060},
                     {ConnectBtn, 2061},
                     {Panel1, 2062},
                     {Edit1, 2063},
                     {Edit2, 2064},
                     {Memo, 2065},
                     {ShowAlbumNameChk, 2066},
                     {ShowArtistNameChk, 2067},
                     {CustomizeTrackInfoChk, 2068},
                     {SelectSiteChk, 2069},
                     {FontName, 2081},
                     {FontSize, 2082},
                     {FontColor, 2083},
                     {OKBtn, 2000},
                     {CancelBtn, 2001}});
    InstallContextHelp(this);

    TRegIniFile ini(ProductKey());
    ShowAlbumNameChk->setChecked(ini.ReadBool(BasicInfo(), QStringLiteral("CDDB_Chk1"), true));
    ShowArtistNameChk->setChecked(ini.ReadBool(BasicInfo(), QStringLiteral("CDDB_Chk2"), true));
    CustomizeTrackInfoChk->setChecked(ini.ReadBool(BasicInfo(), QStringLiteral("CDDB_Chk3"), false));
    SelectSiteChk->setChecked(ini.ReadBool(BasicInfo(), QStringLiteral("CDDB_Chk4"), false));
    m_template = ini.ReadString(BasicInfo(), QStringLiteral("CDDB_Chk3_Flag"),
                                LoadLangStr(DefaultTrackTemplateString));
    // The server to ask; the client's own default when none is set.
    const QString server = ini.ReadString(BasicInfo(), QStringLiteral("CDDBServer"), QString());

    connect(CustomizeTrackInfoChk, &QCheckBox::clicked, this,
            [this] { Application->Guard([this] { CustomizeTrackInfoChkClick(); }); });
    connect(CDDriverComboBox, &QComboBox::activated, this,
            [this] { Application->Guard([this] { CDDriverComboBoxChange(); }); });
    connect(ConnectBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([this] { ConnectBtnClick(); }); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { OKBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([this] { CancelBtnClick(); }); });
    auto change = [this](QObject* sender) { Application->Guard([&] { FontNameChange(sender); }); };
    FontName->OnChange = change;
    FontSize->OnChange = change;
    FontColor->OnColorChange = change;

    FontName->SetFontName(QString::fromLatin1(kFormFontName));
    FontSize->SetText(QStringLiteral("8"));

    CDDBSocket = new TCDDBSocket(this);
    CDDBSocket->setObjectName(QStringLiteral("CDDBSocket"));
    CDDBSocket->OnSelectMatch = [this](QObject*, int& index) { SelectMatch(index); };
    CDDBSocket->OnStateChange = [this](QObject*, int state) { LookupStateChange(state); };
    // Results and errors come from inside the socket's notifications; what they show waits
    // for the event loop.
    CDDBSocket->OnResult = [this](QObject*, int result) {
        QTimer::singleShot(0, this, [this, result] { Application->Guard([&] { LookupResult(result); }); });
    };
    CDDBSocket->OnError = [this](TCustomASocket* s) {
        const int error = s->LastError();
        m_roundFailed = true;
        QTimer::singleShot(0, this, [this, error] { Application->Guard([&] { SocketError(error); }); });
    };
    CDDBSocket->User = CDDBSocket->Host = QStringLiteral("unknow");
    CDDBSocket->ClientName = QStringLiteral("Dovrin");
    CDDBSocket->Version = QStringLiteral("2");
    CDDBSocket->Mode = 1;
    if (!server.isEmpty())
        CDDBSocket->SetAddr(server);

    FillDriveList();
    for (int i = 0; i < CDDriverComboBox->count(); ++i)
        if (HasAudioTracks(CDDriverComboBox->itemText(i))) {
            CDDriverComboBox->setCurrentIndex(i);
            break;
        }
    CDDriverComboBoxChange();
    CentreOnScreen(this, owner);
}

TCDDBListDlg::~TCDDBListDlg()
{
    m_closing = true;
}

// ---- drives and tracks ----

void TCDDBListDlg::FillDriveList()
{
    CDDriverComboBox->clear();
    CDDriverComboBox->addItems(CdAudioDrives());
    // No drive is chosen until one with audio tracks is found.
    CDDriverComboBox->setCurrentIndex(-1);
}

bool TCDDBListDlg::HasAudioTracks(const QString& drive)
{
    CCDAudio cd;
    cd.OpenElement(0, drive, true);
    int audio = 0;
    const uint32_t count = cd.GetNumberOfTracks();
    for (uint32_t t = 1; t <= count; ++t)
        if (cd.GetTrackType(t) == MCI_CDA_TRACK_AUDIO)
            ++audio;
    cd.Close();
    return audio >= 1;
}

void TCDDBListDlg::CDDriverComboBoxChange()
{
    const QString drive = CDDriverComboBox->currentText();
    if (drive == m_lastDrive)
        return;
    Memo->clear();
    if (HasAudioTracks(drive)) {
        ReadDiscTracks(drive);
        ConnectBtn->setEnabled(true);
    } else {
        ConnectBtn->setEnabled(false);
        ShowMessage(LoadLangStr(NoAudioDiscString));
    }
    m_lastDrive = drive;
}

void TCDDBListDlg::ReadDiscTracks(const QString& drive)
{
    Memo->clear();
    m_trackTimes.clear();
    m_artist = m_albumTitle = LoadLangStr(UnknownTitleString);
    Edit1->setText(m_albumTitle);
    Edit2->setText(m_artist);
    CCDAudio cd;
    cd.OpenElement(0, drive, false);
    m_deviceId = cd.GetDeviceId();
    const uint32_t count = cd.GetNumberOfTracks();
    for (uint32_t t = 1; t <= count; ++t) {
        const uint32_t length = cd.GetTrackLength(t);
        m_trackTimes << QString::asprintf("%02d:%02d", int(MCI_MSF_MINUTE(length)),
                                          int(MCI_MSF_SECOND(length)));
    }
    FillTrackMemo();
    cd.Close();
    m_deviceId = 0;
}

void TCDDBListDlg::FillTrackMemo()
{
    Memo->clear();
    const QString pattern =
        CustomizeTrackInfoChk->isChecked() ? m_template : LoadLangStr(DefaultTrackTemplateString);
    QStringList lines;
    // Names belong to the disc they were looked up for: another disc shows them only when its
    // track count matches.
    const bool named = m_trackNames.size() == m_trackTimes.size();
    for (int i = 0; i < m_trackTimes.size(); ++i)
        lines << TrackLine(pattern, QString::asprintf("%02d", i + 1), named ? m_trackNames[i] : QString(),
                           m_trackTimes[i]);
    if (!lines.isEmpty())
        Memo->setPlainText(lines.join(u'\n'));
    Memo->verticalScrollBar()->setValue(0);
    Memo->moveCursor(QTextCursor::Start);
}

QString TCDDBListDlg::MemoText() const
{
    return MemoLinesText(Memo);
}

void TCDDBListDlg::CustomizeTrackInfoChkClick()
{
    if (!CustomizeTrackInfoChk->isChecked()) {
        if (m_template != LoadLangStr(DefaultTrackTemplateString))
            FillTrackMemo();
        return;
    }
    QString text = m_template.isEmpty() ? LoadLangStr(DefaultTrackTemplateString) : m_template;
    bool ok;
    if (g_templateQuery) {
        ok = g_templateQuery(text);
    } else {
        // The prompt's doubled ampersands show as one in the box's label, which takes mnemonics.
        text = QInputDialog::getText(this, LoadLangStr(TrackTemplateCaptionString),
                                     LoadLangStr(TrackTemplatePromptString), QLineEdit::Normal, text, &ok);
    }
    if (!ok)
        return;
    if (text == m_template && text == LoadLangStr(DefaultTrackTemplateString))
        return;
    m_template = text;
    TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("CDDB_Chk3_Flag"), m_template);
    FillTrackMemo();
}

void TCDDBListDlg::FontNameChange(QObject*)
{
    ShowFontInMemo(Memo, FontName->GetFontName(), FontSize->Text(), FontColor->Color());
}

// ---- the lookup ----

void TCDDBListDlg::EndWait(uint8_t flag)
{
    m_wait = flag;
}

void TCDDBListDlg::ConnectBtnClick()
{
    OKBtn->setEnabled(false);
    ConnectBtn->setEnabled(false);
    auto enableAgain = [this] {
        OKBtn->setEnabled(true);
        ConnectBtn->setEnabled(true);
    };
    QPointer<TCDDBListDlg> guard(this);
    try {
        if (SelectSiteChk->isChecked()) {
            CDDBSocket->Mode = 1;
            m_wait = 0;
            m_roundFailed = false;
            CDDBSocket->ConnectServer();
        } else {
            m_wait = 1;
        }
        // The site list comes in while the window stays alive; closing it ends the wait.
        while (guard && m_wait == 0 && !m_closing)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
        if (!guard)
            return;
        if (m_closing) {
            CDDBSocket->Abort();
            return;
        }
        if (m_wait != 1)
            return; // no server chosen: the round's result has enabled the buttons again

        // Each track's start on the disc (lead-in included) and the disc's length up to the
        // lead-out: what a server needs to identify the disc.
        CCDAudio cd;
        cd.OpenElement(0, m_lastDrive, false);
        m_deviceId = cd.GetDeviceId();
        const uint32_t count = cd.GetNumberOfTracks();
        CDDBSocket->Offsets.clear();
        int leadOut = 0;
        for (uint32_t t = 1; t <= count; ++t) {
            const int start = MsfFrames(cd.GetTrackPosition(t));
            CDDBSocket->Offsets << QString::number(start);
            leadOut = start + MsfFrames(cd.GetTrackLength(t));
        }
        cd.Close();
        m_deviceId = 0;
        if (count == 0) {
            enableAgain();
            ShowMessage(LoadLangStr(NoAudioDiscString));
            return;
        }
        CDDBSocket->DiscLength = leadOut / 75;
        CDDBSocket->TrackCount = int(CDDBSocket->Offsets.size());
        CDDBSocket->Mode = 0;
        m_roundFailed = false;
        CDDBSocket->ConnectServer();
        CancelBtn->setEnabled(true);
    } catch (...) {
        if (guard)
            enableAgain();
        throw;
    }
}

void TCDDBListDlg::LookupStateChange(int state)
{
    switch (state) {
    case 1: Panel1->setText(LoadLangStr(ConnectingString)); break;
    case 2: Panel1->setText(LoadLangStr(HandshakingString)); break;
    case 4: Panel1->setText(QStringLiteral("Process Sites information...")); break;
    case 7: Panel1->setText(LoadLangStr(QueryingString)); break;
    case 9: Panel1->setText(LoadLangStr(ReadingString)); break;
    default: break;
    }
}

void TCDDBListDlg::LookupResult(int result)
{
    const bool siteRound = CDDBSocket->Mode == 1;
    bool queryFollows = false;
    // Every round that ends without a result says so, in the status line and in a message; a
    // network error has already done both.
    auto tell = [this](int id) {
        Panel1->setText(LoadLangStr(id));
        if (!m_closing)
            ShowMessage(LoadLangStr(id));
    };
    if (result == CDDBNotFound) {
        tell(CDDBNotFoundString);
    } else if (result == CDDBProtocolError) {
        tell(CDDBQueryErrorString);
    } else if (result == CDDBNoResult) {
        if (!m_roundFailed)
            tell(ConnectionEndedString);
    } else if (result == CDDBSuccess && !siteRound) {
        m_albumTitle = CDDBSocket->Title;
        m_artist = CDDBSocket->Artist;
        Edit1->setText(m_albumTitle);
        Edit2->setText(m_artist);
        Memo->clear();
        // A name the record leaves out is blank; the others stay on their tracks.
        m_trackNames = CDDBSocket->TrackNames;
        m_trackNames.resize(m_trackTimes.size());
        FillTrackMemo();
        Panel1->setText(LoadLangStr(LookupSuccessString));
    } else if (result == CDDBSuccess && siteRound && m_wait == 0) {
        const QStringList servers = CDDBSocket->ServerList;
        QPointer<TCDDBListDlg> guard(this);
        const int chosen = servers.isEmpty() ? -1 : Choose(LoadLangStr(SelectServerCaptionString), servers);
        if (!guard)
            return; // the owner went, and the dialog with it, while the list was open
        if (chosen >= 0 && chosen < servers.size()) {
            CDDBSocket->SetAddr(servers[chosen]);
            queryFollows = true;
        }
    }
    if (siteRound && m_wait == 0)
        EndWait(queryFollows ? 1 : 2);
    // The round is over: the user may look up again, or take what is there.
    if (!queryFollows) {
        ConnectBtn->setEnabled(true);
        OKBtn->setEnabled(true);
    }
}

void TCDDBListDlg::SocketError(int error)
{
    const QString text =
        LoadLangStr(NetworkErrorString) + QStringLiteral("%1 (%2)").arg(error).arg(ASocketErrorDesc(error));
    Panel1->setText(text);
    if (!m_closing)
        ShowMessage(text);
}

void TCDDBListDlg::SelectMatch(int& index)
{
    if (CDDBSocket->Matches.size() < 2)
        return;
    const int chosen = Choose(LoadLangStr(SelectAlbumCaptionString), CDDBSocket->Matches);
    if (chosen >= 0)
        index = chosen;
}

int TCDDBListDlg::Choose(const QString& caption, const QStringList& items)
{
    QPointer<QDialog> chooser = new QDialog(this);
    chooser->setObjectName(QStringLiteral("Chooser"));
    chooser->setWindowTitle(caption);
    // Wide enough for its title, which window managers set in bold, beside the title bar's
    // icon and buttons.
    QFont titleFont = chooser->font();
    titleFont.setBold(true);
    const int titleBar = chooser->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, chooser);
    chooser->resize(std::max(300, QFontMetrics(titleFont).horizontalAdvance(caption) + 5 * titleBar), 200);
    auto* layout = new QVBoxLayout(chooser);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = Named(new QListWidget(chooser), "ChooserList");
    list->addItems(items);
    list->setCurrentRow(0);
    layout->addWidget(list);
    connect(list, &QListWidget::itemClicked, chooser, [chooser] { chooser->done(1); });
    ApplyLanguageCharset(chooser);
    CentreOnScreen(chooser, this);
    chooser->exec();
    if (!chooser)
        return -1;
    const int row = list->currentRow();
    delete chooser.data();
    return row;
}

// ---- closing ----

void TCDDBListDlg::OKBtnClick()
{
    int size = 0;
    if (!FontSizeFromText(FontSize->Text(), size)) {
        MessageDlg(LoadLangStr(FontSizeRangeString).arg(MinLabelFontSize).arg(MaxLabelFontSize), mtWarning,
                   mbOK);
        FontSize->setFocus();
        return;
    }
    TRegIniFile ini(ProductKey());
    ini.WriteBool(BasicInfo(), QStringLiteral("CDDB_Chk1"), ShowAlbumNameChk->isChecked());
    ini.WriteBool(BasicInfo(), QStringLiteral("CDDB_Chk2"), ShowArtistNameChk->isChecked());
    ini.WriteBool(BasicInfo(), QStringLiteral("CDDB_Chk3"), CustomizeTrackInfoChk->isChecked());
    ini.WriteBool(BasicInfo(), QStringLiteral("CDDB_Chk4"), SelectSiteChk->isChecked());
    ini.WriteString(BasicInfo(), QStringLiteral("CDDB_Chk3_Flag"), m_template);
    m_closing = true;
    done(1);
}

void TCDDBListDlg::CancelBtnClick()
{
    if (!Memo->toPlainText().isEmpty()) {
        if (MessageDlg(LoadLangStr(ListDataLostString), mtConfirmation, mbYes | mbNo) != mrYes)
            return;
    }
    m_closing = true;
    done(2);
}

void TCDDBListDlg::reject()
{
    CancelBtnClick();
}

void TCDDBListDlg::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        m_closing = true;
}

void TCDDBListDlg::Image1Click()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSite)));
}

TDiscTextDialogResult RunCDDBListDlg(QWidget* owner)
{
    TDiscTextDialogResult result;
    QPointer<TCDDBListDlg> dlg = new TCDDBListDlg(owner);
    dlg->FontSize->SetText(QStringLiteral("10"));
    const int modal = dlg->exec();
    if (!dlg)
        return result;
    result.ModalResult = modal;
    result.Text = dlg->MemoText();
    if (modal == 1) {
        result.FontName = dlg->FontName->GetFontName();
        result.FontSize = dlg->FontSize->Text();
        result.FontColor = dlg->FontColor->Color();
    }
    result.AlbumName = dlg->Edit1->text();
    result.ArtistName = dlg->Edit2->text();
    result.ShowAlbumName = dlg->ShowAlbumNameChk->isChecked();
    result.ShowArtistName = dlg->ShowArtistNameChk->isChecked();
    delete dlg.data();
    return result;
}
