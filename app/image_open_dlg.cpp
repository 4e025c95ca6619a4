#include "app/image_open_dlg.h"

#include "app/dialog_form.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <condition_variable>
#include <thread>

QRect PreviewRect(int W, int H, int w, int h)
{
    if (w <= W && h <= H)
        return QRect(W / 2 - w / 2, H / 2 - h / 2, w, h);
    const float r = std::max(float(w) / float(W), float(h) / float(H));
    const int dw = int(float(w) / r), dh = int(float(h) / r);
    const int left = dw < W ? W / 2 - dw / 2 : 0;
    const int top = dh < H ? H / 2 - dh / 2 : 0;
    return QRect(left, top, dw, dh);
}

int PreviewDivisor(int w, int h, int SW, int SH)
{
    if (w <= SW && h <= SH)
        return 1;
    if (SW <= 0 || SH <= 0)
        return std::max(w, h) + 1;
    // No upper bound: a picture many screens wide still gets a window that fits. No divisor
    // below w / SW or h / SH can fit, so the search starts there.
    int d = std::max({1, w / SW, h / SH});
    while (!(w / d < SW && h / d < SH))
        ++d;
    return d;
}

namespace {

// The picture at size: sampled down to twice that size first, then shrunk smoothly, so that a
// large picture is never converted whole.
QImage ScaledPicture(const TPicture& picture, QSize size)
{
    if (size == QSize(picture.Width(), picture.Height()))
        return picture.Graphic()->ToImage();
    const QSize sampled(std::min(picture.Width(), 2 * size.width()),
                        std::min(picture.Height(), 2 * size.height()));
    TBitmap bitmap(sampled.width(), sampled.height(), pf32bit);
    bitmap.Canvas()->StretchDraw(TRect(0, 0, sampled.width(), sampled.height()), picture.Graphic());
    return bitmap.ToImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

// ---- full-size preview -------------------------------------------------------------------

TImageOpenFilePreviewDlg::TImageOpenFilePreviewDlg(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ImageOpenFilePreviewDlg"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel = new QFrame(this);
    Named(Panel, "Panel");
    Panel->setFrameShape(QFrame::Box);
    Panel->setLineWidth(1);
    Panel->setAutoFillBackground(true);
    Panel->setBackgroundRole(QPalette::Base);
    auto* inner = new QVBoxLayout(Panel);
    inner->setContentsMargins(5, 5, 5, 5);
    Image = new QLabel(Panel);
    Named(Image, "Image");
    Image->setAlignment(Qt::AlignCenter);
    inner->addWidget(Image);
    layout->addWidget(Panel);
    setWindowTitle(LoadLangStr(ImagePreviewCaptionString));
    ApplyLanguageCharset(this);
}

void TImageOpenFilePreviewDlg::ShowPreview(const TPicture* picture)
{
    if (!picture || picture->Empty())
        return;
    const int w = picture->Width(), h = picture->Height();
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize sz = screen ? screen->geometry().size() : QSize(1024, 768);
    Divisor = PreviewDivisor(w, h, sz.width(), sz.height());
    setWindowTitle(LoadLangStr(ImagePreviewCaptionString) + QStringLiteral(" [1:%1]").arg(Divisor));
    const QSize shown(std::max(1, w / Divisor), std::max(1, h / Divisor));
    Image->setPixmap(QPixmap::fromImage(ScaledPicture(*picture, shown)));
    Image->setFixedSize(shown);
    // Centred at the size the picture gives it, not at the size before the layout ran.
    adjustSize();
    CentreOnScreen(this, nullptr);
    exec();
}

void TImageOpenFilePreviewDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- the open dialog ---------------------------------------------------------------------

namespace {

constexpr int PreviewPanelWidth = 180;
constexpr int PreviewPanelHeight = 135;
// A preview decode never takes more than this much picture memory.
constexpr uint64_t PreviewMemory = uint64_t(512) << 20;

// The picture as the preview box of size box shows it.
QImage ShrunkPreview(const TPicture& picture, QSize box)
{
    if (picture.Empty() || box.isEmpty())
        return QImage();
    return ScaledPicture(picture,
                         PreviewRect(box.width(), box.height(), picture.Width(), picture.Height()).size());
}

class TPreviewPaintBox : public QWidget {
public:
    TPreviewPaintBox(TImageOpenFileDlg* dlg, QWidget* parent) : QWidget(parent), m_dlg(dlg) {}

protected:
    void paintEvent(QPaintEvent*) override { m_dlg->PaintBoxPaint(); }
    void mouseDoubleClickEvent(QMouseEvent*) override
    {
        Application->Guard([this] { m_dlg->PaintBoxDblClick(); });
    }

private:
    TImageOpenFileDlg* m_dlg;
};

} // namespace

// The reading thread takes its work from here and reports to the dialog through it. One file is
// read at a time, and a selection made meanwhile waits in Next, replacing any that waited before
// it. The dialog sets Stop and joins the thread when it goes.
struct TImageOpenFileDlg::TPreviewJobs {
    std::mutex Mutex;
    std::condition_variable Wake;
    TImageOpenFileDlg* Owner = nullptr;
    bool Stop = false;
    bool HasNext = false;
    int NextGeneration = 0;
    QString NextName;
    QSize NextBox;
    // Files read so far, and a hold that keeps the thread from taking the next one, as a long
    // read would (tests).
    int Reads = 0;
    bool Held = false;

    void ReadPreviews();
};

void TImageOpenFileDlg::TPreviewJobs::ReadPreviews()
{
    for (;;) {
        int generation = 0;
        QString name;
        QSize box;
        {
            std::unique_lock<std::mutex> lock(Mutex);
            Wake.wait(lock, [this] { return Stop || (HasNext && !Held); });
            if (Stop)
                return;
            HasNext = false;
            generation = NextGeneration;
            name = NextName;
            box = NextBox;
            ++Reads;
        }
        auto picture = std::make_shared<TPicture>();
        QImage shown;
        QString error;
        try {
            TPictureMemoryBudget budget(PreviewMemory);
            picture->LoadFromFile(name);
            shown = ShrunkPreview(*picture, box);
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
            if (error.isEmpty())
                error = QStringLiteral("Unknown error");
        }
        std::lock_guard<std::mutex> lock(Mutex);
        if (TImageOpenFileDlg* owner = Owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, generation, name, picture, shown, error] {
                    owner->previewDecoded(generation, name, picture, shown, error);
                },
                Qt::QueuedConnection);
    }
}

TImageOpenFileDlg::TImageOpenFileDlg(QWidget* owner)
    : QWidget(owner, Qt::Dialog), PreviewPicture(std::make_unique<TPicture>()),
      m_jobs(std::make_unique<TPreviewJobs>())
{
    m_jobs->Owner = this;
    m_reader = std::thread(&TPreviewJobs::ReadPreviews, m_jobs.get());
    setObjectName(QStringLiteral("ImageOpenFileDlg"));
    OpenDialog = new TFormOpenDialogEx(this);
    Named(OpenDialog, "OpenDialog")->move(0, 0);
    const QSize fixed = OpenDialog->FixedSize();
    resize(fixed.width() + 20, fixed.height() + PreviewPanelHeight + 40);

    GroupBox1 = new QGroupBox(this);
    Named(GroupBox1, "GroupBox1")->setGeometry(0, fixed.height(), 200, 45);
    ImagePreviewChk = new QCheckBox(GroupBox1);
    Named(ImagePreviewChk, "ImagePreviewChk")->setGeometry(10, 18, 180, 19);
    GroupBox2 = new QGroupBox(this);
    Named(GroupBox2, "GroupBox2")->setGeometry(0, fixed.height() + 52, 200, 80);
    StaticText1 = new QLabel(GroupBox2);
    Named(StaticText1, "StaticText1")->move(10, 20);
    StaticText2 = new QLabel(GroupBox2);
    Named(StaticText2, "StaticText2")->setGeometry(90, 20, 105, 17);
    DetailBtn = new QPushButton(GroupBox2);
    Named(DetailBtn, "DetailBtn")->setGeometry(10, 45, 110, 25);
    DetailBtn->setEnabled(false);
    PreviewPanel = new QFrame(this);
    Named(PreviewPanel, "PreviewPanel")
        ->setGeometry(215, fixed.height() + 4, PreviewPanelWidth, PreviewPanelHeight);
    PreviewPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PreviewPanel->setLineWidth(2);
    auto* panelLayout = new QVBoxLayout(PreviewPanel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    PaintBox = new TPreviewPaintBox(this, PreviewPanel);
    Named(PaintBox, "PaintBox");
    panelLayout->addWidget(PaintBox);

    connect(ImagePreviewChk, &QCheckBox::toggled, this, [this] { ImagePreviewChkClick(); });
    connect(DetailBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([this] { DetailBtnClick(); }); });

    // The standard parts: no Help, no read-only box.
    OpenDialog->SetVisibleControls(ccOkButton | ccCancelButton | ccFolderCombo | ccFileNameEdit |
                                   ccFileTypeComboBox | ccLookInLabel | ccFileNameLabel | ccFileTypeLabel);
    OpenDialog->OnShow = [this](QObject*) { OpenDialogShow(); };
    OpenDialog->OnSelectionChange = [this](QObject*) { OpenDialogSelectionChange(); };
    OpenDialog->SetDefaultExt(GraphicExtension(QStringLiteral("TGraphic")));
    OpenDialog->Filter = GraphicFilter();
    OpenDialog->Options |= ofFileMustExist;
    OpenDialog->SetOkButtonCaption(LoadLangStr(OKButtonString));
    OpenDialog->SetCancelButtonCaption(LoadLangStr(CancelButtonString));

    setWindowTitle(LoadLangStr(ImageOpenCaptionString));
    GroupBox1->setTitle(LoadLangStr(PreviewOptionString));
    ImagePreviewChk->setText(LoadLangStr(ImagePreviewCheckString));
    GroupBox2->setTitle(LoadLangStr(ImageInformationString));
    StaticText1->setText(LoadLangStr(ImageSizeString));
    StaticText1->adjustSize();
    DetailBtn->setText(LoadLangStr(DetailPreviewString));
    DetailBtn->resize(std::max(DetailBtn->width(), CaptionWidth(DetailBtn) + 16), DetailBtn->height());
    StaticText2->move(StaticText1->geometry().right() + 6, StaticText2->y());
    SetHelpContexts({{ImagePreviewChk, 2097}, {DetailBtn, 2098}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
}

TImageOpenFileDlg::~TImageOpenFileDlg()
{
    {
        std::lock_guard<std::mutex> lock(m_jobs->Mutex);
        m_jobs->Owner = nullptr;
        m_jobs->Stop = true;
    }
    m_jobs->Wake.notify_all();
    m_reader.join();
}

bool TImageOpenFileDlg::ExecuteImageOpen()
{
    {
        TRegIniFile reg(ProductKey());
        OpenDialog->SetInitialDir(reg.ReadString(BasicInfo(), QStringLiteral("ImageLastDir"), QString()));
        // A file named by the caller opens its own folder.
        const QFileInfo start(OpenDialog->FileName);
        if (!OpenDialog->FileName.isEmpty() && start.isFile())
            OpenDialog->SetInitialDir(start.absolutePath());
        ImagePreviewChk->setChecked(reg.ReadBool(BasicInfo(), QStringLiteral("ImagePreview"), true));
    }
    if (!OpenDialog->Execute())
        return false;
    TRegIniFile reg(ProductKey());
    reg.WriteString(BasicInfo(), QStringLiteral("ImageLastDir"),
                    QFileInfo(OpenDialog->FileName).absolutePath());
    reg.WriteBool(BasicInfo(), QStringLiteral("ImagePreview"), ImagePreviewChk->isChecked());
    return true;
}

void TImageOpenFileDlg::OpenDialogShow()
{
    const QRect ok = OpenDialog->DialogItemRect(1);
    const QRect typeLabel = OpenDialog->DialogItemRect(1089);
    if (ok.isEmpty() || typeLabel.isEmpty())
        return;
    GroupBox1->move(typeLabel.left(), typeLabel.bottom() + 1 + 10);
    GroupBox2->move(typeLabel.left(), GroupBox1->geometry().bottom() + 1 + 7);
    PreviewPanel->move(GroupBox1->geometry().right() + 1 + 15, typeLabel.bottom() + 1 + 14);
    const int width = std::max(ok.right() + 1 + 20, PreviewPanel->geometry().right() + 1 + 20);
    resize(width, std::max(PreviewPanel->geometry().bottom() + 1, GroupBox2->geometry().bottom() + 1) + 30);
}

void TImageOpenFileDlg::OpenDialogSelectionChange()
{
    if (PreviewOn)
        UpdatePreview();
}

void TImageOpenFileDlg::clearPreview()
{
    ++m_generation;
    m_pending = false;
    m_pendingFile.clear();
    {
        std::lock_guard<std::mutex> lock(m_jobs->Mutex);
        m_jobs->HasNext = false;
    }
    emit previewSettled();
    emptyPreview();
}

void TImageOpenFileDlg::emptyPreview()
{
    m_previewFile.clear();
    if (PreviewPicture->Empty() && StaticText2->text().isEmpty())
        return;
    StaticText2->setText(QString());
    PreviewPicture->Assign(static_cast<const TPicture*>(nullptr));
    m_shown = QImage();
    PaintBox->update();
}

void TImageOpenFileDlg::UpdatePreview()
{
    const QString name = OpenDialog->GetFileName();
    const QFileInfo info(name);
    if (!info.isFile() || info.suffix().isEmpty()) {
        clearPreview();
        return;
    }
    if (IsWin2000OrMe() && info.suffix().toUpper() == QStringLiteral("LNK"))
        return;
    requestRead(name);
}

void TImageOpenFileDlg::requestRead(const QString& name)
{
    // A large file must not stop the window: it is read on the reading thread, and only the
    // newest selection's picture is shown. Moving through a folder of large files keeps one
    // file in reading, never one picture's memory per file passed.
    const int generation = ++m_generation;
    m_pending = true;
    m_pendingFile = name;
    {
        std::lock_guard<std::mutex> lock(m_jobs->Mutex);
        m_jobs->HasNext = true;
        m_jobs->NextGeneration = generation;
        m_jobs->NextName = name;
        // The box as the panel's layout sizes it, shown yet or not.
        m_jobs->NextBox =
            PreviewPanel->contentsRect().marginsRemoved(PreviewPanel->layout()->contentsMargins()).size();
    }
    m_jobs->Wake.notify_all();
}

int TImageOpenFileDlg::PreviewReads() const
{
    std::lock_guard<std::mutex> lock(m_jobs->Mutex);
    return m_jobs->Reads;
}

void TImageOpenFileDlg::HoldPreviewReading(bool hold)
{
    {
        std::lock_guard<std::mutex> lock(m_jobs->Mutex);
        m_jobs->Held = hold;
    }
    m_jobs->Wake.notify_all();
}

void TImageOpenFileDlg::previewDecoded(int generation, const QString& file, std::shared_ptr<TPicture> picture,
                                       QImage shown, QString error)
{
    if (generation != m_generation)
        return;
    m_pending = false;
    m_pendingFile.clear();
    emit previewSettled();
    if (!error.isEmpty()) {
        // Neither the picture nor the size of the file before stays, for Detail Preview or OK.
        emptyPreview();
        Application->ShowFileException(file, EKorvaneError(error));
        return;
    }
    PreviewPicture->Assign(picture.get());
    m_previewFile = file;
    m_previewStamp = QFileInfo(file).lastModified();
    m_shown = shown;
    PaintBox->update();
    StaticText2->setText(
        QStringLiteral("(%1x%2)").arg(PreviewPicture->Width()).arg(PreviewPicture->Height()));
}

bool TImageOpenFileDlg::LoadChosen(const QString& file, TPicture& into)
{
    const QFileInfo info(file);
    const bool shown = !PreviewPicture->Empty() && !m_previewFile.isEmpty() &&
                       QFileInfo(m_previewFile) == info && m_previewStamp == info.lastModified();
    if (!shown) {
        if (!(m_pending && QFileInfo(m_pendingFile) == info))
            requestRead(file);
        // The window keeps painting while the file is read; clicks wait until it is there.
        QEventLoop loop;
        connect(this, &TImageOpenFileDlg::previewSettled, &loop, &QEventLoop::quit);
        if (m_pending)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (PreviewPicture->Empty() || QFileInfo(m_previewFile) != info)
            return false;
    }
    into.Assign(PreviewPicture.get());
    return true;
}

void TImageOpenFileDlg::ImagePreviewChkClick()
{
    if (ImagePreviewChk->isChecked()) {
        PreviewOn = true;
        DetailBtn->setEnabled(true);
        UpdatePreview();
    } else {
        PreviewOn = false;
        DetailBtn->setEnabled(false);
        clearPreview();
    }
}

void TImageOpenFileDlg::PaintBoxPaint()
{
    QPainter p(PaintBox);
    const int W = PaintBox->width(), H = PaintBox->height();
    if (PreviewPicture->Empty()) {
        const QString text = LoadLangStr(NoPictureString);
        const QFontMetrics fm(PaintBox->font());
        p.drawText(W / 2 - fm.horizontalAdvance(text) / 2, H / 2 - fm.height() / 2 + fm.ascent(), text);
        return;
    }
    if (!PreviewOn)
        return;
    const QRect r = PreviewRect(W, H, PreviewPicture->Width(), PreviewPicture->Height());
    // The shrunk picture comes made with the picture; it is made again only when the box has
    // changed size.
    if (m_shown.size() != r.size())
        m_shown = ShrunkPreview(*PreviewPicture, QSize(W, H));
    p.drawImage(r.topLeft(), m_shown);
}

void TImageOpenFileDlg::DetailBtnClick()
{
    if (PreviewPicture->Empty())
        return;
    QPointer<TImageOpenFilePreviewDlg> dlg = new TImageOpenFilePreviewDlg(
        OpenDialog->FrameHandle() ? static_cast<QWidget*>(OpenDialog->FrameHandle()) : this);
    dlg->ShowPreview(PreviewPicture.get());
    delete dlg.data();
}
