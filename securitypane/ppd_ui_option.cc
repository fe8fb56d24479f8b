#include "securitypane/ppd_ui_option.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/log.h"
#include "platform/utf8.h"
#include "securitypane/plist_util.h"
#include "securitypane/text_check.h"

namespace securitypane {

namespace ppd = platform::ppd;
namespace plist = platform::plist;

namespace {

std::string DecodeText(const char* text, const ppd_file_t* ppd) {
  if (!text) return {};
  // libcups hands back UTF-8 already for almost every PPD; the decoder passes
  // that through and converts the rest. Text that is not valid in the PPD's
  // encoding has no display form.
  return ppd::Decode(text, ppd::EncodingForPpd(ppd)).value_or(std::string());
}

bool IsPaperOption(const char* keyword) {
  return !std::strcmp(keyword, "InputSlot") || !std::strcmp(keyword, "PageSize") ||
         !std::strcmp(keyword, "PageRegion");
}

// The marked-choice prefix rule: a marked "A4Small" also matches a choice "A4"
// listed after it; the later match wins.
bool MarkedMatches(const ppd_choice_t* marked, const char* choice) {
  return marked && !std::strncmp(marked->choice, choice, std::strlen(choice));
}

// The option `keyword` when its choices fit a record (1 to INT16_MAX).
ppd_option_t* FindRecordableOption(ppd_file_t* ppd, const char* keyword) {
  ppd_option_t* option = platform::ppd::FindOption(ppd, keyword);
  if (!option || option->num_choices <= 0 || option->num_choices > std::numeric_limits<int16_t>::max())
    return nullptr;
  return option;
}

// The indexes of the option's default choice (0 when none matches) and of its
// marked one (-1 when none does); the last match counts.
struct ChoiceIndexes {
  int16_t defaultIndex = 0;
  int16_t currentIndex = -1;
};
ChoiceIndexes FindChoiceIndexes(ppd_file_t* ppd, const ppd_option_t* option) {
  ChoiceIndexes at;
  const ppd_choice_t* marked = platform::ppd::FindMarkedChoice(ppd, option->keyword);
  for (int i = 0; i < option->num_choices; ++i) {
    const char* choice = option->choices[i].choice;
    if (!std::strcmp(option->defchoice, choice)) at.defaultIndex = static_cast<int16_t>(i);
    if (MarkedMatches(marked, choice)) at.currentIndex = static_cast<int16_t>(i);
  }
  return at;
}

// Bounded copy with NUL; at most `limit` bytes of text.
template <size_t N>
void CopyRaw(char (&out)[N], const char* text, size_t limit) {
  static_assert(N >= 1);
  const size_t n = text ? std::min({std::strlen(text), limit, N - 1}) : 0;
  if (n) std::memcpy(out, text, n);
  out[n] = '\0';
}

const PPDUIOptionItem* ItemAt(const PPDUIOption* r, int index) {
  if (!r || index < 0 || index >= r->itemCount || static_cast<size_t>(index) >= r->items.size())
    return nullptr;
  return &r->items[static_cast<size_t>(index)];
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
      }))
    return true;
  if (IsAscii(a) && IsAscii(b)) return false;
  const std::string sa(a), sb(b);
  return CFStringEqualTo(&sa, &sb, false);
}

ppd::TextEncoding GetCFStringEncodingFromPPD(const ppd_file_t* ppd) { return ppd::EncodingForPpd(ppd); }

std::optional<plist::Array> CreatePPDConstraintsArray(const ppd_file_t* ppd) {
  if (!ppd || ppd->num_consts <= 0 || !ppd->consts) return std::nullopt;
  plist::Array out;
  out.reserve(static_cast<size_t>(ppd->num_consts));
  for (int i = 0; i < ppd->num_consts; ++i) {
    const ppd_const_t& c = ppd->consts[i];
    const std::string_view fields[4] = {c.option1, c.choice1, c.option2, c.choice2};
    if (!std::all_of(std::begin(fields), std::end(fields), [](std::string_view f) { return IsAscii(f); }))
      continue;
    out.push_back(plist::Dict{{"option1", std::string(fields[0])},
                              {"choice1", std::string(fields[1])},
                              {"option2", std::string(fields[2])},
                              {"choice2", std::string(fields[3])}});
  }
  return out;
}

