// Modal runs answered by a scripted host, and what answers without one.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace platform::ui {
namespace {

// Plays a script: for a window, a list of steps run in order (each may click
// controls) until the window stops; alerts and panels answer fixed values.
class ScriptedHost : public ModalHost {
 public:
  int runModalForWindow(Window& window) override {
    ++window_runs;
    was_modal_inside = window.isModal();
    was_visible_inside = window.isVisible();
    for (auto& step : steps) {
      if (stopRequested(window)) break;
      step(window);
    }
    if (stopRequested(window)) return stopCode(window);
    return fallback_code;
  }
  int runAlert(const Alert& alert) override {
    alerts.push_back(alert.messageText);
    return alert_answer;
  }
  int runOpenPanel(OpenPanel& panel) override {
    directories.push_back(panel.directory);
    panel.paths = chosen;
    return panel_answer;
  }

  std::vector<std::function<void(Window&)>> steps;
  int fallback_code = 42;
  int window_runs = 0;
  bool was_modal_inside = false, was_visible_inside = false;
  std::vector<std::string> alerts, directories;
  int alert_answer = kAlertSecondButtonReturn;
  int panel_answer = kModalResponseOK;
  std::vector<std::string> chosen;
};

// A controller that stops its window from its buttons' actions.
class Controller : public Object {
 public:
  bool performAction(std::string_view selector, Object*) override {
    actions.push_back(std::string(selector));
    if (selector == "ok:") window->stopModal(kModalResponseOK);
    if (selector == "cancel:") window->stopModal(kModalResponseCancel);
    return true;
  }
  Window* window = nullptr;
  std::vector<std::string> actions;
};

class ModalTest : public ::testing::Test {
 protected:
  void SetUp() override { SetModalHost(&host); }
  void TearDown() override { SetModalHost(nullptr); }
  ScriptedHost host;
};

TEST_F(ModalTest, WindowRunEndsWithTheCodeGivenToStopModal) {
  Window w;
  View content;
  Button toggle(Button::Type::kSwitch), ok;
  content.addSubview(&toggle);
  content.addSubview(&ok);
  w.setContentView(&content);
  Controller c;
  c.window = &w;
  toggle.setTarget(&c, "toggle:");
  ok.setTarget(&c, "ok:");

  bool after_stop_ran = false;
  host.steps = {[&](Window&) { toggle.performClick(); }, [&](Window&) { ok.performClick(); },
                [&](Window&) { after_stop_ran = true; }};
  EXPECT_EQ(w.runModal(), kModalResponseOK);
  EXPECT_EQ(c.actions, (std::vector<std::string>{"toggle:", "ok:"}));
  EXPECT_FALSE(after_stop_ran);
  EXPECT_TRUE(host.was_modal_inside);
  EXPECT_TRUE(host.was_visible_inside);
  EXPECT_FALSE(w.isModal());
  EXPECT_EQ(toggle.state(), 1);

  // A second run starts clean: the earlier stop does not end it.
  host.steps = {[&](Window&) { toggle.performClick(); }};
  EXPECT_EQ(w.runModal(), 42);
  EXPECT_EQ(host.window_runs, 2);
  w.orderOut();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(ModalTest, StopOutsideARunIsIgnored) {
  Window w;
  w.stopModal(kModalResponseOK);
  host.steps = {};
  EXPECT_EQ(w.runModal(), 42);
}

TEST_F(ModalTest, AlertAndOpenPanelGoToTheHost) {
  Alert a;
  a.messageText = "Enter a password.";
  a.addButtonWithTitle("OK");
  a.addButtonWithTitle("Cancel");
  EXPECT_EQ(a.runModal(), kAlertSecondButtonReturn);
  EXPECT_EQ(host.alerts, std::vector<std::string>{"Enter a password."});

  OpenPanel p;
  p.directory = "/Library/Printers/HALVERN/VN420P/Profiles";
  host.chosen = {"/tmp/a.icc"};
  EXPECT_EQ(p.runModal(), kModalResponseOK);
  EXPECT_EQ(p.paths, std::vector<std::string>{"/tmp/a.icc"});
  EXPECT_EQ(host.directories.back(), p.directory);

  // Paths only count after OK.
  host.panel_answer = kModalResponseCancel;
  EXPECT_EQ(p.runModal(), kModalResponseCancel);
  EXPECT_TRUE(p.paths.empty());
}

TEST(ModalWithoutHost, EverythingAnswersAtOnce) {
  ASSERT_EQ(GetModalHost(), nullptr);
  Window w;
  EXPECT_EQ(w.runModal(), kModalResponseCancel);
  Alert a;
  a.addButtonWithTitle("OK");
  EXPECT_EQ(a.runModal(), kAlertFirstButtonReturn);
  OpenPanel p;
  p.paths = {"stale"};
  EXPECT_EQ(p.runModal(), kModalResponseCancel);
  EXPECT_TRUE(p.paths.empty());
}

TEST(UserDefaults, UnsetAnswersEmptyAndSetValuesStick) {
  EXPECT_EQ(UserDefaultString("NoSuchKey.ForTesting"), "");
  SetUserDefault("AppleInterfaceStyle", "Dark");
  EXPECT_EQ(UserDefaultString("AppleInterfaceStyle"), "Dark");
  SetUserDefault("AppleInterfaceStyle", "");
  EXPECT_EQ(UserDefaultString("AppleInterfaceStyle"), "");
}

}  // namespace
}  // namespace platform::ui
