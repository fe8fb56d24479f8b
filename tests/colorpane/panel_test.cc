// The colour panel through its print-dialog entry points.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "colorpane/color_preset.h"
#include "colorpane/diag_log.h"
#include "fake_tasks.h"
#include "files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "temp_root.h"
#include "test_panel.h"

namespace colorpane::testing {
namespace {

using platform::plist::Value;

TEST_F(PanelTest, PanelsOnlyForThePrinterDriverType) {
  PDEPlugIn plugin;
  testsupport::FakeHost h;
  ASSERT_TRUE(h.ok()) << h.error();
  auto panels = plugin.PDEPanelsForType(pde::kPrinterDriverPaneType, &h);
  ASSERT_TRUE(panels.has_value());
  ASSERT_EQ(panels->size(), 1u);
  EXPECT_EQ((*panels)[0]->panelKind(), "jp.halvern.pde.VN420P.hvco");
  EXPECT_FALSE(plugin.PDEPanelsForType("BDB091F4-E57F-11D3-B5CC-0050E4603278", &h).has_value());
  EXPECT_FALSE(plugin.PDEPanelsForType("", &h).has_value());
}

TEST_F(PanelTest, SupportedKeysLoadThePanelOnceAndListAdvancedFirst) {
  host = std::make_unique<testsupport::FakeHost>();
  panel = std::make_unique<PDEPlugInInterface>(host.get());
  EXPECT_EQ(panel->compoundTable(), nullptr);
  auto keys = panel->supportedPPDOptionKeys();
  ASSERT_EQ(keys.size(), 26u);
  EXPECT_EQ(keys.front(), "HVImageRGBSource");
  EXPECT_EQ(keys[20], "HVSimGrayTreatment");
  EXPECT_EQ(keys[21], "HVQuickColor");
  EXPECT_EQ(keys.back(), "HVEdgeType");
  const PDEControlData* table = panel->compoundTable();
  ASSERT_NE(table, nullptr);
  platform::ui::View* view = panel->panelView();
  EXPECT_EQ(panel->compoundTable(), table) << "a second load must not rebuild the tables";
  EXPECT_EQ(panel->panelView(), view);
}

TEST_F(PanelTest, TableShapesAndTheCombinedTable) {
  Open();
  EXPECT_EQ(_DEBUGControlTable(color->getControlData()), 10);
  EXPECT_EQ(_DEBUGControlTable(advanced->getControlData()), 47);
  const PDEControlData* comp = panel->compoundTable();
  EXPECT_EQ(_DEBUGControlTable(comp), 56);
  EXPECT_STREQ(comp[0].ppdKeyword, "HVQuickColor");
  EXPECT_STREQ(comp[9].ppdKeyword, "HVImageRGBSource");
  EXPECT_EQ(comp[55].kind, kCtrlEnd);
  // Rows are shared, not copied: the same controls and choice rows.
  EXPECT_EQ(comp[9].control, advanced->getControlData()[0].control);
  EXPECT_EQ(comp[9].choiceRows.get(), advanced->getControlData()[0].choiceRows.get());
}

TEST_F(PanelTest, RestoreWithoutTicketShowsThePPDDefaults) {
  Open();
  EXPECT_EQ(color->getQuickColorValue(), 0);
  EXPECT_EQ(ColorPopUp(color->menu_Brightness)->titleOfSelectedItem(), "0");
  EXPECT_EQ(Check(color->check_ColorAsGrayscale)->state(), 0);
  EXPECT_EQ(Adv(kTHalftone)->titleOfSelectedItem(), "Detail");
  EXPECT_EQ(Adv(kIDest)->indexOfSelectedItem(), 0);
}

TEST_F(PanelTest, SaveAndRestoreRoundTripThroughTheTicket) {
  Open();
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(3);
  Check(color->check_EconomyPrint)->setState(1);
  Adv(kGHalftone)->selectItemAtIndex(2);
  std::string error;
  EXPECT_TRUE(panel->saveValuesAndReturnError(&error));
  EXPECT_EQ(Ticket("HVQuickColor"), "UserDefined");
  EXPECT_EQ(Ticket("HVEconoMode"), "True");
  EXPECT_EQ(Ticket("HVColorAsGray"), "False");
  EXPECT_EQ(Ticket("HVImageRGBSourceCustom"), "False");
  EXPECT_EQ(Ticket("HVImageHalftoneCustom"), "<absent>") << "only profile rows carry the flag";

  // A new dialog on the same ticket shows the saved values.
  platform::PrintSettings saved = host->settings;
  Open();
  host->settings = saved;
  panel->restoreValuesAndReturnError(&error);
  EXPECT_EQ(color->getQuickColorValue(), 3);
  EXPECT_EQ(color->getEconoModeValue(), 1);
  EXPECT_EQ(Adv(kGHalftone)->indexOfSelectedItem(), 2);
}

TEST_F(PanelTest, RestoreHandlesOddTicketEntries) {
  Open();
  host->settings.setValue("HVQuickColor", Value("Vivid"));
  host->settings.setValue("HVEdgeType", Value("thin"));        // choices compare exactly
  host->settings.setValue("HVBrightness", Value(int64_t{3}));  // not a string: control unchanged
  host->settings.setValue("HVColorAsGray", Value("TRUE"));
  host->settings.setValue("HVEconoMode", Value("yes"));
  ColorPopUp(color->menu_Brightness)->selectItemAtIndex(6);
  ColorPopUp(color->menu_EdgeStrength)->selectItemAtIndex(2);
  Check(color->check_EconomyPrint)->setState(1);
  std::string error;
  panel->restoreValuesAndReturnError(&error);
  EXPECT_EQ(color->getQuickColorValue(), 2);
  EXPECT_EQ(ColorPopUp(color->menu_EdgeStrength)->titleOfSelectedItem(), "Off") << "unknown choice keeps the default";
  EXPECT_EQ(ColorPopUp(color->menu_Brightness)->indexOfSelectedItem(), 3)
      << "restore starts from the defaults; a non-string entry then changes nothing";
  EXPECT_EQ(Check(color->check_ColorAsGrayscale)->state(), 1);
  EXPECT_EQ(color->getEconoModeValue(), 0);
}

TEST_F(PanelTest, ProfileFlagWithoutStoredProfileFallsBackToTheDefault) {
  Open();
  host->settings.setValue("HVImageDestinationProfile", Value("Auto"));
  host->settings.setValue("HVImageDestinationProfileCustom", Value("True"));
  Adv(kIDest)->selectItemAtIndex(1);
  std::string error;
  panel->restoreValuesAndReturnError(&error);
  EXPECT_EQ(Adv(kIDest)->indexOfSelectedItem(), 0);
}

TEST_F(PanelTest, WillShowReturnsToTheColorOptionsPane) {
  Open();
  platform::ui::View* container = panel->painChange()->onMainCustomView;
  ASSERT_NE(container, nullptr);
  EXPECT_EQ(color->superview(), container);
  EXPECT_EQ(advanced->superview(), nullptr) << "the Advanced pane starts off screen";
  // The button is enabled only for the custom Quick Color, as a user sees it.
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(3);
  ColorPopUp(color->menu_QuickColor)->sendAction();
  auto* button = Check(color->button_AdvanceColorOptions);
  ASSERT_TRUE(button->isEnabled());
  button->performClick();
  EXPECT_EQ(advanced->superview(), container);
  EXPECT_EQ(color->superview(), nullptr);
  EXPECT_EQ(advanced->bounds().width, container->bounds().width);
  panel->willShow();
  EXPECT_EQ(color->superview(), container);
  EXPECT_EQ(advanced->superview(), nullptr);
  panel->willShow();
  EXPECT_EQ(container->subviews().size(), 1u);
}

TEST_F(PanelTest, ManagementButtonDisabledWithoutAdministratorRights) {
  Open();
  EXPECT_FALSE(Enabled(advanced->button_ManageProfile));
  auto* tabs = dynamic_cast<platform::ui::TabView*>(advanced->tab_SwitchVew);
  EXPECT_EQ(tabs->indexOfSelectedTabViewItem(), 0);
  ASSERT_EQ(tabs->numberOfTabViewItems(), 4);
  EXPECT_EQ(tabs->tabViewItems()[3].label, "Simulation");
}

TEST_F(PanelTest, SummaryDependsOnQuickColor) {
  Open();
  auto names = [&] {
    auto dict = panel->summaryInfo();
    std::vector<std::string> out;
    for (const Value& v : *dict[pde::kSummaryDisplayOrderKey].array()) out.push_back(*v.string());
    return std::make_pair(out, dict);
  };
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(3);
  Adv(kTHalftone)->selectItemAtIndex(0);
  auto [custom, customDict] = names();
  ASSERT_EQ(custom.size(), 26u);
  EXPECT_EQ(custom[0], "Quick Color");
  EXPECT_EQ(custom[5], "Image RGB Source");
  EXPECT_EQ(*customDict["Text Halftone"].string(), Adv(kTHalftone)->itemAtIndex(0)->title);

  // Presets list the implied values, whatever the pop-ups show.
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(0);
  auto [preset, presetDict] = names();
  ASSERT_EQ(preset.size(), 26u);
  EXPECT_EQ(*presetDict["Text Halftone"].string(), Adv(kTHalftone)->itemAtIndex(2)->title);

  // Economy mode with preset 2 lists the image and graphics edge items again, with item 0.
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(2);
  Check(color->check_EconomyPrint)->setState(1);
  auto [eco, ecoDict] = names();
  ASSERT_EQ(eco.size(), 28u);
  EXPECT_EQ(eco[26], "Image EdgeEnhance");
  EXPECT_EQ(eco[27], "Graphics EdgeEnhance");
  EXPECT_EQ(std::count(eco.begin(), eco.end(), "Graphics EdgeEnhance"), 2);
  EXPECT_EQ(*ecoDict["Image EdgeEnhance"].string(), Adv(kIEdge)->itemAtIndex(0)->title);
  EXPECT_EQ(*ecoDict["Text EdgeEnhance"].string(), Adv(kTEdge)->itemAtIndex(1)->title);

  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(-1);
  auto [none, noneDict] = names();
  EXPECT_EQ(none.size(), 4u) << "no Quick Color selection: only the Color Options items that have a value";
}

TEST_F(PanelTest, ShouldPrintForcesThePresetIntoTheTicket) {
  Open();
  for (int i = 0; i < AdvancedColorOptions::kPopUpCount; ++i) Adv(i)->selectItemAtIndex(Adv(i)->numberOfItems() - 1);
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(2);
  Check(color->check_EconomyPrint)->setState(1);
  EXPECT_TRUE(panel->shouldPrint());
  const int expected[21] = {1, 1, 1, 0, 2, 0, 1, 1, 1, 0, 2, 1, 1, 1, 1, 0, 2, 0, 0, 0, 0};
  for (int i = 0; i < 21; ++i) {
    EXPECT_EQ(Adv(i)->indexOfSelectedItem(), expected[i]) << "pop-up " << i;
    const PDEControlData& row = advanced->getControlData()[i];
    EXPECT_EQ(Ticket(row.ppdKeyword), (*row.choiceRows)[static_cast<size_t>(expected[i])][2]) << row.ppdKeyword;
  }
  EXPECT_EQ(Ticket("HVQuickColor"), "<absent>") << "printing writes only the Advanced pane";
}

TEST_F(PanelTest, ForcingTablesPerPreset) {
  Open();
  const int table[21][3] = {{1, 1, 1}, {0, 0, 1}, {1, 0, 1}, {0, 0, 0}, {1, 1, 2}, {0, 0, 1}, {1, 1, 1},
                            {1, 0, 1}, {1, 0, 1}, {0, 0, 0}, {2, 1, 2}, {1, 0, 1}, {1, 1, 1}, {1, 0, 1},
                            {1, 0, 1}, {0, 0, 0}, {1, 1, 2}, {1, 0, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  for (int q = 0; q < 3; ++q) {
    for (int eco = 0; eco < 2; ++eco) {
      advanced->changeItemAccodingQuickColor(static_cast<int16_t>(q), static_cast<int16_t>(eco));
      for (int i = 0; i < 21; ++i) {
        int want = table[i][q];
        if (eco && ((q == 0 && i == kGEdge) || (q == 2 && (i == kIEdge || i == kGEdge)))) want = 0;
        EXPECT_EQ(Adv(i)->indexOfSelectedItem(), want) << "preset " << q << " eco " << eco << " pop-up " << i;
      }
    }
  }
  for (int i = 0; i < 21; ++i) Adv(i)->selectItemAtIndex(1);
  advanced->changeItemAccodingQuickColor(3, 1);
  advanced->changeItemAccodingQuickColor(7, 0);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(Adv(i)->indexOfSelectedItem(), 1);
}

// The preset rules over the combined table.
class PresetRuleTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    Open();
  }
  void Run() { vColorPresetConstraints(panel->compoundTable()); }
  void Select(int popup, int index) { Adv(popup)->selectItemAtIndex(index); }
};

TEST_F(PresetRuleTest, GrayscaleDisablesColourItemsButNotHalftoneOrEdges) {
  ColorPopUp(color->menu_EdgeStrength)->selectItemAtIndex(1);  // edges on
  Check(color->check_ColorAsGrayscale)->setState(1);
  Run();
  for (int i : {kIRGBSource, kIIntent, kIGray, kIDest, kTRGBSource, kTIntent, kTGray, kTDest, kGRGBSource, kGIntent,
                kGGray, kGDest, kSSource, kSMatch, kSGray})
    EXPECT_FALSE(Adv(i)->isEnabled()) << "pop-up " << i;
  for (int i : {kIHalftone, kTHalftone, kGHalftone, kTEdge, kGEdge}) EXPECT_TRUE(Adv(i)->isEnabled()) << i;
  Check(color->check_ColorAsGrayscale)->setState(0);
  Select(kSSource, 1);
  Run();
  EXPECT_TRUE(Adv(kIRGBSource)->isEnabled());
  EXPECT_TRUE(Adv(kSMatch)->isEnabled());
}

TEST_F(PresetRuleTest, SourceDestinationAndSimulationDependencies) {
  Select(kIRGBSource, 0);  // "None"
  Select(kTDest, 1);       // not "Auto"
  Select(kSSource, 0);
  Run();
  EXPECT_FALSE(Adv(kIIntent)->isEnabled());
  EXPECT_TRUE(Adv(kTIntent)->isEnabled());
  EXPECT_FALSE(Adv(kTGray)->isEnabled());
  EXPECT_TRUE(Adv(kIGray)->isEnabled());
  EXPECT_FALSE(Adv(kSMatch)->isEnabled());
  EXPECT_FALSE(Adv(kSGray)->isEnabled());
  Select(kTDest, -1);  // no selection: constraint value 0 satisfies "not Auto"
  Run();
  EXPECT_FALSE(Adv(kTGray)->isEnabled());
}

TEST_F(PresetRuleTest, EdgeTypeAndEconomy) {
  ColorPopUp(color->menu_EdgeStrength)->selectItemAtIndex(0);  // "Off"
  Run();
  EXPECT_FALSE(Adv(kIEdge)->isEnabled());
  EXPECT_FALSE(Adv(kTEdge)->isEnabled());
  EXPECT_FALSE(Adv(kGEdge)->isEnabled());
  ColorPopUp(color->menu_EdgeStrength)->selectItemAtIndex(1);
  Check(color->check_EconomyPrint)->setState(1);
  Run();
  EXPECT_FALSE(Adv(kIEdge)->isEnabled());
  EXPECT_TRUE(Adv(kTEdge)->isEnabled());
  EXPECT_FALSE(Adv(kGEdge)->isEnabled());
}

TEST_F(PresetRuleTest, ColorOptionsTableAloneActsOnlyOnTheButton) {
  Check(color->check_ColorAsGrayscale)->setState(1);
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(3);
  vColorPresetConstraints(color->getControlData());
  EXPECT_TRUE(Enabled(color->button_AdvanceColorOptions));
  EXPECT_TRUE(Adv(kIRGBSource)->isEnabled()) << "targets outside the table keep their state";
  ColorPopUp(color->menu_QuickColor)->selectItemAtIndex(-1);
  panel->selectItem(nullptr);
  EXPECT_FALSE(Enabled(color->button_AdvanceColorOptions));
  // Running twice gives the same result.
  Run();
  std::vector<bool> first;
  for (int i = 0; i < 21; ++i) first.push_back(Adv(i)->isEnabled());
  Run();
  for (int i = 0; i < 21; ++i) EXPECT_EQ(Adv(i)->isEnabled(), first[static_cast<size_t>(i)]);
}

TEST(PresetRuleTable, ShapeOfTheRules) {
  int n = 0;
  while (cstColorOption[n].ruleKind == kCstRule) {
    const CstRule& r = cstColorOption[n];
    EXPECT_EQ(r.actionCount, 1);
    EXPECT_EQ(r.actions[0].code, kCstDisable);
    EXPECT_EQ(r.valueTarget.code, kCstEnd);
    EXPECT_STREQ(r.valueTarget.identifier, r.target.identifier);
    if (r.conditionCount == 2 || n == 17) {
      EXPECT_EQ(r.expressionLength, 3u) << n;
      EXPECT_EQ(r.expression[2], kCstOr);
    } else {
      EXPECT_EQ(r.expression[0], kCstEnd) << n;
    }
    ++n;
  }
  EXPECT_EQ(n, 19);
  EXPECT_EQ(cstColorOption[19].ruleKind, kCstTableEnd);
}

TEST_F(PanelTest, ShiftJISPPDWithoutBrightness) {
  Open(TestPpd("VN420P-sjis.ppd"));
  auto* brightness = ColorPopUp(color->menu_Brightness);
  EXPECT_EQ(brightness->numberOfItems(), 0) << "a missing option keeps the description's items";
  EXPECT_FALSE(color->getControlData()[1].choiceRows);
  // Japanese choice texts arrive decoded.
  auto* quick = ColorPopUp(color->menu_QuickColor);
  ASSERT_GT(quick->numberOfItems(), 3);
  bool non_ascii = std::any_of(quick->items().begin(), quick->items().end(), [](const auto& item) {
    return std::any_of(item.title.begin(), item.title.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  });
  EXPECT_TRUE(non_ascii);
  std::string error;
  panel->saveValuesAndReturnError(&error);
  EXPECT_EQ(Ticket("HVBrightness"), "<absent>");
  EXPECT_NE(Ticket("HVQuickColor"), "<absent>");
}

}  // namespace
}  // namespace colorpane::testing

namespace colorpane::testing {
namespace {

TEST_F(PanelTest, DownloadManagerOpensOnlyWhenInstalled) {
  testsupport::TempRoot root;
  testsupport::FakeTasks tasks;
  Open();
  auto* button = Check(advanced->button_DownloadManager);
  button->performClick();
  EXPECT_TRUE(tasks.calls().empty()) << "not installed: nothing is opened";
  std::string app = platform::paths::DownloadManagerApp();
  std::filesystem::create_directories(app);
  button->performClick();
  ASSERT_EQ(tasks.calls().size(), 1u);
  EXPECT_EQ(tasks.calls()[0], (std::vector<std::string>{"xdg-open", app}));
  EXPECT_EQ(app, root.root() + "/Applications/Download Manager VN420P/HALVERN Download Manager.app");
}

}  // namespace
}  // namespace colorpane::testing

namespace colorpane::testing {
namespace {

// panelView runs the administrator test on every call, and discovery only
// when it passes; the bridge tool is faked at the process seam.
class PanelViewRequestTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    root_.emplace();
    std::filesystem::create_directories(std::filesystem::path(platform::paths::BridgeToolPath()).parent_path());
    testsupport::WriteText(platform::paths::BridgeToolPath(), "");
    tasks_.emplace([this](const std::string&, const std::vector<std::string>& argv, platform::TaskResult* r) {
      const std::string method = argv.size() > 1 ? argv[1] : "";
      r->output =
          method == "mibwalk_XPC" ? "mibwalk_XPC=iRet=0\n" : method + (admin ? "=TRUE\n" : "=FALSE\n");
    });
  }
  void TearDown() override {
    tasks_.reset();
    PanelTest::TearDown();
    root_.reset();
  }
  int Count(const std::string& method) { return tasks_->Count(method); }

