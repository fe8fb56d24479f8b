// The Security pane driven as a print dialog drives it, with the built
// bundle's interface description and string tables.
#include "securitypane/security_pde.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "env.h"
#include "fake_host.h"
#include "platform/paths.h"
#include "platform/ui/window.h"
#include "samples.h"

namespace securitypane {
namespace {

namespace ui = platform::ui;
namespace plist = platform::plist;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class AlertRecorder : public ui::ModalHost {
 public:
  int runModalForWindow(ui::Window&) override { return ui::kModalResponseCancel; }
  int runAlert(const ui::Alert& alert) override {
    alerts.push_back(alert.messageText);
    return ui::kAlertFirstButtonReturn;
  }
  int runOpenPanel(ui::OpenPanel&) override { return ui::kModalResponseCancel; }
  std::vector<std::string> alerts;
};

class SecurityPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.ok()) << host.error();
    Open();
  }

  void Open() {
    pane.reset();
    pane = std::make_unique<SecurityPDE>(&host, &bundle);
    ASSERT_TRUE(pane->ok());
    for (auto& [name, object] : pane->namedObjects()) objects[name] = object;
    std::string error;
    pane->restoreValuesAndReturnError(&error);
  }
  template <class T>
  T* Get(const std::string& name) {
    return dynamic_cast<T*>(objects.at(name));
  }
  void Choose(const std::string& popup, int index) {
    Get<ui::PopUpButton>(popup)->selectItemAtIndex(index);
    pane->SecurityAction(objects.at(popup));
  }
  void Check(const std::string& box, bool on) {
    Get<ui::Button>(box)->setState(on ? 1 : 0);
    pane->SecurityAction(objects.at(box));
  }
  void Row(int row) {
    Get<ui::Matrix>("userRadioButton")->selectCellAtRow(row);
    pane->SecurityAction(objects.at("userRadioButton"));
  }
  void Type(const std::string& field, const std::string& text) {
    auto* f = Get<ui::TextField>(field);
    f->typeText(text);
    pane->SecurityAction(f);
  }
  bool Enabled(const std::string& name) { return Get<ui::Control>(name)->isEnabled(); }
  bool Gray(const std::string& label) {
    return Get<ui::TextField>(label)->textColor() == ui::Color::disabledControlText();
  }
  std::string Ticket(const char* key) {
    const plist::Value* v = nullptr;
    return host.settings.getValue(key, &v) == platform::noErr && v->string() ? *v->string() : "(none)";
  }

  platform::Bundle bundle{testsupport::PluginDir() + "/securitypane.plugin", "securitypane"};
  AlertRecorder modal;
  testsupport::FakeHost host{{.ppd = testsupport::SamplePpd(),
                              .deviceUri = "socket://192.0.2.7",
                              .ppdPageFormat = true,
                              .modal = &modal}};
  std::unique_ptr<SecurityPDE> pane;
  std::map<std::string, ui::Object*> objects;
};

TEST_F(SecurityPaneTest, EnablingRulesForEveryCombination) {
  for (int mode = 0; mode < 2; ++mode)
    for (int auth = 0; auth < 2; ++auth)
      for (int row = 0; row < 2; ++row)
        for (int section = 0; section < 2; ++section) {
          SCOPED_TRACE(testing::Message() << mode << auth << row << section);
          Open();
          Check("userAuthenticationCheckBox", auth);
          Row(row);
          Check("sectionManagementCheckBox", section);
          Choose("waitModePopUp", mode);
          // Secure print and user authentication exclude each other in the PPD.
          const bool secure = mode == 1, authOn = auth && !secure, priv = authOn && row == 1;
          EXPECT_EQ(Ticket("PrintModeVN420P"), secure ? "SecurePrint" : "Normal");
          EXPECT_EQ(Ticket("HVAuthenticationVN420P"), authOn ? "True" : "False");
          EXPECT_EQ(Enabled("securePasswordEditText"), secure);
          EXPECT_EQ(Gray("secureTitleStaticText"), !secure);
          EXPECT_EQ(Gray("securePasswordStaticText"), !secure);
          EXPECT_EQ(Enabled("userRadioButton"), authOn);
          EXPECT_EQ(Enabled("userNameEditText"), priv);
          EXPECT_EQ(Enabled("userPasswordEditText"), priv);
          EXPECT_EQ(Gray("userNameStaticText"), !priv);
          EXPECT_EQ(Enabled("sectionNameEditText"), section == 1);
          EXPECT_EQ(Enabled("sectionPasswordEditText"), section == 1);
          EXPECT_EQ(Gray("sectionPasswordStaticText"), section == 0);
          EXPECT_TRUE(Get<ui::Control>("userNameStaticText")->isEnabled());  // labels only turn gray
        }
}

