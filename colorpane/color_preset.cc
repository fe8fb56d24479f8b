#include "colorpane/color_preset.h"

#include <cstring>

#include "colorpane/pde_common.h"
#include "platform/ui/view.h"

namespace colorpane {

namespace {

constexpr CstCondition Cond(const char* id, const char* label, int32_t value, int32_t code) {
  CstCondition c{};
  for (int i = 0; id[i] && i < 31; ++i) c.identifier[i] = id[i];
  for (int i = 0; label[i] && i < 31; ++i) c.label[i] = label[i];
  c.value = value;
  c.code = code;
  return c;
}

// A rule that disables `target` while its conditions hold: one condition, or
// two joined by OR.
constexpr CstRule Rule(const char* target, CstCondition first) {
  CstRule r{};
  r.ruleKind = kCstRule;
  r.conditionCount = 1;
  r.conditions[0] = first;
  r.expressionLength = 0;
  r.expression[0] = kCstEnd;
  r.target = Cond(target, "", -1, kCstEnd);
  r.valueTarget = Cond(target, "", -1, kCstEnd);
  r.actionCount = 1;
  r.actions[0] = {kCstDisable, 0};
  return r;
}

constexpr CstRule RuleOr(const char* target, CstCondition first, CstCondition second) {
  CstRule r = Rule(target, first);
  r.conditionCount = 2;
  r.conditions[1] = second;
  r.expressionLength = 3;
  r.expression[0] = 0;
  r.expression[1] = 1;
  r.expression[2] = kCstOr;
  r.expression[3] = kCstEnd;
  return r;
}

// Rule 17 has the two-slot expression with one condition: its slot 1 stays 0.
constexpr CstRule RuleOrOne(const char* target, CstCondition first) {
  CstRule r = RuleOr(target, first, CstCondition{});
  r.conditionCount = 1;
  r.conditions[1] = CstCondition{};
  return r;
}

constexpr CstRule EndRecord() {
  CstRule r{};
  r.ruleKind = kCstTableEnd;
  r.expression[0] = kCstEnd;
  return r;
}

constexpr CstCondition kGray = Cond("ColorAsGrayCheckBox", "Checked", 1, kCstEqual);
constexpr CstCondition kEcono = Cond("EconoModeCheckBox", "Checked", 1, kCstEqual);
constexpr CstCondition kEdgeOff = Cond("EdgeTypePopup", "Off", 1, kCstEqual);

}  // namespace

const CstRule cstColorOption[] = {
    Rule("GoToAdvancedOptionsButton", Cond("QuickColorPopup", "Custom", 4, kCstNotEqual)),
    Rule("ImageRGBSourcePopup", kGray),
    RuleOr("ImageRenderIntentPopup", kGray, Cond("ImageRGBSourcePopup", "None", 1, kCstEqual)),
    RuleOr("ImageGrayTreatmentPopup", kGray, Cond("ImageDestinationProfilePopup", "Auto", 1, kCstNotEqual)),
    Rule("ImageDestinationProfilePopup", kGray),
    Rule("TextRGBSourcePopup", kGray),
    RuleOr("TextRenderIntentPopup", kGray, Cond("TextRGBSourcePopup", "None", 1, kCstEqual)),
    RuleOr("TextGrayTreatmentPopup", kGray, Cond("TextDestinationProfilePopup", "Auto", 1, kCstNotEqual)),
    Rule("TextDestinationProfilePopup", kGray),
    Rule("GraphicsRGBSourcePopup", kGray),
    RuleOr("GraphicsRenderIntentPopup", kGray, Cond("GraphicsRGBSourcePopup", "None", 1, kCstEqual)),
    RuleOr("GraphicsGrayTreatmentPopup", kGray,
           Cond("GraphicsDestinationProfilePopup", "Auto", 1, kCstNotEqual)),
    Rule("GraphicsDestinationProfilePopup", kGray),
    Rule("SimulationSourcePopup", kGray),
    RuleOr("SimulationRenderIntentPopup", kGray, Cond("SimulationSourcePopup", "None", 1, kCstEqual)),
    RuleOr("SimulationGrayTreatmentPopup", kGray, Cond("SimulationSourcePopup", "None", 1, kCstEqual)),
    RuleOr("ImageEdgeEnhancePopup", kEcono, kEdgeOff),
    RuleOrOne("TextEdgeEnhancePopup", kEdgeOff),
    RuleOr("GraphicsEdgeEnhancePopup", kEcono, kEdgeOff),
    EndRecord(),
};

namespace {

// The row whose identifier equals `id` exactly, searched up to the row before
// the first end row; nullptr when none.
const PDEControlData* FindControl(const PDEControlData* table, const char* id) {
  if (!table) return nullptr;
  size_t len = strnlen(id, sizeof(CstCondition::identifier));
  for (const PDEControlData* row = table; row->kind != kCtrlEnd; ++row) {
    if (row->identifier && strlen(row->identifier) == len && memcmp(row->identifier, id, len) == 0) return row;
  }
  return nullptr;
}

bool Compare(int32_t v, int32_t code, int32_t value) {
  switch (code) {
    case kCstEqual:
      return v == value;
    case kCstNotEqual:
      return v != value;
    case kCstLess:
      return v < value;
    case kCstGreater:
      return v > value;
    case kCstLessEqual:
    case kCstLessEqual2:
      return v <= value;
    case kCstGreaterEqual:
    case kCstGreaterEqual2:
      return v >= value;
    default:
      return false;
  }
}

void SetTargetEnabled(int rule, const PDEControlData* table, bool enabled) {
  const CstRule& r = cstColorOption[rule];
  for (int i = 0; i < r.actionCount && i < kCstMaxActions; ++i) {
    const PDEControlData* row = FindControl(table, r.target.identifier);
    if (row && r.actions[i].code == kCstDisable) {
      if (auto* control = dynamic_cast<platform::ui::Control*>(row->control)) control->setEnabled(enabled);
    }
  }
}

}  // namespace

uint8_t bMatchCondition(int rule, const PDEControlData* table) {
  const CstRule& r = cstColorOption[rule];
  uint8_t slots[kCstMaxConditions] = {};
  for (int i = 0; i < r.conditionCount && i < kCstMaxConditions; ++i) {
    const CstCondition& c = r.conditions[i];
    if (const PDEControlData* row = FindControl(table, c.identifier)) {
      int32_t v = PDECommon::commonConvertToCSTValue(row, PDECommon::commonGetControlValueWithSInt32(row));
      if (Compare(v, c.code, c.value)) slots[i] = 1;
    }
  }
  uint8_t acc = slots[0], operand = 0;
  for (int i = 0; i < kCstMaxExpression && r.expression[i] != kCstEnd; ++i) {
    int32_t code = r.expression[i];
    if (code >= 0 && code < kCstMaxConditions)
      operand = slots[code];
    else if (code == kCstAnd)
      acc = acc && operand;
    else if (code == kCstOr)
      acc = acc || operand;
    // Slot numbers past the 20 slots read as 0; other codes are skipped.
    else if (code >= kCstMaxConditions && code <= 999)
      operand = 0;
  }
  return acc;
}

void vValueChange(int rule, const PDEControlData* table) {
  const CstRule& r = cstColorOption[rule];
  const PDEControlData* row = FindControl(table, r.target.identifier);
  if (row && r.valueTarget.code == kCstValueChange)
    PDECommon::commonSetControlValueWithSInt32(*row, PDECommon::commonConvertFromCSTValue(row, r.valueTarget.value));
}

void vActOption(int rule, const PDEControlData* table) { SetTargetEnabled(rule, table, false); }

void vActReverseOption(int rule, const PDEControlData* table) { SetTargetEnabled(rule, table, true); }

void vColorPresetConstraints(const PDEControlData* table) {
  for (int rule = 0; cstColorOption[rule].ruleKind != kCstTableEnd; ++rule) {
    uint8_t r = bMatchCondition(rule, table);
    if (r == 0) {
      vActReverseOption(rule, table);
    } else if (r == 1) {
      vValueChange(rule, table);
      vActOption(rule, table);
    }
  }
}

}  // namespace colorpane
