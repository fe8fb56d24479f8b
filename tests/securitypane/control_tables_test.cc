// The pane control table and the control data table over the sample PPD.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "env.h"
#include "generated_ppd.h"
#include "layers_host.h"
#include "platform/log.h"
#include "platform/ui/window.h"
#include "samples.h"
#include "securitypane/ui_constraints.h"

namespace securitypane::testing {
namespace {

namespace ui = platform::ui;

using ::testing::Contains;
using testsupport::SamplePpd;

class ControlTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host = std::make_unique<LayersHost>(SamplePpd(), &error);
    ASSERT_TRUE(host->ok()) << error;
    host->build();
  }
  std::unique_ptr<LayersHost> host;
};

// Logs collected while alive.
struct LogLines {
  LogLines() : previous(platform::log::SetSink([this](int, std::string_view l) { lines.emplace_back(l); })) {}
  ~LogLines() { platform::log::SetSink(previous); }
  std::vector<std::string> lines;
  platform::log::Sink previous;
};

TEST_F(ControlTablesTest, InitializeFromPPDAndBundle) {
  std::optional<testsupport::ScopedLanguage> japanese;
  ASSERT_TRUE(japanese.emplace("ja").ok());
  platform::Bundle bundle(SP_TEST_BUNDLE, "securitytest");
  // The host built its tables without a bundle, which hid both check boxes.
  host->userAuthenticationCheckBox.setHidden(false);
  host->sectionManagementCheckBox.setHidden(false);
  LogLines log;
  initializeUI(host->ppdFile(), &host->table, &bundle);
  japanese.reset();

  ASSERT_EQ(host->waitModePopUp.numberOfItems(), 2);
  EXPECT_EQ(host->waitModePopUp.itemAtIndex(1)->title, "Secure Print");
  EXPECT_EQ(*host->waitModePopUp.itemAtIndex(1)->representedObject.string(), "SecurePrint");
  EXPECT_EQ(host->userAuthenticationCheckBox.title(), "ユーザー認証");
  EXPECT_FALSE(host->userAuthenticationCheckBox.isHidden());
  // Without a Japanese text the built-in English one stands in.
  EXPECT_EQ(host->sectionManagementCheckBox.title(), "Section Management");
  EXPECT_FALSE(host->sectionManagementCheckBox.isHidden());
  EXPECT_EQ(host->userRadioButton.cellAtRow(1)->title, "プライベートユーザー");
  EXPECT_EQ(host->waitModeStaticText.stringValue(), "印刷モード:");
  EXPECT_EQ(host->secureTitleStaticText.stringValue(), "セキュアプリント");  // no colon
  EXPECT_EQ(host->sectionNameStaticText.stringValue(), "Section Name:");
  EXPECT_EQ(host->securePasswordEditText.stringValue(), "");
  EXPECT_TRUE(log.lines.empty());

  // A key no table knows: the check box hides, a label stays as it is.
  PaneControlRecord box{
      &host->sectionManagementCheckBox, kPaneCheckBox, "HVSectionManagementVN420P", "NoSuchKey", {}, 0};
  PaneControlRecord label{&host->sectionNameStaticText, kPaneStaticText, nullptr, "NoSuchKey", {}, 1};
  initializeCheckBox(&box, &bundle);
  initializeStaticText(&label, &bundle);
  EXPECT_TRUE(host->sectionManagementCheckBox.isHidden());
  EXPECT_FALSE(host->sectionNameStaticText.isHidden());
  EXPECT_EQ(host->sectionNameStaticText.stringValue(), "Section Name:");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"init CheckBox Error!", "init StaticText Error!"}));

  PaneControlRecord absent{&host->waitModePopUp, kPanePopUp, "NoSuchOption", "NoSuchOption", {}, 0};
  initializePopup(host->ppdFile(), &absent);
  EXPECT_TRUE(host->waitModePopUp.isHidden());
}

