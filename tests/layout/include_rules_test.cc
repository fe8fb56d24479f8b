// The folders are layers: each one may include only from the folders below it,
// so that a plug-in never reaches into the host's core, the service never into
// a plug-in, and the stand-ins under platform/ stay free of everything above
// them. docs/HACKING.md draws the same map; a change to one is a change to both.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
  std::string_view folder;
  // What the folder's code may include besides its own files: a folder
  // ("platform/") or one file ("host/plugin_api.h").
  std::vector<std::string_view> mayInclude;
};

const std::vector<Layer>& Layers() {
  static const std::vector<Layer> layers = {
      {"platform", {}},
      {"protocol", {"platform/"}},
      {"profilestore", {"platform/"}},
      {"textfields", {"platform/"}},
      {"profilewalk", {"platform/", "profilestore/", "protocol/"}},
      // The host never saves the Security pane's modes as defaults and keeps
      // files holding its credentials private: it names them from the pane's
      // list of keys (constants only), never from the pane's code.
      {"host", {"platform/", "securitypane/settings_keys.h"}},
      // A plug-in knows the host only through the plug-in interface.
      {"securitypane", {"platform/", "host/plugin_api.h", "profilestore/", "textfields/"}},
      {"colorpane", {"platform/", "host/plugin_api.h", "profilestore/", "protocol/", "textfields/"}},
      {"prefservice", {"platform/", "profilestore/", "profilewalk/", "protocol/"}},
      {"bridgetool", {"platform/", "protocol/"}},
      {"gui", {"platform/", "host/"}},
      // The scheduler set-up names the job values to hide from the same list.
      {"cupssetup", {"platform/", "securitypane/settings_keys.h"}},
  };
  return layers;
}

bool IsProjectFolder(std::string_view first) {
  return first == "tests" || first == "bench" ||
         std::ranges::any_of(Layers(), [&](const Layer& l) { return l.folder == first; });
}

struct Include {
  std::string file;  // relative to the source tree
  int line = 0;
  std::string path;  // as written between the quotes
};

// Every quoted include of the C++ files under `folder` that names a project
// folder first ("platform/plist.h"); includes found by a bare name
// ("vn420p_version.h") come from the build and are not layers.
std::vector<Include> ProjectIncludes(const fs::path& root, std::string_view folder) {
  static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
  std::vector<Include> found;
  const fs::path top = root / folder;
  if (!fs::is_directory(top)) return found;
  for (const auto& entry : fs::recursive_directory_iterator(top)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cc")) continue;
    std::ifstream in(entry.path());
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
      std::smatch m;
      if (!std::regex_search(text, m, include)) continue;
      const std::string path = m[1];
      const auto slash = path.find('/');
      if (slash == std::string::npos || !IsProjectFolder(std::string_view(path).substr(0, slash))) continue;
      found.push_back({fs::relative(entry.path(), root).string(), n, path});
    }
  }
  return found;
}

std::string Where(const Include& inc) { return inc.file + ":" + std::to_string(inc.line) + ": " + inc.path; }

const fs::path kRoot = VN_SOURCE_DIR;

TEST(IncludeRules, EveryFolderWithCodeIsALayer) {
  for (const auto& entry : fs::directory_iterator(kRoot)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_directory() || name.starts_with('.') || name.starts_with("build") || name == "tests" ||
        name == "bench")
      continue;
    const bool hasCode = std::ranges::any_of(fs::recursive_directory_iterator(entry.path()), [](const auto& f) {
      return f.path().extension() == ".cc" || f.path().extension() == ".h";
    });
    EXPECT_TRUE(!hasCode || IsProjectFolder(name)) << name << "/ holds code but has no row in the layer table";
  }
}

TEST(IncludeRules, EachFolderIncludesOnlyTheLayersBelowIt) {
  for (const Layer& layer : Layers()) {
    const std::string own = std::string(layer.folder) + "/";
    const auto includes = ProjectIncludes(kRoot, layer.folder);
    EXPECT_FALSE(includes.empty()) << layer.folder << " has no project includes: is the folder still there?";
    for (const Include& inc : includes) {
      const bool allowed = inc.path.starts_with(own) ||
                           std::ranges::any_of(layer.mayInclude, [&](std::string_view p) {
                             return p.ends_with('/') ? inc.path.starts_with(p) : inc.path == p;
                           });
      EXPECT_TRUE(allowed) << Where(inc) << " crosses the layers: " << layer.folder << " may include "
                           << own << (layer.mayInclude.empty() ? "" : " and what the table lists");
    }
  }
}

// Tests and benchmarks may use any deliverable, but share helpers only through
// tests/support: one test folder reaching into another's files couples them.
TEST(IncludeRules, TestFoldersShareOnlyTheSupport) {
  for (std::string_view top : {"tests", "bench"}) {
    for (const Include& inc : ProjectIncludes(kRoot, top)) {
      if (!inc.path.starts_with("tests/")) continue;
      const fs::path file(inc.file);
      const std::string ownFolder = (file.parent_path().string() + "/");
      const bool allowed = inc.path.starts_with("tests/support/") || inc.path.starts_with(ownFolder);
      EXPECT_TRUE(allowed) << Where(inc) << ": share it through tests/support/";
    }
  }
}

}  // namespace
