#include "host/print_options.h"

#include <cups/cups.h>
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/ppd.h"
#include "platform/printing_page_setup.h"

namespace host {

namespace ppd = platform::ppd;

namespace {

constexpr const char* kStandardPpdKeys[] = {"PageSize", "PageRegion", "Duplex", "InputSlot"};

std::optional<int> Integer(std::string_view text) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<bool> Boolean(std::string_view text) {
  for (const char* yes : {"true", "yes", "on"})
    if (text.size() == std::strlen(yes) && !strncasecmp(text.data(), yes, text.size())) return true;
  for (const char* no : {"false", "no", "off"})
    if (text.size() == std::strlen(no) && !strncasecmp(text.data(), no, text.size())) return false;
  return std::nullopt;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

const std::string* Find(const Options& options, std::string_view key) {
  for (const auto& [k, v] : options)
    if (k == key) return &v;
  return nullptr;
}

void Set(Options* options, const std::string& key, std::string value) {
  for (auto& [k, v] : *options)
    if (k == key) {
      v = std::move(value);
      return;
    }
  options->emplace_back(key, std::move(value));
}

// Every option of the PPD, in its order, with the group that holds it.
void ForEachOption(ppd_file_t* file, const std::function<void(ppd_group_t&, ppd_option_t&)>& f) {
  if (!file) return;
  for (int g = 0; g < file->num_groups; ++g) {
    ppd_group_t& group = file->groups[g];
    for (int o = 0; o < group.num_options; ++o) f(group, group.options[o]);
    for (int s = 0; s < group.num_subgroups; ++s)
      for (int o = 0; o < group.subgroups[s].num_options; ++o) f(group, group.subgroups[s].options[o]);
  }
}

std::string Text(ppd_file_t* file, const char* text, const char* fallback) {
  auto decoded = text && *text ? ppd::Decode(text, ppd::EncodingForPpd(file)) : std::nullopt;
  return decoded ? *decoded : fallback;
}

bool IsChoice(ppd_file_t* file, const std::string& keyword, const std::string& choice) {
  return ppd::FindChoice(ppd::FindOption(file, keyword.c_str()), choice.c_str()) != nullptr;
}

// A custom size "Custom.WxH" (points) within the PPD's limits.
bool IsCustomSize(ppd_file_t* file, const std::string& name) {
  auto limits = CustomLimits(file);
  double w = 0, h = 0;
  return limits && name.starts_with("Custom.") && platform::ParseCustomSize(name.substr(7), &w, &h) &&
         w >= limits->minWidth && w <= limits->maxWidth && h >= limits->minHeight && h <= limits->maxHeight;
}

// A page size of the PPD, or a custom size within its limits (libcups takes
// any "Custom.…" for the Custom choice, whatever its size).
bool IsPageSize(ppd_file_t* file, const std::string& name) {
  return name.starts_with("Custom.") ? IsCustomSize(file, name) : IsChoice(file, "PageSize", name);
}

// The PPD page size a "media" value names: a page size's own name, or a
// PWG or legacy media name of the same dimensions (within a point).
std::string PageSizeForMedia(ppd_file_t* file, const std::string& media) {
  if (IsPageSize(file, media)) return media;
  pwg_media_t* pwg = pwgMediaForPWG(media.c_str());
  if (!pwg) pwg = pwgMediaForLegacy(media.c_str());
  if (!pwg) return "";
  const double width = pwg->width * 72.0 / 2540.0, length = pwg->length * 72.0 / 2540.0;
  for (int i = 0; i < file->num_sizes; ++i) {
    const ppd_size_t& size = file->sizes[i];
    if (std::strcmp(size.name, "Custom") && std::fabs(size.width - width) <= 1 &&
        std::fabs(size.length - length) <= 1)
      return size.name;
  }
  return "";
}

// The InputSlot choice a PWG media-source names ("tray-1" → "Tray1").
std::string InputSlotForSource(ppd_file_t* file, const std::string& source) {
  std::string bare;
  for (char c : source)
    if (c != '-' && c != '_') bare += c;
  ppd_option_t* option = ppd::FindOption(file, "InputSlot");
  for (int i = 0; option && i < option->num_choices; ++i)
    if (!strcasecmp(option->choices[i].choice, bare.c_str())) return option->choices[i].choice;
  return "";
}

}  // namespace

std::optional<std::string> ParsePageRanges(std::string_view text) {
  std::string out;
  long after = 0;  // the last page of the range before
  bool open = false;
  text = Trim(text);
  if (text.empty()) return "";
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view part = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (part.empty() || open) return std::nullopt;
    size_t dash = part.find('-');
    auto first = Integer(Trim(part.substr(0, dash)));
    std::optional<int> last = first;
    if (dash != std::string_view::npos) {
      std::string_view tail = Trim(part.substr(dash + 1));
      open = tail.empty();
      last = open ? std::optional<int>(INT_MAX) : Integer(tail);
    }
    if (!first || !last || *first < 1 || *last < *first || *first <= after) return std::nullopt;
    after = *last;
    if (!out.empty()) out += ',';
    out += std::to_string(*first);
    if (open)
      out += '-';
    else if (*last != *first)
      out += '-' + std::to_string(*last);
  }
  return out;
}

int OrientationRequested(platform::PMOrientation orientation) {
  switch (orientation) {
    case platform::kPMLandscape:
      return 4;
    case platform::kPMReverseLandscape:
      return 5;
    case platform::kPMReversePortrait:
      return 6;
    case platform::kPMPortrait:
      break;
  }
  return 3;
}

std::optional<platform::PMOrientation> OrientationFromRequested(std::string_view value) {
  for (auto o : {platform::kPMPortrait, platform::kPMLandscape, platform::kPMReverseLandscape,
                 platform::kPMReversePortrait})
    if (Integer(value) == OrientationRequested(o)) return o;
  return std::nullopt;
}

std::string SidesForDuplex(std::string_view duplexChoice) {
  if (duplexChoice == "None") return "one-sided";
  if (duplexChoice == "DuplexNoTumble") return "two-sided-long-edge";
  if (duplexChoice == "DuplexTumble") return "two-sided-short-edge";
  return "";
}

Options DestinationOptions(const std::string& destination) {
  Options out;
  size_t slash = destination.find('/');
  std::string name = destination.substr(0, slash);
  std::string instance = slash == std::string::npos ? "" : destination.substr(slash + 1);
  cups_dest_t* dest =
      cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), instance.empty() ? nullptr : instance.c_str());
  if (!dest) return out;
  for (int i = 0; i < dest->num_options; ++i) out.emplace_back(dest->options[i].name, dest->options[i].value);
  cupsFreeDests(1, dest);
  return out;
}

