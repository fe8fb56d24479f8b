// pdehost: a scriptable print-dialog host. It loads the plug-in bundles, runs
// their panels against a printer's PPD and print settings, and prints what a
// user would see: controls, summaries and the job's CUPS options.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/control_ops.h"
#include "host/dialog.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

constexpr const char* kCommands = R"(Commands:
  panels                       each panel's name, kind and supported PPD option keys
  show PANEL [--json]          every outlet of the panel (PANEL: its kind or name)
  set PANEL OUTLET VALUE ...   user actions in order, then the panel saves:
                                 pop-up: item index or title; check box: on|off;
                                 text field: the text; radio matrix: row;
                                 push button: press
  summary [--json]             every panel's summary in display order
  ticket                       the print settings' string entries as key=value
  print [FILE]                 asks every panel whether to print; prints the job's
                               options and, with --printer and FILE, submits it
)";

fs::path ExeDir() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(".") : p.parent_path();
}

std::string FirstExisting(std::initializer_list<fs::path> candidates) {
  for (const auto& c : candidates)
    if (fs::exists(c)) return c.lexically_normal().string();
  return candidates.begin()->lexically_normal().string();
}

// Splits a script line into words; single and double quotes group, a
// backslash escapes the next character.
bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  std::string cur;
  bool in_word = false;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quote) {
      if (c == quote) quote = 0;
      else if (c == '\\' && quote == '"' && i + 1 < line.size()) cur += line[++i];
      else cur += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      in_word = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      cur += line[++i];
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words->push_back(std::move(cur));
      cur.clear();
      in_word = false;
    } else if (c == '#' && !in_word) {
      break;
    } else {
      cur += c;
      in_word = true;
    }
  }
  if (in_word) words->push_back(std::move(cur));
  return quote == 0;
}

class Runner {
 public:
  explicit Runner(host::Dialog& d) : d_(d) {}

  int run(std::vector<std::string> args) {
    if (args.empty()) return fail("no command given (see --help)");
    std::string cmd = args[0];
    args.erase(args.begin());
    bool json = false;
    std::erase_if(args, [&](const std::string& a) { return a == "--json" ? (json = true) : false; });
    if (cmd == "panels") return panels(json);
    if (cmd == "show") return args.size() == 1 ? show(args[0], json) : fail("usage: show PANEL [--json]");
    if (cmd == "set") return set(args);
    if (cmd == "summary") return summary(json);
    if (cmd == "ticket") return ticket();
    if (cmd == "print") return args.size() <= 1 ? print(args.empty() ? "" : args[0]) : fail("usage: print [FILE]");
    return fail("unknown command \"" + cmd + "\" (see --help)");
  }

 private:
  static int fail(const std::string& message) {
    std::cerr << "pdehost: " << message << "\n";
    return 2;
  }

  pde::Panel* panel(const std::string& name) {
    pde::Panel* p = d_.findPanel(name);
    if (!p) {
      std::string known;
      for (auto& e : d_.panels()) known += " \"" + e.panel->panelKind() + "\"";
      fail("no panel \"" + name + "\"; panels:" + known);
    }
    return p;
  }

  int panels(bool json) {
    ordered_json out = ordered_json::array();
    for (auto& e : d_.panels())
      out.push_back({{"name", e.panel->panelName()},
                     {"kind", e.panel->panelKind()},
                     {"plugin", e.plugin},
                     {"supportedPPDOptionKeys", e.panel->supportedPPDOptionKeys()}});
    if (json) {
      std::cout << out.dump(2) << "\n";
      return 0;
    }
    for (const auto& p : out) {
      std::cout << p["name"].get<std::string>() << "\t" << p["kind"].get<std::string>() << "\n";
      for (const auto& k : p["supportedPPDOptionKeys"]) std::cout << "  " << k.get<std::string>() << "\n";
    }
    return 0;
  }

  int show(const std::string& name, bool json) {
    pde::Panel* p = panel(name);
    if (!p) return 2;
    ordered_json out = ordered_json::array();
    for (auto& [outlet, object] : p->namedObjects()) out.push_back(host::DescribeObject(outlet, object));
    if (json) {
      std::cout << out.dump(2) << "\n";
      return 0;
    }
    for (const auto& d : out) std::cout << host::DescribeObjectText(d) << "\n";
    return 0;
  }

  int set(const std::vector<std::string>& args) {
    if (args.size() < 3 || (args.size() - 1) % 2 != 0) return fail("usage: set PANEL OUTLET VALUE [OUTLET VALUE ...]");
    pde::Panel* p = panel(args[0]);
    if (!p) return 2;
    auto objects = p->namedObjects();
    for (size_t i = 1; i + 1 < args.size(); i += 2) {
      auto it = std::find_if(objects.begin(), objects.end(), [&](auto& o) { return o.first == args[i]; });
      if (it == objects.end()) return fail("panel \"" + args[0] + "\" has no outlet \"" + args[i] + "\"");
      std::string error;
      if (!host::OperateObject(it->second, args[i + 1], &error))
        return fail(args[i] + " " + args[i + 1] + ": " + error + "; nothing was saved");
    }
    std::string error;
    if (!d_.save(&error)) return fail(error);
    return 0;
  }