  bool admin = true;
  std::optional<testsupport::TempRoot> root_;
  std::optional<testsupport::FakeTasks> tasks_;
};

TEST_F(PanelViewRequestTest, DiscoveryRunsOnEveryViewForAnAdministrator) {
  Open(SamplePpd(), "lpd://127.0.0.1:515/queue");
  EXPECT_TRUE(Enabled(advanced->button_ManageProfile));
  int walks = Count("mibwalk_XPC");
  EXPECT_EQ(walks, 1);
  panel->panelView();
  EXPECT_EQ(Count("mibwalk_XPC"), 2);
  EXPECT_GE(Count("hvPListIsAdminProfile_XPC"), 3) << "button, and one test per panelView";
}

TEST_F(PanelViewRequestTest, NoDiscoveryWithoutAdministratorRights) {
  admin = false;
  Open(SamplePpd(), "lpd://127.0.0.1:515/queue");
  EXPECT_FALSE(Enabled(advanced->button_ManageProfile));
  panel->panelView();
  EXPECT_EQ(Count("mibwalk_XPC"), 0);
  EXPECT_GE(Count("hvPListIsAdminProfile_XPC"), 3);
}

TEST_F(PanelViewRequestTest, NoWalkForOtherConnections) {
  Open(SamplePpd(), "usb://HALVERN/VN420P");
  EXPECT_EQ(Count("mibwalk_XPC"), 0);
  EXPECT_GE(Count("hvPListIsAdminProfile_XPC"), 2);
}

}  // namespace
}  // namespace colorpane::testing
