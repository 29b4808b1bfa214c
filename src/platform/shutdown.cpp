// The module's shut-down list, the same on every platform: a table of actions
// from the runtime library's heap, grown by the table's RegisterExitAction. It
// sits below everything in the module that registers with it.

#include "platform/platform.h"

namespace platform {
namespace {

// [start, end) inside the table. The registration service grows (and may move)
// the table; both bounds always come back from it.
ExitAction* listStart = nullptr;
ExitAction* listEnd = nullptr;

}  // namespace

bool OpenShutdownList() {
  listStart = static_cast<ExitAction*>(System().Allocate(kShutdownListEntries * sizeof(ExitAction)));
  listEnd = listStart;
  return listStart != nullptr;
}

bool ShutdownListOpen() { return listStart != nullptr; }

int RegisterShutdownAction(ExitAction action) {
  return System().RegisterExitAction(action, &listStart, &listEnd) != nullptr ? 0 : -1;
}

void RunShutdownActions() {
  for (ExitAction* entry = listEnd; entry != listStart;) {
    --entry;
    if (*entry != nullptr) (*entry)();
  }
}

void CloseShutdownList() {
  if (listStart == nullptr) return;
  System().Release(listStart);
  listStart = nullptr;
  listEnd = nullptr;
}

}  // namespace platform