TEST_F(ControlTablesTest, DefaultsAndValueRoundTrips) {
  EXPECT_EQ(*host->record("PrintModeVN420P")->value, "Normal");
  EXPECT_EQ(*host->record("HVAuthenticationVN420P")->value, "False");
  EXPECT_EQ(*host->record("jp.halvern.printers.VN420P.userType")->value, "public");
  EXPECT_EQ(*host->record("jp.halvern.printers.VN420P.userName")->value, "");

  struct Case {
    const char* key;
    const char* value;
    int result;
    const char* readBack;  // nullptr: none
  } cases[] = {
      {"PrintModeVN420P", "SecurePrint", 0, "SecurePrint"},
      {"PrintModeVN420P", "Bogus", 1, "SecurePrint"},  // keeps the previous selection
      {"HVAuthenticationVN420P", "True", 0, "True"},
      {"HVAuthenticationVN420P", "yes", 1, "True"},
      {"HVAuthenticationVN420P", "False", 0, "False"},
      {"jp.halvern.printers.VN420P.userType", "private", 0, "private"},
      {"jp.halvern.printers.VN420P.userType", "admin", 1, "private"},
      {"jp.halvern.printers.VN420P.userType", "public", 0, "public"},
      {"jp.halvern.printers.VN420P.userName", "山田", 0, "山田"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    PaneControlRecord* r = host->record(c.key);
    const std::string value = c.value;
    EXPECT_EQ(setPPDValueToControl(r, &value), c.result);
    EXPECT_EQ(getPPDValueFromControl(r), c.readBack ? std::optional<std::string>(c.readBack) : std::nullopt);
  }
  EXPECT_EQ(setPPDValueToControl(nullptr, nullptr), 0);

  // Mixed and odd check box states, an unselected matrix.
  host->userAuthenticationCheckBox.setAllowsMixedState(true);
  host->userAuthenticationCheckBox.setState(ui::Button::kMixedState);
  EXPECT_EQ(getPPDValueFromControl(host->record("HVAuthenticationVN420P")), std::nullopt);
  ui::Matrix empty;
  PaneControlRecord radio{&empty, kPaneRadio, "t", nullptr, {}, 0};
  EXPECT_EQ(getPPDValueFromControl(&radio), "public");
}

TEST(ControlTablesGeneratedTest, DefaultMissingFromTheMenu) {
  std::string text = GeneratePpd({});
  text.replace(text.find("*DefaultPrintModeVN420P: Normal"), 31, "*DefaultPrintModeVN420P: Draft");
  ScopedPpdFile file(text);
  std::string error;
  LayersHost host(file.path(), &error);
  ASSERT_TRUE(host.ok()) << error;
  LogLines log;
  host.build();
  EXPECT_EQ(*host.record("PrintModeVN420P")->value, "Draft");
  EXPECT_EQ(host.waitModePopUp.indexOfSelectedItem(), 0);
  EXPECT_THAT(log.lines, Contains("[PopUp] index is Not Found"));
}

TEST_F(ControlTablesTest, SummaryTextsKeysAndSearch) {
  host->userAuthenticationCheckBox.setState(1);
  EXPECT_EQ(getLocalizeValueFromControl(host->record("HVAuthenticationVN420P"), host->ppdFile()), "On");
  host->userAuthenticationCheckBox.setState(0);
  EXPECT_EQ(getLocalizeValueFromControl(host->record("HVAuthenticationVN420P"), host->ppdFile()), "Off");
  PaneControlRecord bare{&host->userAuthenticationCheckBox, kPaneCheckBox, "NoSuchOption", nullptr, {}, 0};
  EXPECT_EQ(getLocalizeValueFromControl(&bare, host->ppdFile()), "Off");
  EXPECT_EQ(getLocalizeValueFromControl(host->record("PrintModeVN420P"), host->ppdFile()), "Normal Print");
  EXPECT_EQ(getLocalizeValueFromControl(host->record("jp.halvern.printers.VN420P.userType"), host->ppdFile()),
            std::nullopt);
  EXPECT_EQ(getLocalizeValueFromPPD(host->ppdFile(), "PrintModeVN420P", "SecurePrint"), "Secure Print");

  EXPECT_EQ(
      CustomSupportedPPDOptionKeys(&host->table),
      (std::vector<std::string>{"PrintModeVN420P", "HVAuthenticationVN420P", "HVSectionManagementVN420P",
                                "SecurePass", "UserName", "UserPass", "SectionName", "SectionPass"}));
  EXPECT_EQ(searchTableIndex(&host->table, &host->userRadioButton), 3);
  EXPECT_EQ(searchTableIndex(&host->table, &host->sectionPasswordStaticText), 15);
  ui::Button stranger;
  EXPECT_EQ(searchTableIndex(&host->table, &stranger), -1);
  EXPECT_EQ(searchTableIndex(nullptr, &stranger), -1);
}

TEST_F(ControlTablesTest, ControlDataLookupsAndFields) {
  PDEControlDataTable* t = host->controlData.get();
  EXPECT_EQ(PDEControlDataTblGetCount(t), 4);
  EXPECT_EQ(CTblGetID(t, &host->userAuthenticationCheckBox), 401);
  EXPECT_EQ(CTblGetID(t, &host->userRadioButton), -1);
  EXPECT_EQ(CTblGetID(nullptr, &host->userRadioButton), 0);
  EXPECT_EQ(PDEControlDataGetByIndex(t, 3), host->data(450));
  EXPECT_EQ(PDEControlDataGetByIndex(t, 4), nullptr);
  EXPECT_EQ(PDEControlDataPPDInfo(host->data(450)), nullptr);  // labels never get PPD info
  EXPECT_NE(PDEControlDataPPDInfo(host->data(400)), nullptr);
  EXPECT_FALSE(host->waitModePopUp.autoenablesItems());
  EXPECT_EQ(PDEControlDataKind(nullptr), -1);
  EXPECT_EQ(PDEControlDataKind(host->data(401)), kCtlCheckBox);
  EXPECT_EQ(PDEControlDataID(nullptr), 0);
  EXPECT_EQ(PDEControlDataValue(nullptr), -1);

  // Positions, 1-based unless asked otherwise.
  PDEControlData* popup = host->data(400);
  PDEControlDataSetIntValue(popup, 2, false);
  EXPECT_EQ(host->waitModePopUp.indexOfSelectedItem(), 1);
  EXPECT_EQ(PDEControlDataGetIntValue(popup, true), 1);
  EXPECT_EQ(PDEControlDataGetPPDValueString(popup), "SecurePrint");
  PDEControlDataSetPPDValueString(popup, "normal");
  EXPECT_EQ(PDEControlDataGetIntValue(popup, false), 1);
  PDEControlDataSetPPDValueString(popup, "Bogus");  // the default
  EXPECT_EQ(PDEControlDataGetPPDValueString(popup), "Normal");
  PDEControlData no_info;
  no_info.kind = kCtlPopUp;
  no_info.control = &host->waitModePopUp;
  EXPECT_EQ(PDEControlDataGetIntValue(&no_info, true), -1);

  // The check box stands for "True" when on, whatever the PPD's order (True comes first here).
  PDEControlData* box = host->data(401);
  ASSERT_EQ(*PPDUIOptionIndexToKey(box->ppdInfo.get(), 0), "True");
  host->userAuthenticationCheckBox.setState(1);
  EXPECT_EQ(PDEControlDataGetPPDValueString(box), "True");
  PDEControlDataSetPPDValueString(box, "False");
  EXPECT_EQ(host->userAuthenticationCheckBox.state(), 0);
  mInitControlDetailInfo(box, false);
  EXPECT_EQ(box->defValue, 0);  // default "False" is off
  mInitControlDetailInfo(popup, false);
  EXPECT_EQ(popup->defValue, 1);
  PDEControlDataSetIntValue(popup, 2, false);
  PDEControlDataSetDefault(popup);
  EXPECT_EQ(host->waitModePopUp.indexOfSelectedItem(), 0);
  host->userAuthenticationCheckBox.setState(1);
  PDEControlDataSetDefaultSetting(box);
  EXPECT_EQ(host->userAuthenticationCheckBox.state(), 0);
  PDEControlData bare_box;
  bare_box.kind = kCtlCheckBox;
  bare_box.control = &host->sectionManagementCheckBox;
  PDEControlDataSetPPDValueString(&bare_box, "True");
  EXPECT_EQ(PDEControlDataGetPPDValueString(&bare_box), "True");
  PDEControlDataSetPPDValueString(&bare_box, "true");  // case-sensitive without PPD info
  EXPECT_EQ(PDEControlDataGetPPDValueString(&bare_box), "False");
}

TEST_F(ControlTablesTest, ItemsEnablingAndLabels) {
  PDEControlData* popup = host->data(400);
  EXPECT_EQ(PDEControlDataItemGetCount(popup), 2);
  EXPECT_EQ(PDEControlDataItemGetCount(host->data(401)), -1);
  for (int item : {0, 1}) {
    PDEControlDataItemSetEnabled(popup, item, false);
    EXPECT_FALSE(host->waitModePopUp.itemAtIndex(0)->enabled);
    EXPECT_TRUE(host->waitModePopUp.itemAtIndex(1)->enabled);
    EXPECT_FALSE(PDEControlDataItemIsEnabled(popup, item));
    mEnableALL(host->controlData.get());
  }
  std::vector<uint8_t> flags;
  PDEControlDataItemSetEnabled(popup, 2, false);
  EXPECT_EQ(CCGetPopupButtonItemState(&host->waitModePopUp, 0, &flags), 2);
  EXPECT_EQ(flags, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(CCGetPopupButtonItemState(nullptr, 0, &flags), -1);

  PDEControlData* label = host->data(450);
  PDEControlDataSetEnabled(label, false);
  EXPECT_EQ(host->waitModeStaticText.textColor(), ui::Color::disabledControlText());
  EXPECT_TRUE(host->waitModeStaticText.isEnabled());
  ui::SetUserDefault("AppleInterfaceStyle", "Dark");
  PDEControlDataSetEnabled(label, true);
  EXPECT_EQ(host->waitModeStaticText.textColor(), ui::Color::rgb(1, 1, 1));
  ui::SetUserDefault("AppleInterfaceStyle", "");
  PDEControlDataSetEnabled(label, true);
  EXPECT_EQ(host->waitModeStaticText.textColor(), ui::Color::rgb(0, 0, 0));
  PDEControlDataSetStringValue(label, "Mode:");
  EXPECT_EQ(host->waitModeStaticText.stringValue(), "Mode:");

  // Installed options: no hard disk takes secure print off the menu.
  platform::ppd::MarkOption(host->ppdFile(), "OptionHardDisk", "False");
  mEnableALL(host->controlData.get());
  CCDisableMenuItemsWithInstallableOption(&host->waitModePopUp, popup->ppdInfo.get(), &host->session);
  EXPECT_TRUE(host->waitModePopUp.itemAtIndex(0)->enabled);
  EXPECT_FALSE(host->waitModePopUp.itemAtIndex(1)->enabled);

  // Records never enabled are hidden, with their related controls.
  CTblUISetByPPD(host->controlData.get(), host->ppdFile(), SetupPPDKeyTableSecurity);
  EXPECT_TRUE(host->waitModePopUp.isHidden());
  EXPECT_TRUE(host->waitModeStaticText.isHidden());
  EXPECT_EQ(host->waitModeStaticText.stringValue(), "Print Mode:");
  EXPECT_EQ(host->userAuthenticationCheckBox.title(), "User Authentication");
}

TEST_F(ControlTablesTest, EditKindsAndRelease) {
  ui::TextField field;
  const PDEControlTemplate templates[] = {{500, &field, kCtlEditUText, "PrintModeVN420P"},
                                          {501, &field, kCtlEditText, nullptr}};
  std::unique_ptr<PDEControlDataTable> t;
  ASSERT_EQ(CTblCreate(&t, templates, 2, host->ppdFile()), platform::noErr);
  PDEControlData* eutx = PDEControlDataGetByID(t.get(), 500);
  mInitControlDetailInfo(eutx, false);
  EXPECT_EQ(*PDEControlDataDefString(eutx), "");
  PDEControlDataDefSetString(eutx, "default");
  PDEControlDataSetDefault(eutx);
  EXPECT_EQ(field.stringValue(), "default");
  PDEControlDataSetDefaultSetting(eutx);
  EXPECT_EQ(field.stringValue(), "Normal Print");
  PDEControlDataSetEditTextString(eutx, "typed");
  EXPECT_EQ(*PDEControlDataGetEditTextString(eutx), "typed");
  EXPECT_EQ(PDEControlDataGetPPDValueString(eutx), "Normal Print");
  EXPECT_EQ(PDEControlDataDefString(host->data(400)), nullptr);  // not an edit kind
  PDEControlData* etxt = PDEControlDataGetByID(t.get(), 501);
  etxt->control = nullptr;
  EXPECT_EQ(PDEControlDataGetPPDValueString(etxt), "NULL");
  EXPECT_EQ(CTblCreate(&t, templates, -1, nullptr), platform::paramErr);
  CTblRelease(&t);
  EXPECT_EQ(t, nullptr);
}

}  // namespace
}  // namespace securitypane::testing