TEST_F(SecurityPaneTest, RequiredEntries) {
  struct Case {
    const char* password;
    bool prints;
  } cases[] = {{"abc", false}, {"abcd", true}, {"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    host.settings = platform::PrintSettings();
    Open();
    Choose("waitModePopUp", 1);
    if (c.password[0]) Type("securePasswordEditText", c.password);
    modal.alerts.clear();
    EXPECT_EQ(pane->shouldPrint(), c.prints);
    EXPECT_EQ(modal.alerts.size(), c.prints ? 0u : 1u);
    EXPECT_EQ(Ticket("PrintModeVN420P"), "SecurePrint");  // refusing to print resets nothing
  }
  // On save, a missing secure password switches secure print back to the default.
  host.settings = platform::PrintSettings();
  Open();
  Choose("waitModePopUp", 1);
  modal.alerts.clear();
  std::string error;
  pane->saveValuesAndReturnError(&error);
  ASSERT_EQ(modal.alerts.size(), 1u);
  EXPECT_THAT(modal.alerts.back(), HasSubstr("Secure Print"));
  EXPECT_EQ(Ticket("PrintModeVN420P"), "Normal");

  // A private user without a name: refused at print with the box still on; switched off on save.
  Open();
  Check("userAuthenticationCheckBox", true);
  Row(1);
  modal.alerts.clear();
  EXPECT_FALSE(pane->shouldPrint());
  ASSERT_THAT(modal.alerts, ElementsAre(HasSubstr("User Name")));
  EXPECT_EQ(Get<ui::Button>("userAuthenticationCheckBox")->state(), 1);
  pane->saveValuesAndReturnError(&error);
  EXPECT_EQ(Ticket("HVAuthenticationVN420P"), "False");
  // Section entries and the user password are never required.
  Open();
  Check("sectionManagementCheckBox", true);
  EXPECT_TRUE(pane->shouldPrint());
}

TEST_F(SecurityPaneTest, CredentialsRoundTripAndStayHidden) {
  Check("userAuthenticationCheckBox", true);
  Row(1);
  Check("sectionManagementCheckBox", true);
  const std::string name = "山田太郎 Yamada";
  Type("userNameEditText", name);
  Type("userPasswordEditText", "p@ss-word_1");
  Type("sectionNameEditText", "SALES01");
  Type("sectionPasswordEditText", "12345678");
  for (const char* key :
       {"jp.halvern.printers.VN420P.userName", "jp.halvern.printers.VN420P.userKey",
        "jp.halvern.printers.VN420P.sectionName", "jp.halvern.printers.VN420P.sectionKey"}) {
    const std::string stored = Ticket(key);
    EXPECT_FALSE(stored.empty()) << key;
    for (const char* clear : {"Yamada", "p@ss", "SALES", "12345678"})
      EXPECT_THAT(stored, Not(HasSubstr(clear)));
  }
  EXPECT_EQ(Ticket("jp.halvern.printers.VN420P.loginName"), platform::paths::FullUserName());

  Open();  // a new pane on the same settings
  EXPECT_EQ(Get<ui::TextField>("userNameEditText")->stringValue(), name);
  EXPECT_EQ(Get<ui::TextField>("userPasswordEditText")->stringValue(), "p@ss-word_1");
  EXPECT_EQ(Get<ui::TextField>("sectionNameEditText")->stringValue(), "SALES01");
  EXPECT_EQ(Get<ui::TextField>("sectionPasswordEditText")->stringValue(), "12345678");
  EXPECT_EQ(Get<ui::Matrix>("userRadioButton")->selectedRow(), 1);

  auto summary = pane->summaryInfo();
  std::vector<std::string> order;
  for (const auto& v : *summary.at(pde::kSummaryDisplayOrderKey).array()) order.push_back(*v.string());
  EXPECT_EQ(order, (std::vector<std::string>{"Print Mode", "User Authentication", "User Name",
                                             "Section Management", "Section Name"}));
  EXPECT_EQ(*summary.at("User Authentication").string(), "Private User");
  EXPECT_EQ(*summary.at("User Name").string(), name);
  EXPECT_EQ(*summary.at("Section Management").string(), "On");
}

TEST_F(SecurityPaneTest, NameTooLongForItsStoredFormIsTold) {
  Check("userAuthenticationCheckBox", true);
  Row(1);
  std::string name;
  for (int i = 0; i < 40; ++i) name += "\U0001F600";  // 4 UTF-8 bytes each
  Type("userNameEditText", name);
  const std::string typed = Get<ui::TextField>("userNameEditText")->stringValue();
  ASSERT_GT(typed.size(), 127u) << "the field took " << typed.size() << " bytes";
  modal.alerts.clear();
  std::string error;
  pane->saveValuesAndReturnError(&error);
  ASSERT_EQ(modal.alerts.size(), 1u);
  EXPECT_THAT(modal.alerts[0], HasSubstr("User Name is too long"));
  EXPECT_EQ(Ticket("jp.halvern.printers.VN420P.userName"), "(none)");  // nothing stale, nothing cut
  EXPECT_EQ(Get<ui::TextField>("userNameEditText")->stringValue(), typed);
  EXPECT_FALSE(pane->shouldPrint());
}

TEST_F(SecurityPaneTest, PasswordThatWouldComeBackChangedIsNotStored) {
  Check("sectionManagementCheckBox", true);
  Type("sectionPasswordEditText", "ab+cd");
  EXPECT_EQ(Get<ui::TextField>("sectionPasswordEditText")->stringValue(), "ab+cd");  // never cut silently
  EXPECT_EQ(Ticket("jp.halvern.printers.VN420P.sectionKey"), "(none)");
  modal.alerts.clear();
  EXPECT_FALSE(pane->shouldPrint());
  ASSERT_EQ(modal.alerts.size(), 1u);
  EXPECT_THAT(modal.alerts[0], HasSubstr("Section Password cannot be stored"));
  Type("sectionPasswordEditText", "abcd");
  EXPECT_TRUE(pane->shouldPrint());
  EXPECT_NE(Ticket("jp.halvern.printers.VN420P.sectionKey"), "(none)");
}

// A text the stored form cannot hold, in a feature then switched off: the
// job does not carry it and printing goes on. The field keeps the text, so
// switching the feature on again brings it back, refused as before.
TEST_F(SecurityPaneTest, SwitchedOffFeaturesNeitherStoreNorBlock) {
  std::string tooLong;
  for (int i = 0; i < 40; ++i) tooLong += "\U0001F600";  // 160 UTF-8 bytes
  struct Case {
    const char* field;
    std::string text;
    std::function<void(bool on)> feature;
    std::vector<const char*> keys;  // none of them stored while off
  } cases[] = {
      {"sectionPasswordEditText",
       "ab+cd",
       [&](bool on) { Check("sectionManagementCheckBox", on); },
       {"jp.halvern.printers.VN420P.sectionKey", "jp.halvern.printers.VN420P.sectionName"}},
      {"userNameEditText",
       tooLong,
       [&](bool on) {
         Check("userAuthenticationCheckBox", on);
         Row(1);
       },
       {"jp.halvern.printers.VN420P.userName", "jp.halvern.printers.VN420P.userKey"}},
      {"userNameEditText",
       tooLong,
       [&](bool on) { Row(on ? 1 : 0); },
       {"jp.halvern.printers.VN420P.userName"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field + std::string(" ") + std::to_string(&c - cases));
    host.settings = platform::PrintSettings();
    Open();
    Check("userAuthenticationCheckBox", true);
    Row(1);
    Check("sectionManagementCheckBox", true);
    Type("userNameEditText", "bob");
    Type("sectionNameEditText", "TEAM");
    Type(c.field, c.text);
    const std::string held = Get<ui::TextField>(c.field)->stringValue();
    modal.alerts.clear();
    EXPECT_FALSE(pane->shouldPrint());
    c.feature(false);
    modal.alerts.clear();
    std::string error;
    pane->saveValuesAndReturnError(&error);
    EXPECT_TRUE(pane->shouldPrint());
    EXPECT_THAT(modal.alerts, ElementsAre());
    for (const char* key : c.keys) EXPECT_EQ(Ticket(key), "(none)") << key;
    EXPECT_EQ(Get<ui::TextField>(c.field)->stringValue(), held);
    c.feature(true);
    EXPECT_FALSE(pane->shouldPrint());
    ASSERT_EQ(modal.alerts.size(), 1u);
  }
}

TEST_F(SecurityPaneTest, SummaryWithAuthenticationOffAndInJapanese) {
  auto summary = pane->summaryInfo();
  EXPECT_EQ(*summary.at("User Authentication").string(), "Public User");
  EXPECT_EQ(summary.count("User Name"), 0u);

  std::optional<testsupport::ScopedLanguage> japanese;
  ASSERT_TRUE(japanese.emplace("ja").ok());
  Open();
  summary = pane->summaryInfo();
  const std::string title = pane->panelName();
  japanese.reset();
  EXPECT_EQ(title, "セキュリティ");
  EXPECT_EQ(*summary.at("ユーザー認証").string(), "パブリックユーザー");
  EXPECT_EQ(*summary.at("印刷モード").string(), "Normal Print");  // the PPD's own text
}

TEST_F(SecurityPaneTest, HardDiskConstraintActsOnThePane) {
  host.settings.setValue("OptionHardDisk", "False");
  Open();
  auto* mode = Get<ui::PopUpButton>("waitModePopUp");
  EXPECT_FALSE(mode->itemAtIndex(1)->enabled);
  EXPECT_FALSE(mode->isEnabled());
  EXPECT_TRUE(Gray("waitModeStaticText"));
  host.settings.setValue("OptionHardDisk", "True");
  pane->willShow();
  EXPECT_TRUE(mode->isEnabled());
  EXPECT_TRUE(mode->itemAtIndex(1)->enabled);
}

TEST_F(SecurityPaneTest, PanelBasics) {
  EXPECT_EQ(pane->panelKind(), "jp.halvern.print.pde.VN420P.Security");
  EXPECT_EQ(
      pane->supportedPPDOptionKeys(),
      (std::vector<std::string>{"PrintModeVN420P", "HVAuthenticationVN420P", "HVSectionManagementVN420P",
                                "SecurePass", "UserName", "UserPass", "SectionName", "SectionPass"}));
  pane->PPDOptionKeyValueDidChange("PrintModeVN420P", "SecurePrint");
  EXPECT_EQ(Get<ui::PopUpButton>("waitModePopUp")->indexOfSelectedItem(), 1);
  SecurityPDEPlugIn plugin;
  plugin.initWithBundle(bundle);
  EXPECT_TRUE(plugin.PDEPanelsForType("other", &host)->empty());
  EXPECT_EQ(plugin.PDEPanelsForType(pde::kPrinterDriverPaneType, &host)->size(), 1u);
}

}  // namespace
}  // namespace securitypane
