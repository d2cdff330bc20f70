#include "windows/fill_controls.h"

#include <algorithm>

#include <QComboBox>
#include <QTreeWidget>

#include "properties/event_propertys.h"
#include "windows/event_fill.h"

namespace {

QVariant objectData(void* object) { return QVariant::fromValue(object); }

// Batches the updates of a control and puts its previous state back.
class UpdateBatch {
 public:
  explicit UpdateBatch(QWidget& widget) : widget_(widget), enabled_(widget.updatesEnabled()) {
    widget_.setUpdatesEnabled(false);
  }
  ~UpdateBatch() { widget_.setUpdatesEnabled(enabled_); }

 private:
  QWidget& widget_;
  bool enabled_;
};

bool lessByName(const TEventProperty* a, const TEventProperty* b) {
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  return std::lexicographical_compare(a->EventName.begin(), a->EventName.end(), b->EventName.begin(),
                                      b->EventName.end(),
                                      [&](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

void FillEventTree(QTreeWidget& tree, TEventPropertys& store, uint8_t network, bool checked) {
  const std::vector<TEventPropertyList*> groups = event_fill::Groups(store, network);
  UpdateBatch batch(tree);
  for (TEventPropertyList* list : groups) {
    auto* group = new QTreeWidgetItem(&tree);
    group->setText(0, QString::fromStdString(list->Name));
    group->setData(0, Qt::UserRole, objectData(list));
    group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
    for (int i = 0; i < list->Count(); ++i) {
      TActEventProperty* record = list->Items(i);
      auto* item = new QTreeWidgetItem(group);
      item->setText(0, QString::fromStdString(record->EventName));
      item->setData(0, Qt::UserRole, objectData(static_cast<TEventProperty*>(record)));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(0, Qt::Unchecked);
    }
    // An auto-tristate group passes its state on to its items.
    group->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    group->setExpanded(true);
  }
}

void FillEventCombo(QComboBox& combo, TIntegerArray& map, TEventPropertys& store, uint8_t network) {
  std::vector<TEventProperty*> entries = event_fill::Entries(store, network);
  combo.clear();
  if (combo.insertPolicy() == QComboBox::InsertAlphabetically)
    std::stable_sort(entries.begin(), entries.end(), lessByName);
  {
    UpdateBatch batch(combo);
    for (TEventProperty* record : entries) combo.addItem(QString::fromStdString(record->EventName), objectData(record));
  }
  // The map follows the box's final order, whatever sorted it.
  std::vector<TEventProperty*> finalOrder;
  finalOrder.reserve(static_cast<size_t>(combo.count()));
  for (int i = 0; i < combo.count(); ++i)
    finalOrder.push_back(static_cast<TEventProperty*>(combo.itemData(i).value<void*>()));
  event_fill::FillMap(map, store, network, finalOrder);
}
