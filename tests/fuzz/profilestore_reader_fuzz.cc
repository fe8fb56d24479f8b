// The profile file reader on arbitrary bytes: bounds, parsing, class and field
// dictionaries, and both slot readers. Counts stay in range, texts terminated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "profilestore/profile_format.h"
#include "profilestore/profile_list.h"

using namespace profilestore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlistPtr root = ParseProfileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!root) return 0;
  auto list = std::make_unique<HVProfileList>();
  for (int c = 0; c < kClassCount; ++c) {
    plist_t class_dict = CompleteClassDictionary(root.get(), c);
    if (class_dict == nullptr) continue;
    for (bool for_window : {false, true}) {
      ClearProfileList(list.get());
      FillListFromClass(class_dict, for_window, list.get());
      if (list->iNum < 0 || list->iNum > kProfileMax) std::abort();
      for (const HVProfileItem& item : list->litem) {
        if (item.FileName[kProfileTextSize - 1] != '\0' || item.ProfileName[kProfileTextSize - 1] != '\0')
          std::abort();
      }
    }
  }
  return 0;
}
