// Control descriptors and control tables of the colour panes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/object.h"

namespace colorpane {

// Control kind codes.
enum : int32_t {
  kCtrlEnd = 1032,       // end row
  kCtrlLabel = 1034,     // text label
  kCtrlPopUp = 1035,     // pop-up menu
  kCtrlCheckBox = 1036,  // check box
  kCtrlReset = 1037,     // reset control (no table uses it)
  kCtrlButton = 1039,    // push button
  kCtrlTabView = 1040,   // tab view
};

// Profile kinds of a pop-up row.
enum : int16_t { kProfileNone = 0, kProfileRGB = 1, kProfileDestination = 2, kProfileSimulation = 3 };

// One choice of a PPD option: main keyword, default choice, choice keyword,
// choice text; all decoded with the PPD's text encoding.
using ChoiceRow = std::array<std::string, 4>;
using ChoiceRows = std::vector<ChoiceRow>;

struct PDEControlData {
  platform::ui::Object* control = nullptr;  // none only in the end row
  int32_t kind = kCtrlEnd;
  const char* ppdKeyword = "";   // "" for rows bound to no PPD option
  const char* titleKey = nullptr;
  const char* summaryKey = nullptr;
  const char* identifier = "";   // name for the preset rules
  int16_t profileKind = kProfileNone;
  // Built from the PPD; shared with the combined table, whose rows are copies.
  std::shared_ptr<ChoiceRows> choiceRows;

  bool isPpdBound() const { return ppdKeyword && ppdKeyword[0] != '\0'; }
};

inline PDEControlData EndRow() { return PDEControlData{}; }

// A pane's table: rows followed by one end row.
using PDEControlTable = std::vector<PDEControlData>;

}  // namespace colorpane
