// The colour preset rules (cstColorOption) and their interpreter: each rule
// tests conditions on control values and disables its target while it holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "colorpane/control_table.h"

namespace colorpane {

// Codes of the rule table.
enum : int32_t {
  kCstAnd = 1003,
  kCstOr = 1004,
  kCstEqual = 1005,
  kCstNotEqual = 1006,
  kCstValueChange = 1007,
  kCstNever = 1008,
  kCstLess = 1009,
  kCstGreater = 1010,
  kCstLessEqual = 1011,
  kCstLessEqual2 = 1012,
  kCstGreaterEqual = 1013,
  kCstGreaterEqual2 = 1014,
  kCstEnd = 1017,
  kCstTableEnd = 1019,
  kCstRule = 1022,
  kCstDisable = 1027,
};

inline constexpr int kCstMaxConditions = 20;
inline constexpr int kCstMaxExpression = 40;
inline constexpr int kCstMaxActions = 4;

struct CstCondition {
  char identifier[32];  // control identifier, at most 31 characters
  char label[32];       // choice label, for readers only
  int32_t value;        // constraint value
  int32_t code;         // comparison code
};

struct CstAction {
  int32_t code;
  int32_t argument;
};

struct CstRule {
  int32_t ruleKind;
  int32_t conditionCount;
  CstCondition conditions[kCstMaxConditions];
  size_t expressionLength;
  int32_t expression[kCstMaxExpression];
  CstCondition target;
  CstCondition valueTarget;
  int32_t actionCount;
  CstAction actions[kCstMaxActions];
};

// The 19 rules and the end record.
extern const CstRule cstColorOption[];

// Runs every rule over the table (the combined table or one pane's table).
void vColorPresetConstraints(const PDEControlData* table);
uint8_t bMatchCondition(int rule, const PDEControlData* table);
void vValueChange(int rule, const PDEControlData* table);
void vActOption(int rule, const PDEControlData* table);
void vActReverseOption(int rule, const PDEControlData* table);

}  // namespace colorpane
