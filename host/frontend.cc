#include "host/frontend.h"

namespace host {

namespace fs = std::filesystem;

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

std::vector<std::pair<std::string, std::string>> SummaryItems(pde::Panel& panel) {
  std::vector<std::pair<std::string, std::string>> items;
  platform::plist::Dict dict = panel.summaryInfo();
  const auto* order = dict[pde::kSummaryDisplayOrderKey].array();
  if (!order) return items;
  for (const auto& name : *order) {
    const std::string* n = name.string();
    if (!n) continue;
    auto it = dict.find(*n);
    const std::string* v = it == dict.end() ? nullptr : it->second.string();
    if (!n->empty() && v && !v->empty()) items.emplace_back(*n, *v);
  }
  return items;
}

}  // namespace host
