// The one owner of a libplist node tree, for code that works on libplist
// directly. Freeing the root frees its whole subtree; a node handed to a
// container (plist_dict_set_item, plist_array_append_item) belongs to the
// container, so release() it first.
#pragma once

#include <memory>

namespace platform::plist {

struct NodeFree {
  void operator()(void* node) const;
};
// Holds a plist_t (kept as void* so this header needs no libplist).
using NodePtr = std::unique_ptr<void, NodeFree>;

}  // namespace platform::plist
