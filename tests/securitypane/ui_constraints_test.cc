// The constraint engine on the sample PPD and on generated PPDs.
#include "securitypane/ui_constraints.h"

#include <gtest/gtest.h>

#include <cstring>

#include "generated_ppd.h"
#include "layers_host.h"
#include "platform/ppd.h"
#include "samples.h"

namespace securitypane::testing {
namespace {

namespace ui = platform::ui;

using testsupport::SamplePpd;

std::string Ticket(LayersHost& h, const char* key) {
  const std::string* v = nullptr;
  return HVPrintSettingsGetString(&h.settings, key, &v) == platform::noErr && v ? *v : "(none)";
}

bool Gray(const ui::TextField& label) { return label.textColor() == ui::Color::disabledControlText(); }

struct Host {
  explicit Host(const std::string& path) : h(path, &error) {
    EXPECT_TRUE(h.ok()) << error;
    if (h.ok()) h.build();
  }
  // Print settings entries as a user's earlier choices: both the ticket and
  // the record the pane keeps.
  void Set(const char* key, const char* value) {
    h.settings.setValue(key, value);
    if (PaneControlRecord* r = h.record(key)) r->value = value;
  }
  std::string error;
  LayersHost h;
};

TEST(UIConstraintsSampleTest, PicksOutThePaneConstraintsInPPDOrder) {
  Host host(SamplePpd());
  std::vector<std::string> got;
  for (int i = 0; i < host.h.constraintCount; ++i) {
    const PPDConstraint& c = host.h.constraintList[i];
    got.push_back(std::string(c.option1) + " " + c.choice1 + " / " + c.option2 + " " + c.choice2);
  }
  EXPECT_EQ(got, (std::vector<std::string>{
                     "PrintModeVN420P SecurePrint / HVAuthenticationVN420P True",
                     "HVAuthenticationVN420P True / PrintModeVN420P SecurePrint",
                     "OptionHardDisk False / PrintModeVN420P SecurePrint",
                     "PrintModeVN420P SecurePrint / OptionHardDisk False",
                 }));
  EXPECT_EQ(host.h.core.uiConstraints.count, host.h.ppdFile()->num_consts);
  EXPECT_EQ(host.h.core.uiConstraints.paneListCount, 1);
}

// Each row: settings before the refresh, then what the controls and the
// ticket show afterwards.
struct SampleCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> settings;
  bool markHardDiskAbsentInPpd;
  const char* printMode;  // ticket after the refresh
  const char* auth;
  bool popupEnabled, securePrintItemEnabled, authEnabled, authOn, labelGray;
};

TEST(UIConstraintsSampleTest, BothDirectionsOfEachConstraint) {
  const SampleCase cases[] = {
      {"defaults", {}, false, "Normal", "False", true, true, true, false, false},
      {"secure print forbids authentication",
       {{"PrintModeVN420P", "SecurePrint"}, {"HVAuthenticationVN420P", "True"}},
       false,
       "SecurePrint",
       "False",
       true,
       true,
       false,
       false,
       false},
      {"secure print alone disables the check box",
       {{"PrintModeVN420P", "SecurePrint"}},
       false,
       "SecurePrint",
       "False",
       true,
       true,
       false,
       false,
       false},
      {"authentication forbids secure print",
       {{"HVAuthenticationVN420P", "True"}},
       false,
       "Normal",
       "True",
       false,
       false,
       true,
       true,
       true},
      {"no hard disk moves secure print back",
       {{"OptionHardDisk", "False"}, {"PrintModeVN420P", "SecurePrint"}},
       false,
       "Normal",
       "False",
       false,
       false,
       true,
       false,
       true},
      {"hard disk installed",
       {{"OptionHardDisk", "True"}, {"PrintModeVN420P", "SecurePrint"}},
       false,
       "SecurePrint",
       "False",
       true,
       true,
       false,
       false,
       false},
      {"PPD mark decides without a ticket entry",
       {{"PrintModeVN420P", "SecurePrint"}},
       true,
       "Normal",
       "False",
       false,
       false,
       true,
       false,
       true},
  };
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Host host(SamplePpd());
    if (c.markHardDiskAbsentInPpd) platform::ppd::MarkOption(host.h.ppdFile(), "OptionHardDisk", "False");
    for (auto [k, v] : c.settings) host.Set(k, v);
    host.h.refresh();
    EXPECT_EQ(Ticket(host.h, "PrintModeVN420P"), c.printMode);
    EXPECT_EQ(Ticket(host.h, "HVAuthenticationVN420P"), c.auth);
    EXPECT_EQ(*host.h.record("PrintModeVN420P")->value, c.printMode);
    EXPECT_EQ(host.h.waitModePopUp.isEnabled(), c.popupEnabled);
    EXPECT_EQ(host.h.waitModePopUp.itemAtIndex(1)->enabled, c.securePrintItemEnabled);
    EXPECT_EQ(host.h.waitModePopUp.titleOfSelectedItem(),
              std::string(c.printMode) == "Normal" ? "Normal Print" : "Secure Print");
    EXPECT_EQ(host.h.userAuthenticationCheckBox.isEnabled(), c.authEnabled);
    EXPECT_EQ(host.h.userAuthenticationCheckBox.state(), c.authOn ? 1 : 0);
    EXPECT_EQ(Gray(host.h.waitModeStaticText), c.labelGray);
  }
}