  int summary(bool json) {
    ordered_json out = ordered_json::array();
    for (auto& e : d_.panels()) {
      platform::plist::Dict dict = e.panel->summaryInfo();
      ordered_json items = ordered_json::array();
      if (const auto* order = dict[pde::kSummaryDisplayOrderKey].array()) {
        for (const auto& name : *order) {
          const std::string* n = name.string();
          if (!n) continue;
          auto it = dict.find(*n);
          const std::string* v = it == dict.end() ? nullptr : it->second.string();
          items.push_back({{"name", *n}, {"value", v ? *v : ""}});
        }
      }
      out.push_back({{"panel", e.panel->panelName()}, {"items", items}});
    }
    if (json) {
      std::cout << out.dump(2) << "\n";
      return 0;
    }
    for (const auto& p : out) {
      std::cout << p["panel"].get<std::string>() << "\n";
      for (const auto& i : p["items"])
        std::cout << "  " << i["name"].get<std::string>() << ": " << i["value"].get<std::string>() << "\n";
    }
    return 0;
  }

  int ticket() {
    for (const auto& [k, v] : d_.ticketOptions()) std::cout << k << "=" << v << "\n";
    return 0;
  }

  int print(const std::string& file) {
    std::string reason;
    if (!d_.print(&reason)) {
      std::cerr << "pdehost: printing refused: " << reason << "\n";
      return 1;
    }
    ticket();
    if (file.empty() || d_.options().printerName.empty()) return 0;
    std::string error;
    if (!d_.submit(file, &error)) return fail(error);
    return 0;
  }

  host::Dialog& d_;
};

}  // namespace

int main(int argc, char** argv) {
  setlocale(LC_ALL, "");
  fs::path exe = ExeDir();
  host::DialogOptions opt;
  opt.ppdPath = FirstExisting({exe / "../share/vn420p/VN420P.ppd", exe / "../../resources/ppd/VN420P.ppd"});
  opt.pluginsDir = FirstExisting({exe / "../plugins", exe / "../lib/vn420p/plugins"});
  std::string script;
  std::vector<std::string> command;

  CLI::App app{"pdehost: runs the print-dialog panels of the VN420P plug-ins from a shell"};
  app.footer(kCommands);
  auto* ppd = app.add_option("--ppd", opt.ppdPath, "PPD file of an offline printer (default: the bundled sample)");
  app.add_option("--printer", opt.printerName, "CUPS destination (its PPD and device URI)")->excludes(ppd);
  app.add_option("--device-uri", opt.deviceURI, "device URI of the offline printer");
  app.add_option("--settings", opt.settingsPath,
                 "print settings file: read before the panels restore, written after set and print");
  app.add_option("--plugins", opt.pluginsDir, "folder of *.plugin bundles");
  std::string custom_size, orientation;
  auto* paper = app.add_option("--paper", opt.pageSetup.paper, "document paper: a page size of the PPD (default: its default)");
  app.add_option("--custom-size", custom_size, "document paper of a custom size WxH, in points (e.g. 216x360)")
      ->check([](const std::string& s) {
        double w, h;
        return platform::ParseCustomSize(s, &w, &h) ? std::string() : "expected WxH in points, e.g. 216x360";
      })
      ->excludes(paper);
  app.add_option("--orientation", orientation, "portrait, landscape, reverse-portrait or reverse-landscape")
      ->check([](const std::string& s) { return platform::ParseOrientation(s) ? std::string() : "unknown orientation"; });
  app.add_option("--scale-to", opt.pageSetup.scaleTo, "scale the document to this page size of the PPD");
  app.add_option("--script", script, "run the commands of FILE (or - for standard input), one per line");
  app.add_option("command", command, "COMMAND [ARGS...]");
  app.positionals_at_end(false);
  app.allow_extras(false);
  app.prefix_command(true);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  for (const auto& extra : app.remaining()) command.push_back(extra);
  if (!custom_size.empty()) {
    double w = 0, h = 0;
    platform::ParseCustomSize(custom_size, &w, &h);
    opt.pageSetup.customWidth = w;
    opt.pageSetup.customHeight = h;
  }
  if (!orientation.empty()) opt.pageSetup.orientation = platform::ParseOrientation(orientation);
  if (command.empty() && script.empty()) {
    std::cerr << "pdehost: no command given\n" << app.help();
    return 2;
  }

  std::string error;
  auto dialog = host::Dialog::Open(opt, &error);
  if (!dialog) {
    std::cerr << "pdehost: " << error << "\n";
    return 1;
  }
  Runner runner(*dialog);
  if (!command.empty()) {
    int rc = runner.run(command);
    if (rc != 0 || script.empty()) return rc;
  }
  std::ifstream file;
  if (script != "-") {
    file.open(script);
    if (!file) {
      std::cerr << "pdehost: cannot read script " << script << "\n";
      return 1;
    }
  }
  std::istream& in = script == "-" ? std::cin : file;
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    ++lineno;
    std::vector<std::string> words;
    if (!SplitWords(line, &words)) {
      std::cerr << "pdehost: " << script << ":" << lineno << ": unbalanced quote\n";
      return 2;
    }
    if (words.empty()) continue;
    if (int rc = runner.run(words); rc != 0) {
      std::cerr << "pdehost: " << script << ":" << lineno << ": command failed\n";
      return rc;
    }
  }
  return 0;
}