DestinationDefaults ReadDestinationDefaults(ppd_file_t* file, const Options& options) {
  DestinationDefaults out;
  Options mapped;  // from the standard attributes; the PPD's own keywords win
  for (const auto& [key, value] : options) {
    if (key == "PageRegion" || key == "PageSize") {
      if (IsPageSize(file, value)) Set(&out.ppdChoices, "PageSize", value);
    } else if (IsChoice(file, key, value)) {
      Set(&out.ppdChoices, key, value);
    } else if (key == "sides") {
      for (const char* choice : {"None", "DuplexNoTumble", "DuplexTumble"})
        if (SidesForDuplex(choice) == value && IsChoice(file, "Duplex", choice))
          Set(&mapped, "Duplex", choice);
    } else if (key == "media" && file) {
      // "media" may list a size and a source ("A4,tray-1").
      for (std::string_view rest = value; !rest.empty();) {
        size_t comma = rest.find(',');
        std::string part(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (std::string size = PageSizeForMedia(file, part); !size.empty())
          Set(&mapped, "PageSize", size);
        else if (std::string slot = InputSlotForSource(file, part); !slot.empty())
          Set(&mapped, "InputSlot", slot);
      }
    } else if (key == "media-source") {
      if (std::string slot = InputSlotForSource(file, value); !slot.empty()) Set(&mapped, "InputSlot", slot);
    } else if (key == "copies") {
      if (auto n = Integer(value); n && *n >= 1 && *n <= kMaxCopies) out.print.copies = *n;
    } else if (key == "collate") {
      if (auto b = Boolean(value)) out.print.collate = *b;
    } else if (key == "multiple-document-handling") {
      if (value == "separate-documents-uncollated-copies") out.print.collate = false;
      if (value == "separate-documents-collated-copies") out.print.collate = true;
    } else if (key == "page-ranges") {
      if (auto r = ParsePageRanges(value)) out.print.pageRanges = *r;
    } else if (key == "number-up") {
      auto n = Integer(value);
      if (n && std::find(std::begin(kNumberUpChoices), std::end(kNumberUpChoices), *n) !=
                   std::end(kNumberUpChoices))
        out.print.numberUp = *n;
    } else if (key == "orientation-requested") {
      if (auto o = OrientationFromRequested(value)) out.print.orientation = *o;
    } else if (key == "landscape") {
      if (Boolean(value).value_or(true)) out.print.orientation = platform::kPMLandscape;
    } else if (key == "fit-to-page") {
      if (auto b = Boolean(value)) out.print.fitToPage = *b;
    }
  }
  for (auto& [key, value] : mapped)
    if (!Find(out.ppdChoices, key)) out.ppdChoices.emplace_back(key, value);
  return out;
}

Options JobOptionsFor(const PrintOptions& print, const Options& ticket, const std::string& paperId,
                      ppd_file_t* file) {
  Options out = ticket;
  if (!paperId.empty() && !Find(out, "PageSize")) Set(&out, file ? "PageSize" : "media", paperId);
  if (const std::string* duplex = Find(out, "Duplex"); duplex && file)
    if (std::string sides = SidesForDuplex(*duplex); !sides.empty()) Set(&out, "sides", sides);
  Set(&out, "copies", std::to_string(print.copies));
  Set(&out, "collate", print.collate ? "true" : "false");
  if (!print.pageRanges.empty()) Set(&out, "page-ranges", print.pageRanges);
  Set(&out, "number-up", std::to_string(print.numberUp));
  Set(&out, "orientation-requested", std::to_string(OrientationRequested(print.orientation)));
  Set(&out, "fit-to-page", print.fitToPage ? "true" : "false");
  return out;
}

std::optional<CustomSizeLimits> CustomLimits(ppd_file_t* file) {
  if (!file || !file->variable_sizes || !ppd::FindChoice(ppd::FindOption(file, "PageSize"), "Custom"))
    return std::nullopt;
  return CustomSizeLimits{file->custom_min[0], file->custom_min[1], file->custom_max[0], file->custom_max[1]};
}

std::vector<std::string> MarkJobChoices(ppd_file_t* file, const Options& ticket, const std::string& paperId) {
  std::vector<std::string> conflicts;
  if (!file) return conflicts;
  for (const auto& [key, value] : ticket)
    if (key != "PageSize" && key != "PageRegion" && IsChoice(file, key, value))
      ppd::MarkOption(file, key.c_str(), value.c_str());
  const std::string* named = Find(ticket, "PageSize");
  const std::string& paper = named ? *named : paperId;
  if (IsPageSize(file, paper)) ppd::MarkOption(file, "PageSize", paper.c_str());
  if (ppd::Conflicts(file) == 0) return conflicts;
  ForEachOption(file, [&](ppd_group_t&, ppd_option_t& o) {
    if (o.conflicted) conflicts.push_back(Text(file, o.text, o.keyword));
  });
  return conflicts;
}

std::vector<PpdOptionInfo> ReadPpdOptions(ppd_file_t* file, const std::vector<std::string>& keywords) {
  std::vector<PpdOptionInfo> out;
  ForEachOption(file, [&](ppd_group_t&, ppd_option_t& o) {
    if (std::find(keywords.begin(), keywords.end(), o.keyword) == keywords.end()) return;
    PpdOptionInfo info;
    info.keyword = o.keyword;
    info.text = Text(file, o.text, o.keyword);
    for (int i = 0; i < o.num_choices; ++i)
      info.choices.push_back({o.choices[i].choice, Text(file, o.choices[i].text, o.choices[i].choice)});
    const ppd_choice_t* marked = ppd::FindMarkedChoice(file, o.keyword);
    info.marked = marked ? marked->choice : o.defchoice;
    info.conflicted = o.conflicted != 0;
    out.push_back(std::move(info));
  });
  return out;
}

std::vector<std::string> UnownedPpdOptions(ppd_file_t* file, const std::vector<std::string>& owned) {
  std::vector<std::string> out;
  ForEachOption(file, [&](ppd_group_t& group, ppd_option_t& o) {
    if (!strcasecmp(group.name, "InstallableOptions")) return;
    for (const char* k : kStandardPpdKeys)
      if (!std::strcmp(o.keyword, k)) return;
    if (std::find(owned.begin(), owned.end(), o.keyword) == owned.end()) out.push_back(o.keyword);
  });
  return out;
}

}  // namespace host
