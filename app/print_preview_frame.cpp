#include "app/print_preview_frame.h"

#include "app/dialog_form.h"

#include "app/new_dlg.h"
#include "app/program_icon.h"
#include "controls/other_host_dialogs.h"
#include "document/std.h"
#include "platform/cursors.h"
#include "platform/graphics.h"
#include "platform/registry.h"

#include <algorithm>
#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int PageWidthItem = 7;
constexpr int FullPageItem = 8;
constexpr int Margin = 10;

} // namespace

double PreviewZoomFactor(int index)
{
    static const double factors[] = {2.0, 1.5, 1.0, 0.75, 0.5, 0.25, 0.1};
    return index >= 0 && index < 7 ? factors[index] : 0.0;
}

TPrintPreviewFrame::TPrintPreviewFrame(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("PrintPreviewFrame"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(12);
    setFont(formFont);
    resize(498, 385);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar = new QWidget(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setFixedHeight(25);
    PrintBtn = new QPushButton(ToolBar);
    PrintBtn->setObjectName(QStringLiteral("PrintBtn"));
    PrintBtn->setGeometry(0, 2, 75, 21);
    SetupBtn = new QPushButton(ToolBar);
    SetupBtn->setObjectName(QStringLiteral("SetupBtn"));
    SetupBtn->setGeometry(75, 2, 75, 21);
    ZoomSizeComboBox = new QComboBox(ToolBar);
    ZoomSizeComboBox->setObjectName(QStringLiteral("ZoomSizeComboBox"));
    ZoomSizeComboBox->setGeometry(150, 2, 119, 21);
    ZoomSizeComboBox->addItems({QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
                                QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("25%"),
                                QStringLiteral("10%")});
    CloseBtn = new QPushButton(ToolBar);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setGeometry(269, 2, 75, 21);
    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setFrameShape(QFrame::NoFrame);
    QPalette pal = ScrollBox->palette();
    pal.setColor(QPalette::Window, ColorToQColor(0x828282));
    ScrollBox->setPalette(pal);
    ScrollBox->setBackgroundRole(QPalette::Window);
    m_sheet = new QWidget;
    m_sheet->setAutoFillBackground(false);
    ScrollBox->setWidget(m_sheet);
    PaintBox = new TSamplePaintBox(m_sheet);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };
    ScrollBox->viewport()->installEventFilter(this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(ToolBar);
    layout->addWidget(ScrollBox, 1);
    layout->addWidget(StatusBar1);

    connect(PrintBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(CloseBtn, &QPushButton::clicked, this, [this] { done(2); });
    connect(SetupBtn, &QPushButton::clicked, this, [this] { SetupBtnClick(); });
    connect(ZoomSizeComboBox, &QComboBox::currentIndexChanged, this, [this] { ZoomSizeComboBoxChange(); });
    FormCreate();
}

TPrintPreviewFrame::~TPrintPreviewFrame() = default;

void TPrintPreviewFrame::FormCreate()
{
    ApplyLanguageCharset(this);
    setWindowTitle(LoadLangStr(PreviewCaptionString));
    PrintBtn->setText(LoadLangStr(PreviewPrintButtonString));
    SetupBtn->setText(LoadLangStr(PreviewSetupButtonString));
    CloseBtn->setText(LoadLangStr(PreviewCloseButtonString));
    ZoomSizeComboBox->addItem(LoadLangStr(ZoomPageWidthString));
    ZoomSizeComboBox->addItem(LoadLangStr(ZoomFullPageString));
    // Translated captions and zoom names get their room; the bar's controls stay side by side.
    for (QPushButton* b : {PrintBtn, SetupBtn, CloseBtn})
        GrowToCaption(b);
    SetupBtn->move(PrintBtn->x() + PrintBtn->width(), SetupBtn->y());
    ZoomSizeComboBox->setGeometry(SetupBtn->x() + SetupBtn->width(), ZoomSizeComboBox->y(),
                                  std::max(ZoomSizeComboBox->width(), ZoomSizeComboBox->sizeHint().width()),
                                  ZoomSizeComboBox->height());
    CloseBtn->move(ZoomSizeComboBox->x() + ZoomSizeComboBox->width(), CloseBtn->y());
    setWindowIcon(ProgramIcon());
}

void TPrintPreviewFrame::SetPage(const QPicture& page, int mmWidth, int mmHeight)
{
    Metafile = page;
    MetafileMMWidth = mmWidth;
    MetafileMMHeight = mmHeight;
    const int ppi = Screen->PixelsPerInch;
    PaintBox->resize(RoundValue(mmWidth * 0.03937 * ppi), RoundValue(mmHeight * 0.03937 * ppi));
}

void TPrintPreviewFrame::TakeMainWindowPlacement(QWidget* mainWindow)
{
    if (!mainWindow)
        return;
    const TWindowState state = WindowStateOf(mainWindow);
    if (state == wsMaximized)
        setWindowState(Qt::WindowMaximized);
    else if (state == wsNormal)
        setGeometry(mainWindow->geometry());
}

int TPrintPreviewFrame::Execute()
{
    QWidget* mainWindow = CallerForm ? CallerForm->window() : nullptr;
    if (mainWindow == this)
        mainWindow = nullptr;
    if (mainWindow)
        mainWindow->hide();
    BaseHeight = PaintBox->height();
    BaseWidth = PaintBox->width();
    TRegIniFile reg(ProductKey());
    ZoomSizeComboBox->setCurrentIndex(reg.ReadInteger(BasicInfo(), QStringLiteral("ZoomSize"), FullPageItem));
    ZoomSizeComboBoxChange();
    const int result = exec();
    reg.WriteInteger(BasicInfo(), QStringLiteral("ZoomSize"), ZoomSizeComboBox->currentIndex());
    if (mainWindow) {
        const TWindowState state = WindowStateOf(this);
        if (state == wsMaximized) {
            mainWindow->showMaximized();
        } else {
            mainWindow->setGeometry(geometry());
            mainWindow->showNormal();
        }
    }
    return result == 1 ? 1 : 2;
}

void TPrintPreviewFrame::ApplyZoom(float factor)
{
    PaintBox->resize(RoundValue(BaseWidth * double(factor)), RoundValue(BaseHeight * double(factor)));
    PaintBox->update();
}

void TPrintPreviewFrame::ZoomSizeComboBoxChange()
{
    const int index = ZoomSizeComboBox->currentIndex();
    const QSize client = ScrollBox->viewport()->size();
    if (BaseWidth > 0 && BaseHeight > 0) {
        if (index >= 0 && index < PageWidthItem) {
            ApplyZoom(float(PreviewZoomFactor(index)));
        } else if (index == PageWidthItem) {
            const int w = std::max(client.width() - 2 * Margin, 1);
            PaintBox->resize(w, RoundValue(double(w) / BaseWidth * BaseHeight));
        } else if (index == FullPageItem || index == -1) {
            const int h = std::max(client.height() - 2 * Margin, 1);
            PaintBox->resize(RoundValue(double(h) / BaseHeight * BaseWidth), h);
        }
    }
    const QRect place = PagePlace();
    m_sheet->resize(place.size());
    PaintBox->move(place.topLeft());
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
    PaintBox->update();
}

QRect TPrintPreviewFrame::PagePlace() const
{
    const QSize client = ScrollBox->viewport()->size();
    int left, top, rangeW, rangeH;
    if (client.height() - 2 * Margin > PaintBox->height()) {
        top = (client.height() - PaintBox->height()) / 2;
        rangeH = client.height();
    } else {
        top = Margin;
        rangeH = PaintBox->height() + 2 * Margin;
    }
    if (client.width() - 2 * Margin > PaintBox->width()) {
        left = (client.width() - PaintBox->width()) / 2;
        rangeW = client.width();
    } else {
        left = Margin;
        rangeW = PaintBox->width() + 2 * Margin;
    }
    return QRect(left, top, rangeW, rangeH);
}

void TPrintPreviewFrame::FormResize()
{
    ZoomSizeComboBoxChange();
}

void TPrintPreviewFrame::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

bool TPrintPreviewFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The scrolling area takes its size from the window's layout after the window's own resize.
    if (watched == ScrollBox->viewport() && event->type() == QEvent::Resize)
        FormResize();
    return QDialog::eventFilter(watched, event);
}

void TPrintPreviewFrame::PaintBoxPaint(TCanvas* canvas)
{
    canvas->Brush.Color = clWhite;
    canvas->Brush.Style = bsSolid;
    const TRect r(0, 0, PaintBox->width(), PaintBox->height());
    canvas->FillRect(r);
    if (MetafileMMWidth <= 0 || MetafileMMHeight <= 0)
        return;
    QPainter painter(PaintBox);
    painter.scale(double(PaintBox->width()) / (MetafileMMWidth * 10.0),
                  double(PaintBox->height()) / (MetafileMMHeight * 10.0));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPicture(0, 0, Metafile);
}

void TPrintPreviewFrame::SetupBtnClick()
{
    // The printer setup dialog alone in its frame, over this window.
    TFormPrinterSetupDialog dialog;
    dialog.OwnerWindow = this;
    dialog.Execute();
}
