// The fill exports on the host's Qt controls. Every item carries its object
// as item data (Qt::UserRole, a void*): a property list on a tree's group
// items, a TEventProperty on event items and combo entries.
#pragma once

#include <cstdint>

class QComboBox;
class QTreeWidget;
class TEventPropertys;
class TIntegerArray;

// Adds the three groups (test, message, warning) with tri-state check
// boxes, each group checked or not as `checked` says and expanded. The tree
// is not cleared first.
void FillEventTree(QTreeWidget& tree, TEventPropertys& store, uint8_t network, bool checked);
// Clears the combo box, adds every record's name with the record, sorted by
// name (letter case ignored) when the box inserts alphabetically, and fills
// the map from the entries' final order.
void FillEventCombo(QComboBox& combo, TIntegerArray& map, TEventPropertys& store, uint8_t network);