std::optional<plist::Dict> CreatePPDInstallableOptionDict(ppd_file_t* ppd) {
  if (!ppd) return std::nullopt;
  for (int g = 0; g < ppd->num_groups; ++g) {
    const ppd_group_t& group = ppd->groups[g];
    if (std::strcmp(group.name, "InstallableOptions")) continue;
    if (group.num_options <= 0) return std::nullopt;
    plist::Dict out;
    for (int o = 0; o < group.num_options; ++o) {
      const ppd_option_t& option = group.options[o];
      const ppd_choice_t* marked = ppd::FindMarkedChoice(ppd, option.keyword);
      const char* value = marked ? marked->choice : option.defchoice;
      if (!IsAscii(option.keyword) || !IsAscii(value)) continue;
      out[option.keyword] = std::string(value);
    }
    return out;
  }
  return std::nullopt;
}

bool SetupPPDUIOption(PPDUIOption* record, ppd_file_t* ppd, const char* keyword) {
  if (!record) return false;
  ppd_option_t* option = FindRecordableOption(ppd, keyword);
  if (!option) return false;

  record->items.clear();
  record->items.resize(static_cast<size_t>(option->num_choices));
  record->selfKey = option->keyword;
  record->selfAlias = DecodeText(option->text, ppd);
  record->itemCount = static_cast<int16_t>(option->num_choices);
  for (int i = 0; i < option->num_choices; ++i) {
    PPDUIOptionItem& item = record->items[static_cast<size_t>(i)];
    item.owner = record;
    item.key = option->choices[i].choice;
    item.alias = DecodeText(option->choices[i].text, ppd);
  }
  const ChoiceIndexes at = FindChoiceIndexes(ppd, option);
  record->defaultIndex = at.defaultIndex;
  record->currentIndex = at.currentIndex;

  bool result = true;
  if (record->currentIndex < 0) {
    record->currentIndex = record->defaultIndex;
    if (IsPaperOption(option->keyword)) result = false;
  }
  if (!std::strcmp(option->keyword, "PageSize")) SetupPPDPageSize(record, ppd);
  return result;
}

void ClearPPDUIOption(PPDUIOption* record) {
  if (!record) return;
  record->selfKey.clear();
  record->selfAlias.clear();
  record->items.clear();
  record->itemCount = 0;
  record->defaultIndex = 0;
  record->currentIndex = 0;
}

std::unique_ptr<PPDUIOption> CreatePPDUIOption(ppd_file_t* ppd, const char* keyword) {
  auto record = std::make_unique<PPDUIOption>();
  if (!SetupPPDUIOption(record.get(), ppd, keyword)) {
    platform::log::Writef(LOG_NOTICE, "keyword:%s is NULL", keyword ? keyword : "(null)");
    return nullptr;
  }
  return record;
}

std::unique_ptr<PPDUIOption> CreatePPDUIOptionWithCFKey(ppd_file_t* ppd, std::string_view key) {
  if (key.empty() || key.size() > kMaxKeywordBytes || !platform::IsValidUtf8(key)) return nullptr;
  const std::string keyword(key);
  return CreatePPDUIOption(ppd, keyword.c_str());
}

bool SetupPPDUIOptionTiny(PPDUIOptionTiny* record, ppd_file_t* ppd, const char* keyword) {
  if (!record) return false;
  ppd_option_t* option = FindRecordableOption(ppd, keyword);
  if (!option) return false;
  record->items.assign(static_cast<size_t>(option->num_choices), PPDUIOptionTinyItem{});
  if (!option->keyword[0] || !option->text[0]) return false;

  CopyRaw(record->keyword, option->keyword, kTinyKeywordCopy);
  CopyRaw(record->text, option->text, kTinyTextCopy);
  record->itemCount = static_cast<uint16_t>(option->num_choices);
  for (int i = 0; i < option->num_choices; ++i) {
    PPDUIOptionTinyItem& item = record->items[static_cast<size_t>(i)];
    item.owner = record;
    CopyRaw(item.keyword, option->choices[i].choice, kTinyKeywordCopy);
    CopyRaw(item.text, option->choices[i].text, kTinyTextCopy);
  }
  const ChoiceIndexes at = FindChoiceIndexes(ppd, option);
  record->defaultIndex = at.defaultIndex;
  record->currentIndex = at.currentIndex < 0 ? at.defaultIndex : at.currentIndex;
  return true;
}

void ClearPPDUIOptionTiny(PPDUIOptionTiny* record) {
  if (!record) return;
  record->items.clear();
  record->itemCount = 0;
}

