// The objects' "Position and Size" page through the real dialogs on a document window: what is
// typed comes back exactly when the dialog opens again, at every zoom, and the object stays
// where it can be seen and clicked.
#include "app/color_property_dlg.h"
#include "app/image_property_dlg.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "platform/picture.h"

#include "support/dialog_test_support.h"
#include "tests/document/child_frame_test_support.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <array>

namespace {

using Boxes = std::array<const char*, 4>; // left, top, width, height

// The main window's link as far as the object dialogs go: the dialogs themselves run.
class RoundTripLink : public frametest::RecordingLink {
public:
    bool RunColorPropertyDialog(QWidget* owner, TColorPropertiesRequest& request) override
    {
        return RunColorPropertyDlg(owner, request);
    }
    bool RunImagePropertyDialog(QWidget* owner, TImagePropertiesRequest& request) override
    {
        return RunImagePropertyDlg(owner, request);
    }
};

class PositionRoundTrip : public frametest::FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        SetMainWindowLink(&dialogs);
    }

    // Opens o's dialog, notes what its boxes show, types into them what typed holds (nothing
    // for nullptr) and presses OK.
    template <class D>
    QStringList OpenTypeOk(CDesignObject& o, const Boxes* typed)
    {
        QStringList shown;
        testsupport::WhenShown<D>([&](D* dlg) {
            for (int i = 0; i < 4; ++i) {
                QLineEdit* edit = dlg->PositionBoxes().Edits[i];
                shown << edit->text();
                if (typed)
                    edit->setText(QString::fromLatin1((*typed)[i]));
            }
            QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
        });
        o.EditProperties();
        return shown;
    }

    // Types typed into o's dialog and checks that it comes back and o can still be clicked.
    template <class D>
    void CheckRoundTrip(TChildFrame* frame, CDesignObject& o, const Boxes& typed)
    {
        SCOPED_TRACE(testing::Message() << "zoom " << o.Zoom << ", typed " << typed[0] << " " << typed[1]
                                        << " " << typed[2] << " " << typed[3]);
        const QString want = QStringList{QString::fromLatin1(typed[0]), QString::fromLatin1(typed[1]),
                                         QString::fromLatin1(typed[2]), QString::fromLatin1(typed[3])}
                                 .join(QLatin1Char(' '));
        OpenTypeOk<D>(o, &typed);
        const QRect placed = o.geometry();
        // Opened again: the typed values; OK on the untouched page moves nothing and keeps them.
        EXPECT_EQ(OpenTypeOk<D>(o, nullptr).join(QLatin1Char(' ')), want);
        EXPECT_EQ(o.geometry(), placed);
        EXPECT_EQ(OpenTypeOk<D>(o, nullptr).join(QLatin1Char(' ')), want);
        EXPECT_EQ(o.geometry(), placed);

        // Still seen and clicked: a press where it lies on the page selects it.
        EXPECT_TRUE(o.isVisible());
        EXPECT_GE(o.Width(), 1);
        EXPECT_GE(o.Height(), 1);
        const QRect inView = placed & frame->Page->rect();
        ASSERT_FALSE(inView.isEmpty()) << placed.x() << "," << placed.y();
        o.SetSelected(false, false);
        frametest::Press(frame->Page, inView.center());
        frametest::Release(frame->Page, inView.center());
        EXPECT_TRUE(o.IsSelected());
    }

    RoundTripLink dialogs;
};

TPicture RoundTripPicture()
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    TBitmap b;
    b.SetImage(img);
    TPicture p;
    p.Assign(&b);
    return p;
}

} // namespace

TEST_F(PositionRoundTrip, TypedValuesComeBackExactlyAtEveryZoom)
{
    // Several tenths of a millimetre round to one pixel at these zooms, and at the largest a
    // pixel is more than two tenths.
    struct Zoom {
        uint8_t paper;
        bool fullPage;
        int width, height;
    } zooms[] = {{1, true, 320, 460}, {1, false, 400, 400}, {2, false, 600, 1800}};
    const Boxes typed[] = {
        {"123", "457", "10", "11"}, {"0", "1", "999", "13"},  {"7", "333", "41", "777"},
        {"-3", "99", "123", "456"}, {"501", "2", "12", "10"},
    };
    float lastZoom = 0;
    for (const Zoom& z : zooms) {
        TChildFrame* frame = Make(z.paper, z.fullPage, z.width, z.height);
        frame->SetToolCursor(crArrow);
        frame->SetCursor(crArrow);
        auto* shape = new CRectangle(frame);
        shape->SetName(QStringLiteral("CRectangle1"));
        shape->Zoom = float(frame->Zoom) * 0.01f;
        EXPECT_NE(shape->Zoom, lastZoom);
        lastZoom = shape->Zoom;
        for (const Boxes& t : typed)
            CheckRoundTrip<TColorPropertyDlg>(frame, *shape, t);
        delete shape;

        auto* image = new CImage(frame);
        image->SetName(QStringLiteral("CImage1"));
        image->Zoom = float(frame->Zoom) * 0.01f;
        const TPicture picture = RoundTripPicture();
        image->SetImage(&picture);
        for (const Boxes& t : typed)
            CheckRoundTrip<TImagePropertyDlg>(frame, *image, t);
    }
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('|')).toStdString();
}

TEST_F(PositionRoundTrip, AMovedObjectShowsWhereItIsNow)
{
    TChildFrame* frame = Make(1, false, 400, 400);
    auto* shape = new CRectangle(frame);
    shape->SetName(QStringLiteral("CRectangle1"));
    shape->Zoom = float(frame->Zoom) * 0.01f;
    const Boxes typed{"123", "457", "301", "205"};
    OpenTypeOk<TColorPropertyDlg>(*shape, &typed);
    const TObjectBoxes atTyped = ObjectBoxesOf(*shape);
    EXPECT_EQ(atTyped, (TObjectBoxes{123, 457, 301, 205}));
    // Moved and widened by the mouse: the page's pixels speak; the untouched height stays typed.
    shape->SetBounds(shape->Left() + 5, shape->Top(), shape->Width() + 3, shape->Height());
    const TObjectBoxes moved = ObjectBoxesOf(*shape);
    EXPECT_NE(moved.Left, 123);
    EXPECT_NE(moved.Width, 301);
    EXPECT_EQ(moved.Top, 457);
    EXPECT_EQ(moved.Height, 205);
    const double tenths = 254.0 / (Screen->PixelsPerInch * shape->Zoom);
    // Within the pixel the typed value was rounded to.
    EXPECT_NEAR(moved.Left, 123 + 5 * tenths, tenths);
    EXPECT_NEAR(moved.Width, 301 + 3 * tenths, tenths);
    // Back where the typed values put it, they show again.
    shape->SetBounds(shape->Left() - 5, shape->Top(), shape->Width() - 3, shape->Height());
    EXPECT_EQ(ObjectBoxesOf(*shape), atTyped);
}
