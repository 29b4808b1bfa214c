// The process-wide call table: built once from the platform's own entries, then
// open to tests that replace single entries.

#include "platform/table.h"

namespace platform {
namespace {

Calls Build() {
  Calls calls{};
  detail::FillModuleCalls(calls);
  detail::FillCodePageCalls(calls);
  detail::FillOutputCalls(calls);
  detail::FillFileCalls(calls);
  detail::FillStreamCalls(calls);
  return calls;
}

// Constant-initialised storage filled on first use, so the table is ready even
// for code that runs during load, before any static constructor.
const Calls& NativeTable() {
  static const Calls table = Build();
  return table;
}

}  // namespace

const Calls& Native() { return NativeTable(); }

Calls& System() {
  static Calls active = NativeTable();
  return active;
}

}  // namespace platform
