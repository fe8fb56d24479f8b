#include "platform/plist_node.h"

#include <plist/plist.h>

namespace platform::plist {

void NodeFree::operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }

}  // namespace platform::plist