TEST(UIConstraintsSampleTest, LiftingTheFirstSettingReenables) {
  Host host(SamplePpd());
  host.Set("HVAuthenticationVN420P", "True");
  host.h.refresh();
  ASSERT_FALSE(host.h.waitModePopUp.isEnabled());
  host.h.userAuthenticationCheckBox.setState(0);
  host.h.act(&host.h.userAuthenticationCheckBox);
  EXPECT_TRUE(host.h.waitModePopUp.isEnabled());
  EXPECT_TRUE(host.h.waitModePopUp.itemAtIndex(1)->enabled);
  EXPECT_FALSE(Gray(host.h.waitModeStaticText));
  EXPECT_EQ(Ticket(host.h, "HVAuthenticationVN420P"), "False");
}

TEST(UIConstraintsSampleTest, ChoosingSecurePrintSwitchesAuthenticationOff) {
  Host host(SamplePpd());
  host.Set("HVAuthenticationVN420P", "False");
  host.h.refresh();
  host.h.waitModePopUp.selectItemAtIndex(1);
  host.h.act(&host.h.waitModePopUp);
  EXPECT_EQ(Ticket(host.h, "PrintModeVN420P"), "SecurePrint");
  EXPECT_FALSE(host.h.userAuthenticationCheckBox.isEnabled());
  EXPECT_EQ(host.h.userAuthenticationCheckBox.state(), 0);
}

