// The process-wide call table: the layer's own entries, then open to tests that
// replace single entries.

#include "platform/table.h"

namespace platform {

const Calls& Native() { return detail::kLayerCalls; }

Calls& System() {
  static Calls active = detail::kLayerCalls;
  return active;
}

}  // namespace platform
