// A colour panel driven the way a print dialog drives it, on a real PPD and
// the built bundle's interface description and string tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "fake_host.h"
#include "samples.h"

namespace colorpane::testing {

using testsupport::SamplePpd;
using testsupport::TestPpd;

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPluginBundle(&bundle_); }
  void TearDown() override {
    panel.reset();
    SetPluginBundle(nullptr);
  }

  // Creates the panel for the PPD and shows it (loads and restores).
  void Open(const std::string& ppd = SamplePpd(), const std::string& device_uri = "") {
    host = std::make_unique<testsupport::FakeHost>(
        testsupport::FakeHost::Options{.ppd = ppd, .deviceUri = device_uri});
    ASSERT_TRUE(host->ok()) << host->error();
    panel = std::make_unique<PDEPlugInInterface>(host.get());
    ASSERT_NE(panel->panelView(), nullptr);
    std::string error;
    panel->restoreValuesAndReturnError(&error);
    color = panel->painChange()->onColorView;
    advanced = panel->painChange()->onAdvancedView;
  }

  platform::ui::PopUpButton* ColorPopUp(platform::ui::Object* o) { return dynamic_cast<platform::ui::PopUpButton*>(o); }
  platform::ui::PopUpButton* Adv(int i) { return ColorPopUp(advanced->menus[i]); }
  platform::ui::Button* Check(platform::ui::Object* o) { return dynamic_cast<platform::ui::Button*>(o); }
  bool Enabled(platform::ui::Object* o) { return dynamic_cast<platform::ui::Control*>(o)->isEnabled(); }
  std::string Ticket(const std::string& key) {
    const platform::plist::Value* v = nullptr;
    if (host->settings.getValue(key, &v) != 0 || !v->string()) return "<absent>";
    return *v->string();
  }

  platform::Bundle bundle_{testsupport::PluginDir() + "/colorpane.plugin", "colorpane"};
  std::unique_ptr<testsupport::FakeHost> host;
  std::unique_ptr<PDEPlugInInterface> panel;
  ColorOptions* color = nullptr;
  AdvancedColorOptions* advanced = nullptr;
};

// Indexes of the Advanced pane's pop-ups, in table order.
enum AdvPopUp {
  kIRGBSource, kIIntent, kIGray, kIDest, kIHalftone, kIEdge,
  kTRGBSource, kTIntent, kTGray, kTDest, kTHalftone, kTEdge,
  kGRGBSource, kGIntent, kGGray, kGDest, kGHalftone, kGEdge,
  kSSource, kSMatch, kSGray,
};

}  // namespace colorpane::testing