bool SetupPPDPageSize(PPDUIOption* record, const ppd_file_t* ppd) {
  if (!record || !ppd || !EqualsIgnoringCase(record->selfKey, "PageSize")) return false;
  if (ppd->num_sizes != record->itemCount || record->items.size() != static_cast<size_t>(ppd->num_sizes))
    return false;
  for (int i = 0; i < ppd->num_sizes; ++i) {
    const ppd_size_t& size = ppd->sizes[i];
    auto& paper = record->items[static_cast<size_t>(i)].paper;
    if (!paper) paper = std::make_unique<PaperRecord>();
    *paper = PaperRecord{size.width, size.length, size.top, size.left, size.bottom, size.right};
  }
  return true;
}

const std::string* PPDUIOptionGetSelfKey(const PPDUIOption* r) { return r ? &r->selfKey : nullptr; }
const std::string* PPDUIOptionGetSelfAlias(const PPDUIOption* r) { return r ? &r->selfAlias : nullptr; }
int PPDUIOptionGetItemCount(const PPDUIOption* r) { return r ? r->itemCount : 0; }
int PPDUIOptionGetDefaultIndex(const PPDUIOption* r) { return r ? r->defaultIndex : -1; }

const std::string* PPDUIOptionGetDefaultKey(const PPDUIOption* r) {
  const PPDUIOptionItem* item = r ? ItemAt(r, r->defaultIndex) : nullptr;
  return item ? &item->key : nullptr;
}

const std::string* PPDUIOptionGetDefaultAlias(const PPDUIOption* r) {
  const PPDUIOptionItem* item = r ? ItemAt(r, r->defaultIndex) : nullptr;
  return item ? &item->alias : nullptr;
}

int PPDUIOptionKeyToIndex(const PPDUIOption* r, std::string_view key) {
  if (!r) return -1;
  for (int i = static_cast<int>(r->items.size()) - 1; i >= 0; --i)
    if (EqualsIgnoringCase(r->items[static_cast<size_t>(i)].key, key)) return i;
  return -1;
}

const std::string* PPDUIOptionKeyToAlias(const PPDUIOption* r, std::string_view key) {
  const PPDUIOptionItem* item = ItemAt(r, PPDUIOptionKeyToIndex(r, key));
  return item ? &item->alias : nullptr;
}

const std::string* PPDUIOptionAliasToKey(const PPDUIOption* r, std::string_view alias) {
  if (!r) return nullptr;
  for (auto it = r->items.rbegin(); it != r->items.rend(); ++it)
    if (EqualsIgnoringCase(it->alias, alias)) return &it->key;
  return nullptr;
}

const std::string* PPDUIOptionIndexToKey(const PPDUIOption* r, int index) {
  const PPDUIOptionItem* item = ItemAt(r, index);
  return item ? &item->key : nullptr;
}

const std::string* PPDUIOptionIndexToAlias(const PPDUIOption* r, int index) {
  const PPDUIOptionItem* item = ItemAt(r, index);
  return item ? &item->alias : nullptr;
}

bool PPDPaperSizeFindAdjustedPMRect(const PPDUIOption* r, const platform::PMRect& rect, int /*orientation*/,
                                    const std::string** key) {
  if (!r || r->items.empty() || !EqualsIgnoringCase(r->selfKey, "PageSize")) return false;
  const double height = static_cast<float>(std::abs(rect.bottom - rect.top));
  const double width = static_cast<float>(std::abs(rect.right - rect.left));
  for (const PPDUIOptionItem& item : r->items) {
    if (!item.paper || item.paper->width != width || item.paper->length != height) continue;
    if (key) *key = &item.key;
    return true;
  }
  return false;
}

std::optional<std::string> PDECustomGetPPDAliasItem(std::string_view option_key, std::string_view choice_key,
                                                    ppd_file_t* ppd) {
  if (option_key.size() > kMaxKeywordBytes) return std::nullopt;
  PPDUIOption record;
  const std::string keyword(option_key);
  SetupPPDUIOption(&record, ppd, keyword.c_str());  // a paper option with nothing marked still has its items
  for (const PPDUIOptionItem& item : record.items)
    if (EqualsIgnoringCase(item.key, choice_key)) return item.alias;
  return std::nullopt;
}

std::optional<std::string> PDECustomGetPPDDefaultItemByCStringKey(ppd_file_t* ppd, const char* keyword) {
  ppd_option_t* option = ppd::FindOption(ppd, keyword);
  if (!option || !IsAscii(option->defchoice)) return std::nullopt;
  return std::string(option->defchoice);
}

std::optional<std::string> PDECustomGetPPDDefaultItem(ppd_file_t* ppd, std::string_view key) {
  if (key.empty() || key.size() > kMaxKeywordBytes) return std::nullopt;
  const std::string keyword(key);
  return PDECustomGetPPDDefaultItemByCStringKey(ppd, keyword.c_str());
}

}  // namespace securitypane
