// How a results container runs its message and gate passes, chosen when it
// is made. Hosts get the defaults. The plain ways are the passes' own
// fallbacks, kept in the library for when a shortcut cannot be trusted; only
// tests and benchmarks ask for them, to hold one way against the other.
#pragma once

struct TPassOptions {
  // Offer every message to every event and apply test states by scanning the
  // whole list, as the list's code index must behave. The pass scans anyway
  // while the index cannot be trusted.
  bool PlainMessagePass = false;
  // Every gate loads the record into its own view and searches its fields,
  // as the pass did before it shared one load. The pass does so anyway once
  // a host refuses the shared load.
  bool PlainGatePass = false;
};
