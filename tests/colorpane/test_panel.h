// A colour panel driven the way a print dialog drives it, on a real PPD and
// the built bundle's interface description and string tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "host/plugin_api.h"

namespace colorpane::testing {

inline std::string SamplePPD() { return std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd"; }
inline std::string TestPPD(const std::string& name) { return std::string(VN_SOURCE_DIR) + "/tests/data/ppd/" + name; }

class TestHost : public pde::HostCallback {
 public:
  explicit TestHost(const std::string& ppd, const std::string& device_uri = "") {
    std::string error;
    session_ = platform::PrintSession::FromPPDFile(ppd, device_uri, &error);
    EXPECT_TRUE(session_) << error;
  }
  platform::PrintSettings* printSettings() override { return &settings; }
  platform::PrintSession* printSession() override { return session_.get(); }
  platform::PageFormat* pageFormat() override { return &format_; }
  ppd_file_t* ppdFile() override { return session_ ? session_->ppd() : nullptr; }
  platform::PrintSettings settings;

 private:
  std::unique_ptr<platform::PrintSession> session_;
  platform::PageFormat format_;
};

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPluginBundle(&bundle_); }
  void TearDown() override {
    panel.reset();
    SetPluginBundle(nullptr);
  }

  // Creates the panel for the PPD and shows it (loads and restores).
  void Open(const std::string& ppd = SamplePPD(), const std::string& device_uri = "") {
    host = std::make_unique<TestHost>(ppd, device_uri);
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

  platform::Bundle bundle_{std::string(VN_PLUGIN_DIR) + "/colorpane.plugin", "colorpane"};
  std::unique_ptr<TestHost> host;
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