// Generated PPDs: constraints of other options do not reach the pane; the
// first 8192 are considered and nothing beyond is read.
TEST(UIConstraintsGeneratedTest, ConstraintCountsAroundTheLimit) {
  const std::string pane = "*UIConstraints: *Filler0 A *PrintModeVN420P SecurePrint";
  struct Case {
    int before;  // unrelated constraints before the pane's one
    bool withPane;
    int expected;
  } cases[] = {{0, false, 0}, {0, true, 1}, {8191, true, 1}, {8192, true, 0}, {9000, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    GeneratedPpd shape;
    shape.unrelatedConstraints = c.before;
    std::string text = GeneratePpd(shape);
    if (c.withPane) text += pane + "\n";
    ScopedPpdFile file(text);
    Host host(file.path());
    ASSERT_EQ(host.h.core.uiConstraints.count, c.before + (c.withPane ? 1 : 0));
    EXPECT_EQ(host.h.constraintCount, c.expected);
    host.h.refresh();
    EXPECT_EQ(host.h.waitModePopUp.itemAtIndex(1)->enabled, c.expected == 0);
  }
}

TEST(UIConstraintsGeneratedTest, EmptyChoices) {
  struct Case {
    const char* constraint;
    std::vector<std::pair<const char*, const char*>> settings;
    bool popupEnabled, authEnabled;
  } cases[] = {
      // An empty second choice takes the whole control.
      {"*UIConstraints: *Filler0 A *PrintModeVN420P", {}, false, true},
      {"*UIConstraints: *Filler0 B *PrintModeVN420P", {}, true, true},
      // An empty first choice: any choice that turns the option on.
      {"*UIConstraints: *HVSectionManagementVN420P *HVAuthenticationVN420P True",
       {{"HVSectionManagementVN420P", "True"}},
       true,
       false},
      {"*UIConstraints: *HVSectionManagementVN420P *HVAuthenticationVN420P True",
       {{"HVSectionManagementVN420P", "False"}},
       true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.constraint);
    GeneratedPpd shape;
    shape.extraConstraints = {c.constraint};
    ScopedPpdFile file(GeneratePpd(shape));
    Host host(file.path());
    for (auto [k, v] : c.settings) host.Set(k, v);
    host.h.refresh();
    EXPECT_EQ(host.h.waitModePopUp.isEnabled(), c.popupEnabled);
    EXPECT_EQ(host.h.userAuthenticationCheckBox.isEnabled(), c.authEnabled);
  }
}

TEST(UIConstraintsGeneratedTest, LongKeywordsAndValues) {
  const std::string k39(39, 'K');  // the longest option keyword libcups accepts
  GeneratedPpd shape;
  // No "*Default" line: "Default" + 40 characters is longer than a PPD
  // keyword may be; the first choice is then the one in effect.
  shape.extraLines = {"*OpenUI *" + k39 + "/Long: PickOne",
                     "*" + k39 + " " + std::string(40, 'c') + "/C: \"\"", "*" + k39 + " d/D: \"\"",
                     "*CloseUI: *" + k39};
  shape.extraConstraints = {
      "*UIConstraints: *" + k39 + " " + std::string(40, 'c') + " *PrintModeVN420P SecurePrint",
      "*UIConstraints: *" + std::string(60, 'L') + " x *PrintModeVN420P " + std::string(60, 'S')};
  ScopedPpdFile file(GeneratePpd(shape));
  Host host(file.path());
  // libcups reads at most 39 characters per field and lets the rest spill
  // into the next one, so the over-long line names no pane option.
  ASSERT_EQ(host.h.constraintCount, 1);
  ASSERT_EQ(host.h.core.uiConstraints.count, 2);
  EXPECT_EQ(std::string(host.h.core.uiConstraints.constraints[1].option1), std::string(39, 'L'));

  struct Case {
    std::string value;
    bool fires;
  } cases[] = {{"", true},  // the PPD default decides
               {std::string(40, 'c'), true},
               {std::string(40, 'c') + "extra", false},
               {"d", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.size());
    Host again(file.path());
    if (!c.value.empty()) again.h.settings.setValue(k39, c.value);
    again.h.refresh();
    EXPECT_EQ(!again.h.waitModePopUp.itemAtIndex(1)->enabled, c.fires);
  }

  // Key table keywords compare whole: 39 characters match, 40 do not.
  UIConstraintsKeyEntry table[2] = {};
  std::memset(table[0].keyword, 'L', 40);
  int32_t none = -1;
  CreateUIConstrainstPPDListForEveryUserPaneArgument(table, &none, &host.h.core.uiConstraints);
  EXPECT_EQ(none, 0);
  table[0].keyword[39] = '\0';
  int32_t count = -1;
  CreateUIConstrainstPPDListForEveryUserPaneArgument(table, &count, &host.h.core.uiConstraints);
  EXPECT_EQ(count, 1);
}

TEST(UIConstraintsGeneratedTest, RelatedListsUseAtMostSixteenIds) {
  GeneratedPpd shape;
  shape.extraConstraints = {"*UIConstraints: *Filler0 A *PrintModeVN420P"};
  ScopedPpdFile file(GeneratePpd(shape));
  struct Case {
    int32_t count;
    bool labelGray;
  } cases[] = {{1, true}, {16, false}, {17, false}, {-3, false}, {0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    Host host(file.path());
    // Id 450 sits at position 1 when count is 1, else at position 16 (the 17th).
    std::vector<int32_t> ids(17, 999);
    ids[c.count == 1 ? 0 : 16] = 450;
    const UIConstraintsRelatedList related{c.count, ids.data()};
    const UIConstraintsKeyEntry table[2] = {{"PrintModeVN420P", 400, &related}, {"", 0, nullptr}};
    host.h.refresh();
    mEnableALL(host.h.controlData.get());
    UpdateUIConstraintsPPDArgument(host.h.constraintList, host.h.constraintCount, table, 1,
                                   host.h.controlData.get(), &host.h.session);
    EXPECT_FALSE(host.h.waitModePopUp.isEnabled());
    EXPECT_EQ(Gray(host.h.waitModeStaticText), c.labelGray);
  }
}

TEST(UIConstraintsStateTest, ListsFollowRegistrationAndMissingArguments) {
  Host host(SamplePpd());
  UIConstraintsPPDState& state = host.h.core.uiConstraints;
  const UIConstraintsKeyEntry empty[1] = {{"", 0, nullptr}};
  int32_t count = -1;
  CreateUIConstrainstPPDListForEveryUserPaneArgument(empty, &count, &state);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(state.paneListCount, 2);
  EXPECT_EQ(state.paneLists.front().constraints.size(), 4u);  // the pane registered first
  EXPECT_EQ(CreateUIConstrainstPPDListForEveryUserPaneArgument(nullptr, &count, &state), nullptr);

  EXPECT_EQ(UIConstraintsPPDInitializeArgument(nullptr, &state), platform::paramErr);
  EXPECT_EQ(UIConstraintsPPDInitializeArgument(host.h.ppdFile(), nullptr), platform::paramErr);
  EXPECT_EQ(UIConstraintsPPDFinalize(nullptr), platform::paramErr);
  EXPECT_EQ(UpdateUIConstraintsPPDArgument(nullptr, 0, SetupPPDKeyTableSecurity, 3, nullptr, &host.h.session),
            platform::paramErr);
  ReleaseUIConstrainstPPDListForEveryUserPaneArgument(&state);
  EXPECT_EQ(state.paneListCount, 0);
  EXPECT_TRUE(state.paneLists.empty());
  EXPECT_EQ(UIConstraintsPPDFinalize(&state), platform::noErr);
  EXPECT_EQ(state.count, 0);
  host.h.constraintList = nullptr;
  host.h.constraintCount = 0;
}

}  // namespace
}  // namespace securitypane::testing
