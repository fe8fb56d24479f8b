#include "securitypane/ui_constraints.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "securitypane/control_data.h"
#include "securitypane/paper_query.h"
#include "securitypane/pde_core.h"
#include "securitypane/ppd_ticket.h"

namespace securitypane {

namespace {

constexpr int32_t kPrintModeRelated[] = {450};
constexpr UIConstraintsRelatedList kPrintModeRelatedList = {1, kPrintModeRelated};

// A keyword field of the PPD's layout, read within its 41 bytes.
std::string_view Field(const char (&field)[kConstraintKeywordSize]) {
  return std::string_view(field, strnlen(field, kConstraintKeywordSize));
}

// Values of first options seen during one evaluation, newest first.
class ValueCache {
 public:
  const std::string* find(std::string_view option) const {
    for (const auto& [key, value] : entries_)
      if (key == option) return &value;
    return nullptr;
  }
  // A selection the evaluation moved replaces what was read before.
  void update(std::string_view option, const std::string& value) {
    for (auto& [key, cached] : entries_)
      if (key == option) cached = value;
  }
  const std::string& add(std::string_view option, std::string value) {
    entries_.insert(entries_.begin(), {std::string(option), std::move(value)});
    return entries_.front().second;
  }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// The first option's current choice: cached, else the print settings, else
// (for "PageSize") the document's paper, else the PPD's marked or default.
std::string CurrentChoice(std::string_view option, const PPDUIOption& record, ValueCache* cache,
                          HVPDESession* session) {
  if (const std::string* cached = cache->find(option)) return *cached;
  std::string value;
  if (PDECustomGetJobTicketPPDDict(session, option, &value) == platform::noErr)
    return cache->add(option, std::move(value));
  if (option == "PageSize") {
    int created = 0;
    if (auto paper = GetPaperNameByStandardTicketArgument(&created, session))
      return cache->add(option, std::move(*paper));
  }
  const std::string* current = PPDUIOptionIndexToKey(&record, record.currentIndex);
  return current ? *current : std::string();
}

// An empty first choice stands for any choice that turns the option on, as
// the PPD format defines it.
bool Fires(std::string_view constraint_choice, const std::string& current) {
  if (!constraint_choice.empty()) return current == constraint_choice;
  return !current.empty() && current != "None" && current != "False" && current != "Off";
}

// Applies a firing constraint to a control; true when it moved a forbidden
// selection (and wrote the new one).
bool ApplyFiringConstraint(PDEControlData* r, ppd_file_t* ppd, const PPDConstraint& c, HVPDESession* session);

// One pass over the pane list; true when a selection was moved.
bool UpdateUIConstraintsPPDImplementArgument(const PPDConstraint* list, int32_t count,
                                             PDEControlDataTable* table, ValueCache* cache,
                                             HVPDESession* session) {
  ppd_file_t* ppd = nullptr;
  GetPPDReference(session, &ppd);
  if (!ppd || !list) return false;
  bool moved = false;
  for (int32_t i = 0; i < count; ++i) {
    const PPDConstraint& c = list[i];
    const std::string option1(Field(c.option1));
    PPDUIOption record;
    SetupPPDUIOption(&record, ppd, option1.c_str());
    if (record.items.empty()) continue;
    if (!Fires(Field(c.choice1), CurrentChoice(option1, record, cache, session))) continue;
    const std::string_view option2 = Field(c.option2);
    for (PDEControlData& r : table->records) {
      if (r.kind == kCtlStaticText || r.key != option2) continue;
      if (ApplyFiringConstraint(&r, ppd, c, session)) {
        moved = true;
        std::string now;
        if (PDECustomGetJobTicketPPDDict(session, r.key, &now) == platform::noErr) cache->update(r.key, now);
      }
      break;
    }
  }
  return moved;
}

}  // namespace

const UIConstraintsKeyEntry SetupPPDKeyTableSecurity[kSecurityKeyTableEntries + 1] = {
    {"PrintModeVN420P", 400, &kPrintModeRelatedList},
    {"HVAuthenticationVN420P", 401, nullptr},
    {"HVSectionManagementVN420P", 402, nullptr},
    {"", 0, nullptr},
};

OSStatus UIConstraintsPPDInitializeArgument(const ppd_file_t* ppd, UIConstraintsPPDState* state) {
  if (!ppd || !state) return platform::paramErr;
  state->constraints.clear();
  state->count = 0;
  if (ppd->num_consts <= 0 || !ppd->consts) return platform::noErr;
  state->constraints.assign(ppd->consts, ppd->consts + ppd->num_consts);
  state->count = ppd->num_consts;
  return platform::noErr;
}

OSStatus UIConstraintsPPDFinalize(UIConstraintsPPDState* state) {
  if (!state) return platform::paramErr;
  state->constraints.clear();
  state->constraints.shrink_to_fit();
  state->count = 0;
  return platform::noErr;
}

const PPDConstraint* CreateUIConstrainstPPDListForEveryUserPaneArgument(
    const UIConstraintsKeyEntry* key_table, int32_t* count, UIConstraintsPPDState* state) {
  if (!key_table || !count || !state) return nullptr;
  const size_t considered = std::min({static_cast<size_t>(std::max(state->count, 0)),
                                      state->constraints.size(), static_cast<size_t>(kMaxPPDConstraints)});
  std::vector<char> marked(considered, 0);
  for (const UIConstraintsKeyEntry* e = key_table; e->keyword[0]; ++e) {
    const std::string_view keyword = Field(e->keyword);
    for (size_t i = 0; i < considered; ++i) {
      const PPDConstraint& c = state->constraints[i];
      if (keyword == Field(c.option1) || keyword == Field(c.option2)) marked[i] = 1;
    }
  }
  UIConstraintsPaneListNode& node = state->paneLists.emplace_back();
  ++state->paneListCount;
  for (size_t i = 0; i < considered; ++i)
    if (marked[i]) node.constraints.push_back(state->constraints[i]);
  *count = static_cast<int32_t>(node.constraints.size());
  return node.constraints.data();
}

void ReleaseUIConstrainstPPDListForEveryUserPaneArgument(UIConstraintsPPDState* state) {
  if (!state) return;
  state->paneLists.clear();
  state->paneListCount = 0;
}

OSStatus UpdateUIConstraintsPPDArgument(const PPDConstraint* list, int32_t count,
                                        const UIConstraintsKeyEntry* key_table, int32_t key_table_entries,
                                        PDEControlDataTable* table, HVPDESession* session) {
  if (!table || !session || (count > 0 && !list)) return platform::paramErr;
  // A moved selection can lift a constraint that fired earlier in the pass;
  // evaluate again from a fully enabled state until nothing moves.
  for (int round = 0; round < kMaxEvaluationRounds; ++round) {
    if (round > 0) mEnableALL(table);
    ValueCache cache;
    if (!UpdateUIConstraintsPPDImplementArgument(list, count, table, &cache, session)) break;
  }
  for (PDEControlData& r : table->records) {
    if (r.kind == kCtlStaticText) continue;
    vDisableBody(&r);
    UIConstraintsPPDDisableRelatedControl(table, &r, key_table, key_table_entries);
  }
  return platform::noErr;
}

void UIConstraintsPPDDisableSingleControlOrItemArgument(PDEControlData* r, ppd_file_t* ppd,
                                                        const PPDConstraint& c, HVPDESession* session) {
  ApplyFiringConstraint(r, ppd, c, session);
}

namespace {

bool ApplyFiringConstraint(PDEControlData* r, ppd_file_t* ppd, const PPDConstraint& c,
                           HVPDESession* session) {
  if (!r || r->kind == kCtlIcon) return false;
  if (r->kind != kCtlCheckBox && r->kind != kCtlPopUp && r->kind != kCtlRadioGroup) {
    PDEControlDataSetEnabled(r, false);
    return false;
  }
  const std::string_view choice2 = Field(c.choice2);
  if (choice2.empty()) {
    PDEControlDataSetEnabled(r, false);
    return false;
  }
  bool moved = false;
  auto record = CreatePPDUIOptionWithCFKey(ppd, r->key);
  int forbidden = -1;
  if (record)
    for (size_t i = 0; i < record->items.size() && forbidden < 0; ++i)
      if (record->items[i].key == choice2) forbidden = static_cast<int>(i);
  if (forbidden >= 0) {
    PDEControlDataItemSetEnabled(r, forbidden + 1, false);
    std::string selected;
    if (PDECustomGetJobTicketPPDDict(session, r->key, &selected) == platform::noErr && selected == choice2) {
      if (r->kind == kCtlCheckBox) {
        // Move to the state that stands for the other choice.
        const int forbidden_state =
            CheckBoxStateForIndex(r->ppdInfo ? r->ppdInfo.get() : record.get(), forbidden);
        if (auto* box = dynamic_cast<platform::ui::Button*>(r->control))
          box->setState(forbidden_state ? 0 : 1);
      } else {
        const int items = PDEControlDataItemGetCount(r);
        int target = 0;
        for (int item = 1; item <= items && !target; ++item)
          if (PDEControlDataItemIsEnabled(r, item)) target = item;
        PDEControlDataSetIntValue(r, target ? target : 1, false);
        if (!target) PDEControlDataSetEnabled(r, false);
      }
      PDECustomSetJobTicketWithArgument(r, session);
      moved = true;
    }
  }
  if (r->kind == kCtlCheckBox) PDEControlDataSetEnabled(r, false);
  return moved;
}

}  // namespace

void vDisableBody(PDEControlData* r) {
  const int items = PDEControlDataItemGetCount(r);
  if (items <= 0) return;
  int enabled = 0;
  for (int item = 1; item <= items; ++item) enabled += PDEControlDataItemIsEnabled(r, item) ? 1 : 0;
  if (enabled == 1) PDEControlDataSetEnabled(r, false);
}

void UIConstraintsPPDDisableRelatedControl(PDEControlDataTable* table, PDEControlData* r,
                                           const UIConstraintsKeyEntry* key_table,
                                           int32_t key_table_entries) {
  if (!r || !key_table || PDEControlDataIsEnabled(r)) return;
  for (int32_t i = 0; i < key_table_entries && key_table[i].keyword[0]; ++i) {
    const UIConstraintsKeyEntry& e = key_table[i];
    if (e.controlID != r->id) continue;
    if (!e.related || !e.related->ids) return;
    const int32_t n = std::clamp(e.related->count, 0, kMaxRelatedControls);
    for (int32_t k = 0; k < n; ++k)
      PDEControlDataSetEnabled(PDEControlDataGetByID(table, e.related->ids[k]), false);
    return;
  }
}

}  // namespace securitypane
