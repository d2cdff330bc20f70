// Joins the user's definitions to their display-property records: every
// level, gate and test event of a TAllEvents is pointed at the record of its
// name in the property registry (created when missing), and records nothing
// uses can be dropped. Host thread only; the registry owns the records.
#pragma once

class TAllEvents;
class TEventPropertys;

// Links every definition of every network; with `prune`, records nothing
// uses are deleted and the rest renumbered. A missing registry does nothing.
void LinkAllProperties(TAllEvents& events, TEventPropertys* registry, bool prune);

// The same with pruning, but a network's message or warning records are
// pruned only when the last LoadFromFile read that network's element in
// full: the records of definitions that are missing or failed to load stay,
// so that the next save of the registry does not lose them.
void LinkAllPropertiesPruningRead(TAllEvents& events, TEventPropertys* registry);
