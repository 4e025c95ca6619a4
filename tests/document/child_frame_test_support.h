#pragma once
// Shared pieces of the document window tests: a recording main-window link, a few papers in
// the catalogue, a plain design object and a window factory.
#include "document/child_frame.h"
#include "document/design_object.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <vector>

namespace frametest {

class RecordingLink : public TMainWindowLink {
public:
    TGUID NextPaperID() override { return nextPaper; }
    bool NextFullPageMode() override { return nextFullPage; }
    void SetStatusPanel(int index, const QString& text) override { panels[index] = text; }
    void SetToolButtonDown(int tool) override { buttonsDown.push_back(tool); }
    void SetSaveEnabled(bool enabled) override { saveEnabled.push_back(enabled); }
    void DropFiles(const QStringList& files) override { drops.push_back(files); }
    TDiscTextDialogResult RunFileListDialog(QWidget* owner) override
    {
        ++fileListRuns;
        dialogOwner = owner;
        return fileListResult;
    }
    TDiscTextDialogResult RunCDDBListDialog(QWidget* owner) override
    {
        ++cddbRuns;
        dialogOwner = owner;
        return cddbResult;
    }

    bool RunLabelPropertyDialog(QWidget* owner, TLabelPropertiesRequest& request) override
    {
        dialogOwner = owner;
        labelRequests.push_back(request);
        if (labelAnswer)
            request = *labelAnswer;
        return bool(labelAnswer);
    }
    bool RunColorPropertyDialog(QWidget* owner, TColorPropertiesRequest& request) override
    {
        dialogOwner = owner;
        colorRequests.push_back(request);
        if (colorAnswer)
            colorAnswer(request);
        return bool(colorAnswer);
    }

    bool RunImagePropertyDialog(QWidget* owner, TImagePropertiesRequest& request) override
    {
        dialogOwner = owner;
        imageRequests.push_back(request);
        if (imageAnswer)
            imageAnswer(request);
        return bool(imageAnswer);
    }
    bool RunImageEditor(QWidget* owner, TPicture& picture) override
    {
        dialogOwner = owner;
        ++editorRuns;
        return editorAnswer && editorAnswer(picture);
    }

    TGUID nextPaper{};
    bool nextFullPage = false;
    std::vector<TImagePropertiesRequest> imageRequests;
    std::function<void(TImagePropertiesRequest&)> imageAnswer;
    // The picture editor: changes the picture and answers whether it was kept.
    std::function<bool(TPicture&)> editorAnswer;
    int editorRuns = 0;
    // The property dialogs: what they were handed, and OK with these values (none: Cancel).
    std::vector<TLabelPropertiesRequest> labelRequests;
    std::optional<TLabelPropertiesRequest> labelAnswer;
    std::vector<TColorPropertiesRequest> colorRequests;
    std::function<void(TColorPropertiesRequest&)> colorAnswer;
    std::map<int, QString> panels;
    std::vector<int> buttonsDown;
    std::vector<bool> saveEnabled;
    std::vector<QStringList> drops;
    TDiscTextDialogResult fileListResult, cddbResult;
    int fileListRuns = 0, cddbRuns = 0;
    QWidget* dialogOwner = nullptr;
};

using testpaper::Id;

// 120 mm disc label with a 41 mm hole, two positions on an A4 sheet.
inline std::unique_ptr<PaperType> DiscPaper(uint8_t n)
{
    return std::make_unique<PaperType>(
        testpaper::Discs(Id(n), QStringLiteral("Disc %1").arg(n), 1200, {{1, 450, 200}, {1, 450, 1500}}));
}

// A tall rectangle label (50 x 150 mm) on an A4 sheet.
inline std::unique_ptr<PaperType> TallPaper(uint8_t n)
{
    return std::make_unique<PaperType>(
        testpaper::Rectangles(Id(n), QStringLiteral("Tall %1").arg(n), 500, 1500, {{1, 100, 100}}));
}

// A design object that draws a grey box and counts its property dialogs.
class PlainObject : public CDesignObject {
public:
    explicit PlainObject(QWidget* owner) : CDesignObject(owner) {}
    void Paint() override
    {
        Canvas.Brush.Style = bsSolid;
        Canvas.Brush.Color = clGray;
        Canvas.FillRect(TRect(0, 0, Width(), Height()));
        Canvas.Brush.Style = bsClear;
        DrawHandles();
    }
    void EditProperties() override { ++propertyRuns; }
    void DrawTo(TCanvas&, QPoint, float) override {}
    int propertyRuns = 0;
};

// A catalogue with the test papers and a registered recording link; every window made by
// Make is freed after the test.
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMainWindowLink(&link);
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call.text);
            return IDOK;
        });
        AddPaper(DiscPaper(1));
        AddPaper(TallPaper(2));
        Screen->SetScreenCursor(crDefault);
    }
    void TearDown() override
    {
        windows.clear();
        PaperCatalogue().clear();
        papers.clear();
        SetMainWindowLink(nullptr);
        SetMessageBoxHandler(nullptr);
    }

    // A window on paper n (1 disc, 2 tall) in the given mode, with the given client size.
    TChildFrame* Make(uint8_t paper, bool fullPage = false, int width = 0, int height = 0)
    {
        link.nextPaper = Id(paper);
        link.nextFullPage = fullPage;
        windows.push_back(std::make_unique<TChildFrame>());
        TChildFrame* f = windows.back().get();
        f->setAttribute(Qt::WA_DeleteOnClose, false);
        if (width > 0)
            f->SetClientSize(width, height);
        f->show();
        return f;
    }

    // Puts p into the catalogue, which owns it from then on.
    PaperType* AddPaper(std::unique_ptr<PaperType> p)
    {
        papers.push_back(p.get());
        PaperCatalogue().push_back(std::move(p));
        return papers.back();
    }

    PlainObject* AddObject(TChildFrame* f, const QString& name, int left, int top, int width, int height)
    {
        auto* o = new PlainObject(f);
        o->SetName(name);
        o->SetBounds(left, top, width, height);
        o->SetSelected(false, false);
        return o;
    }

    RecordingLink link;
    std::vector<PaperType*> papers;  // the test papers in the catalogue
    std::vector<std::unique_ptr<TChildFrame>> windows;
    QStringList boxes;
};

// Mouse events straight to a widget, at widget coordinates.
inline void Press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {})
{
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), b, b, m);
    QApplication::sendEvent(w, &e);
}

inline void Move(QWidget* w, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers m = {})
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, m);
    QApplication::sendEvent(w, &e);
}

inline void Release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {})
{
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), b, Qt::NoButton, m);
    QApplication::sendEvent(w, &e);
}

// Mouse events to a design object reach it as the user's do: through its page, at object
// coordinates.
inline void Press(CDesignObject* o, QPoint p, Qt::MouseButton b = Qt::LeftButton,
                  Qt::KeyboardModifiers m = {})
{
    Press(o->parentWidget(), o->mapToParent(p), b, m);
}

inline void Move(CDesignObject* o, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton,
                 Qt::KeyboardModifiers m = {})
{
    Move(o->parentWidget(), o->mapToParent(p), buttons, m);
}

inline void Release(CDesignObject* o, QPoint p, Qt::MouseButton b = Qt::LeftButton,
                    Qt::KeyboardModifiers m = {})
{
    Release(o->parentWidget(), o->mapToParent(p), b, m);
}

} // namespace frametest
