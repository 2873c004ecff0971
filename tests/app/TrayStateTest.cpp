#include <gtest/gtest.h>

#include "app/TrayState.h"
#include "support/FakeWindowParts.h"

namespace pv {
namespace {

// The window as the service sets it up with "Minimize To System Tray" on:
// the icon only while minimised, the task-bar button only while not.
struct TrayOn {
    test::FakeTrayHost host;
    TrayState tray{host};
    TrayOn() {
        tray.SetIconMode(TrayMode::whileMinimised);
        tray.SetTaskbarMode(TrayMode::whileNotMinimised);
        tray.OnInitDialog();
    }
};

TEST(TrayState, MinimisingGoesToTheTrayAndTheIconBringsTheWindowBack) {
    for (const IconEvent back : {IconEvent::leftDown, IconEvent::leftDoubleClick}) {
        TrayOn t;
        EXPECT_TRUE(t.host.windowVisible);
        EXPECT_TRUE(t.host.taskbarButton);
        EXPECT_FALSE(t.host.iconVisible);

        EXPECT_EQ(t.tray.OnMinimise(), MinimiseOutcome::hidden);
        EXPECT_FALSE(t.host.windowVisible);
        EXPECT_FALSE(t.host.taskbarButton);
        EXPECT_TRUE(t.host.iconVisible);
        EXPECT_TRUE(t.tray.Minimised());

        t.tray.OnIconNotification(TrayState::kIconId, back);
        EXPECT_TRUE(t.host.windowVisible);
        EXPECT_FALSE(t.host.windowMinimised);
        EXPECT_TRUE(t.host.taskbarButton);
        EXPECT_FALSE(t.host.iconVisible);
        EXPECT_FALSE(t.tray.Minimised());
        EXPECT_EQ(t.host.calls.back(), "Raise");
    }
}

TEST(TrayState, TheMenuAndTheSystemRestoreBringTheWindowBackToo) {
    TrayOn fromMenu;
    fromMenu.tray.OnMinimise();
    fromMenu.tray.RestoreFromTray();
    EXPECT_TRUE(fromMenu.host.windowVisible && fromMenu.host.taskbarButton && !fromMenu.host.iconVisible);

    TrayOn fromSystem;
    fromSystem.tray.OnMinimise();
    fromSystem.tray.OnRestore();
    EXPECT_TRUE(fromSystem.host.windowVisible && fromSystem.host.taskbarButton && !fromSystem.host.iconVisible);
    EXPECT_EQ(fromSystem.host.calls.back(), "Restore");
}

// Every mode against both window states: the icon and the task-bar button
// are there exactly when the mode says.
TEST(TrayState, ModesDecideIconAndTaskbarButton) {
    const struct {
        TrayMode mode;
        bool minimised;
        bool shown;
    } cases[] = {
        {TrayMode::always, false, true},           {TrayMode::always, true, true},
        {TrayMode::never, false, false},           {TrayMode::never, true, false},
        {TrayMode::whileMinimised, false, false},  {TrayMode::whileMinimised, true, true},
        {TrayMode::whileNotMinimised, false, true}, {TrayMode::whileNotMinimised, true, false},
    };
    for (const auto& c : cases) {
        test::FakeTrayHost host;
        TrayState icon(host);
        icon.SetIconMode(c.mode);
        icon.SetTaskbarMode(TrayMode::always);  // minimising is then never ignored
        icon.OnInitDialog();
        if (c.minimised) icon.OnMinimise();
        EXPECT_EQ(icon.IconShown(), c.shown) << static_cast<int>(c.mode) << c.minimised;
        EXPECT_EQ(host.iconVisible, c.shown) << static_cast<int>(c.mode) << c.minimised;

        test::FakeTrayHost buttonHost;
        TrayState button(buttonHost);
        button.SetIconMode(TrayMode::always);
        button.SetTaskbarMode(c.mode);
        button.OnInitDialog();
        if (c.minimised) button.OnMinimise();
        EXPECT_EQ(button.AppWindowStyleSet(), c.shown) << static_cast<int>(c.mode) << c.minimised;
        EXPECT_EQ(buttonHost.taskbarButton, c.shown) << static_cast<int>(c.mode) << c.minimised;
    }
}

// An icon that must stay hidden is never added, and one that shows is not
// added again, however often the state is updated.
TEST(TrayState, TheIconIsNeverToggled) {
    test::FakeTrayHost host;
    TrayState tray(host);
    tray.SetIconMode(TrayMode::never);
    tray.OnInitDialog();
    tray.UpdateTrayState();
    tray.UpdateTrayState();
    EXPECT_EQ(host.Count("AddIcon"), 0);
    EXPECT_EQ(host.Count("RemoveIcon"), 0);

    TrayOn on;
    on.tray.OnMinimise();
    on.tray.UpdateTrayState();
    on.tray.UpdateTrayState();
    EXPECT_EQ(on.host.Count("AddIcon"), 1);
    EXPECT_TRUE(on.host.iconVisible);
}

TEST(TrayState, AFailedAddIsTriedAgainAtTheNextUpdate) {
    test::FakeTrayHost host;
    host.addSucceeds = false;
    TrayState tray(host);
    tray.OnInitDialog();  // icon mode "always"
    EXPECT_FALSE(tray.IconShown());
    host.addSucceeds = true;
    tray.UpdateTrayState();
    EXPECT_TRUE(tray.IconShown());
    EXPECT_EQ(host.Count("AddIcon"), 2);
}

// Without a notification area the window would be hidden with no icon to
// bring it back: it minimises as usual and keeps its task-bar button.
TEST(TrayState, WithoutANotificationAreaTheWindowMinimisesNormally) {
    test::FakeTrayHost host;
    host.trayAvailable = false;
    TrayState tray(host);
    tray.SetIconMode(TrayMode::whileMinimised);
    tray.SetTaskbarMode(TrayMode::whileNotMinimised);
    tray.OnInitDialog();
    EXPECT_EQ(tray.OnMinimise(), MinimiseOutcome::minimised);
    EXPECT_TRUE(host.windowMinimised);
    EXPECT_TRUE(host.taskbarButton);
    EXPECT_EQ(host.Count("Hide"), 1);  // only around giving it its button at the start
    EXPECT_EQ(host.Count("AddIcon"), 0);
    tray.OnRestore();
    EXPECT_FALSE(host.windowMinimised);
    EXPECT_TRUE(host.windowVisible);
}

TEST(TrayState, MinimiseWithNowhereToGoIsIgnored) {
    for (const TrayMode taskbar : {TrayMode::never, TrayMode::whileNotMinimised}) {
        test::FakeTrayHost host;
        TrayState tray(host);
        tray.SetIconMode(TrayMode::whileNotMinimised);
        tray.SetTaskbarMode(taskbar);
        tray.OnInitDialog();
        const size_t before = host.calls.size();
        EXPECT_EQ(tray.OnMinimise(), MinimiseOutcome::ignored);
        EXPECT_FALSE(tray.Minimised());
        EXPECT_EQ(host.calls.size(), before);
    }
}

TEST(TrayState, IconEvents) {
    const struct {
        int id;
        IconEvent event;
        const char* call;  // the host call it leads to, if any
    } cases[] = {
        {TrayState::kIconId, IconEvent::rightDown, "TrayMenu"},
        {TrayState::kIconId, IconEvent::contextMenu, "TrayMenu"},
        {TrayState::kIconId, IconEvent::rightDoubleClick, nullptr},
        {TrayState::kIconId, IconEvent::mouseMove, nullptr},
        {2, IconEvent::rightDown, nullptr},
        {2, IconEvent::leftDown, nullptr},
        {0, IconEvent::leftDoubleClick, nullptr},
    };
    for (const auto& c : cases) {
        TrayOn t;
        t.tray.OnMinimise();
        const size_t before = t.host.calls.size();
        t.tray.OnIconNotification(c.id, c.event);
        if (c.call) {
            ASSERT_EQ(t.host.calls.size(), before + 1) << c.id;
            EXPECT_EQ(t.host.calls.back(), c.call);
        } else {
            EXPECT_EQ(t.host.calls.size(), before) << c.id << " " << static_cast<int>(c.event);
        }
        EXPECT_TRUE(t.tray.Minimised()) << "no event but a left click restores";
    }
}

// A left click on the icon of a window that is not minimised changes nothing.
TEST(TrayState, ALeftClickRestoresOnlyAMinimisedWindow) {
    test::FakeTrayHost host;
    TrayState tray(host);
    tray.OnInitDialog();  // icon always
    const size_t before = host.calls.size();
    tray.OnIconNotification(TrayState::kIconId, IconEvent::leftDown);
    EXPECT_EQ(host.calls.size(), before);
}

TEST(TrayState, CloseFromTheTrayBringsTheWindowBackBeforeAsking) {
    TrayOn t;
    t.tray.OnMinimise();
    t.tray.CloseFromTray();
    ASSERT_GE(t.host.calls.size(), 3u);
    EXPECT_EQ(t.host.calls.back(), "CloseRequest");
    EXPECT_EQ(t.host.calls[t.host.calls.size() - 2], "Raise");
    EXPECT_TRUE(t.host.windowVisible);
}

TEST(TrayState, GoingAwayRemovesAShownIcon) {
    TrayOn t;
    t.tray.OnMinimise();
    ASSERT_TRUE(t.host.iconVisible);
    t.tray.OnDestroy();
    EXPECT_FALSE(t.host.iconVisible);

    TrayOn normal;
    normal.tray.OnDestroy();
    EXPECT_EQ(normal.host.Count("RemoveIcon"), 0);
}

}  // namespace
}  // namespace pv
