// security_layers_host: runs the layers under the Security pane on a PPD
// without the pane and prints what the pane would show after one refresh:
// each control's value, enabled state and enabled items, and the constraint
// list picked out for the pane.
//
//   security_layers_host --set PrintModeVN420P=SecurePrint --set OptionHardDisk=False
#include <CLI/CLI.hpp>
#include <iostream>

#include "layers_host.h"
#include "platform/printing_page_setup.h"
#include "samples.h"
#include "securitypane/paper_query.h"

namespace {

using securitypane::testing::LayersHost;
namespace ui = platform::ui;

std::string Describe(const securitypane::PaneControlRecord& r) {
  std::string line = r.settingsKey ? r.settingsKey : r.optionName;
  line += " = " + r.value.value_or("(none)");
  if (const auto* c = dynamic_cast<const ui::Control*>(r.control); c && !c->isEnabled())
    line += "  [disabled]";
  if (const auto* popup = dynamic_cast<const ui::PopUpButton*>(r.control)) {
    line += "  items:";
    for (const ui::MenuItem& item : popup->items())
      line += " " + *item.representedObject.string() + (item.enabled ? "" : "(off)");
  }
  if (const auto* label = dynamic_cast<const ui::TextField*>(r.control);
      label && r.kind == securitypane::kPaneStaticText &&
      label->textColor() == ui::Color::disabledControlText())
    line += "  [gray]";
  return line;
}

}  // namespace

int main(int argc, char** argv) try {
  std::string ppd = testsupport::SamplePpd();
  std::vector<std::string> sets;
  std::string custom, orientation;
  platform::PageSetup page;
  CLI::App app{"security_layers_host: the Security pane's tables and constraints on a PPD, without the pane"};
  app.add_option("--ppd", ppd, "PPD file (default: the sample)");
  app.add_option("--set", sets, "KEY=VALUE print settings entry before the refresh (repeatable)");
  app.add_option("--paper", page.paper, "document paper (a page size of the PPD)");
  app.add_option("--custom-size", custom, "document paper of a custom size WxH in points");
  app.add_option("--orientation", orientation, "portrait, landscape, reverse-portrait, reverse-landscape");
  app.add_option("--scale-to", page.scaleTo, "scale the document to this page size");
  CLI11_PARSE(app, argc, argv);

  double w = 0, h = 0;
  if (!custom.empty()) {
    if (!platform::ParseCustomSize(custom, &w, &h)) throw std::runtime_error("--custom-size: expected WxH");
    page.customWidth = w;
    page.customHeight = h;
  }
  if (!orientation.empty() && !(page.orientation = platform::ParseOrientation(orientation)))
    throw std::runtime_error("--orientation: unknown orientation " + orientation);

  std::string error;
  LayersHost host(ppd, &error);
  if (!host.ok()) throw std::runtime_error(error);
  if (!platform::ApplyPageSetup(*host.printSession(), page, &host.format, &host.settings, &error))
    throw std::runtime_error(error);
  host.build();
  for (const std::string& s : sets) {
    const size_t eq = s.find('=');
    if (eq == std::string::npos) throw std::runtime_error("--set " + s + ": expected KEY=VALUE");
    host.settings.setValue(s.substr(0, eq), s.substr(eq + 1));
    if (auto* r = host.record(s.substr(0, eq).c_str())) r->value = s.substr(eq + 1);
  }
  host.refresh();

  int created = 0;
  std::cout
      << "document paper (PageSize): "
      << securitypane::GetPaperNameByStandardTicketArgument(&created, &host.session).value_or("(unknown)")
      << "\n";
  std::cout << "constraints for the pane: " << host.constraintCount << "\n";
  for (int i = 0; i < host.constraintCount; ++i) {
    const auto& c = host.constraintList[i];
    std::cout << "  *" << c.option1 << " " << c.choice1 << " *" << c.option2 << " " << c.choice2 << "\n";
  }
  std::cout << "controls:\n";
  for (const auto& r : host.table)
    if (r.kind != securitypane::kPaneEnd && (r.settingsKey || r.kind == securitypane::kPaneStaticText))
      std::cout << "  " << Describe(r) << "\n";
  return 0;
} catch (const std::exception& e) {
  std::cerr << "security_layers_host: " << e.what() << "\n";
  return 1;
}
