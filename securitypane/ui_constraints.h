// The UI constraints engine: a private copy of the PPD's constraints, the
// constraints that concern each pane (in the order the panes registered),
// and the evaluation that, on every refresh, removes forbidden items from the
// pane's controls, moves forbidden selections to allowed ones (writing them
// back to the print settings and the PPD) and disables controls that lost
// their meaning together with their related labels.
//
// Bounds: at most kMaxPPDConstraints constraints are considered; keywords are
// compared within the PPD's 41-byte fields; at most kMaxRelatedControls
// related ids are used per key table entry.
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <list>
#include <vector>

#include "platform/status.h"

namespace securitypane {

using platform::OSStatus;

struct HVPDESession;
struct PDEControlData;
struct PDEControlDataTable;

inline constexpr int kMaxPPDConstraints = 8192;
inline constexpr int kMaxRelatedControls = 16;
inline constexpr size_t kConstraintKeywordSize = PPD_MAX_NAME;  // 41 with the NUL
// Passes of one evaluation when moved selections keep lifting constraints.
inline constexpr int kMaxEvaluationRounds = 4;

// The PPD's own constraint layout, copied unchanged.
using PPDConstraint = ppd_const_t;

struct UIConstraintsRelatedList {
  int32_t count;
  const int32_t* ids;
};

// One entry of a pane's constraint key table; the table ends at an entry
// whose keyword is empty.
struct UIConstraintsKeyEntry {
  char keyword[kConstraintKeywordSize];
  int32_t controlID;
  const UIConstraintsRelatedList* related;  // nullptr: none
};

// The Security pane's table: print mode (400, with its label 450),
// authentication (401), section management (402), then the terminator.
inline constexpr int kSecurityKeyTableEntries = 3;
extern const UIConstraintsKeyEntry SetupPPDKeyTableSecurity[kSecurityKeyTableEntries + 1];

struct UIConstraintsPaneListNode {
  std::vector<PPDConstraint> constraints;
};

// Engine state, held in the core context.
struct UIConstraintsPPDState {
  int32_t count = 0;
  std::vector<PPDConstraint> constraints;
  int32_t paneListCount = 0;
  std::list<UIConstraintsPaneListNode> paneLists;  // registration order
};

// Copies the PPD's constraints; paramErr for a missing argument.
OSStatus UIConstraintsPPDInitializeArgument(const ppd_file_t* ppd, UIConstraintsPPDState* state);
OSStatus UIConstraintsPPDFinalize(UIConstraintsPPDState* state);

// Picks out the constraints whose first or second option is a keyword of the
// key table (of the first kMaxPPDConstraints), in PPD order, into a new list
// appended to the state. Answers the list (owned by the state, valid until
// the release) and its length in *count; nullptr for missing arguments.
// Spelled as the design spells it (not a typo to fix).
const PPDConstraint* CreateUIConstrainstPPDListForEveryUserPaneArgument(
    const UIConstraintsKeyEntry* key_table, int32_t* count, UIConstraintsPPDState* state);
// Frees the state's pane lists.
void ReleaseUIConstrainstPPDListForEveryUserPaneArgument(UIConstraintsPPDState* state);

// One evaluation over the pane list. Controls are expected fully enabled
// (mEnableALL) before it runs. When a pass moves a forbidden selection, the
// pass runs again from a fully enabled state (at most kMaxEvaluationRounds),
// so a constraint that fired on the old selection no longer holds.
OSStatus UpdateUIConstraintsPPDArgument(const PPDConstraint* list, int32_t count,
                                        const UIConstraintsKeyEntry* key_table, int32_t key_table_entries,
                                        PDEControlDataTable* table, HVPDESession* session);

// Pieces of an evaluation, exposed for tests.
void UIConstraintsPPDDisableSingleControlOrItemArgument(PDEControlData* record, ppd_file_t* ppd,
                                                        const PPDConstraint& constraint,
                                                        HVPDESession* session);
void vDisableBody(PDEControlData* record);
void UIConstraintsPPDDisableRelatedControl(PDEControlDataTable* table, PDEControlData* record,
                                           const UIConstraintsKeyEntry* key_table, int32_t key_table_entries);

}  // namespace securitypane
