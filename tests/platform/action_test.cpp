#include "platform/action.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace actiontest {

TEST(ActionTest, EnabledIsWhatWasSetWhileHidden)
{
    TCustomAction action;
    action.SetVisible(false);
    // A hidden QAction reports itself disabled; the action keeps what was set.
    EXPECT_FALSE(action.isEnabled());
    EXPECT_TRUE(action.Enabled());
    action.SetEnabled(false);
    EXPECT_FALSE(action.Enabled());
    action.SetVisible(true);
    EXPECT_FALSE(action.Enabled());
    EXPECT_FALSE(action.isEnabled());
    action.SetEnabled(true);
    EXPECT_TRUE(action.isEnabled());
    // Set through QAction while shown counts as well.
    action.setEnabled(false);
    EXPECT_FALSE(action.Enabled());
}

TEST(ActionTest, ChangesOfItsOwnValuesAreAnnounced)
{
    TCustomAction action;
    QSignalSpy changed(&action, &QAction::changed);
    struct Case {
        const char* name;
        std::function<void()> change;
        std::function<bool()> holds;
    };
    const Case cases[] = {
        {"hint", [&] { action.SetHint(QStringLiteral("Tip")); },
         [&] { return action.Hint() == QStringLiteral("Tip") && action.toolTip() == QStringLiteral("Tip"); }},
        {"image index", [&] { action.SetImageIndex(3); }, [&] { return action.ImageIndex() == 3; }},
        {"help context", [&] { action.SetHelpContext(42); }, [&] { return action.HelpContext() == 42; }},
        {"enabled while hidden",
         [&] {
             action.SetVisible(false);
             changed.clear();
             action.SetEnabled(false);
         },
         [&] { return !action.Enabled(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changed.clear();
        c.change();
        EXPECT_TRUE(c.holds());
        EXPECT_GE(changed.count(), 1);
    }
    // The same value again announces nothing.
    changed.clear();
    action.SetImageIndex(3);
    action.SetHelpContext(42);
    EXPECT_EQ(changed.count(), 0);
}

TEST(ActionTest, ExecuteRunsOnExecuteAndTogglesACheckedAction)
{
    TCustomAction action;
    int runs = 0;
    action.OnExecute = [&](TCustomAction* sender) {
        EXPECT_EQ(sender, &action);
        ++runs;
    };
    action.Execute();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(action.Checked());
    action.SetChecked(true);
    EXPECT_TRUE(action.isCheckable());
    action.Execute();
    EXPECT_FALSE(action.Checked());
    // A trigger from elsewhere (a menu item) runs it too.
    action.trigger();
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(action.Checked());
}

} // namespace actiontest
