#include "eventmanager/outside/combo_box.h"

#include <QComboBox>
#include <QVariant>

namespace {

bool holds(const QVariant& data, intptr_t object) {
  if (!data.isValid()) return false;
  if (data.metaType() == QMetaType::fromType<void*>())
    return reinterpret_cast<intptr_t>(data.value<void*>()) == object;
  bool isNumber = false;
  const qlonglong number = data.toLongLong(&isNumber);
  return isNumber && number == static_cast<qlonglong>(object);
}

}  // namespace

int SyncComboBox2ByObj(QComboBox* combo, intptr_t object) {
  if (!combo) return -1;
  int found = -1;
  for (int i = 0; i < combo->count() && found < 0; ++i)
    if (holds(combo->itemData(i), object)) found = i;
  combo->setCurrentIndex(found);
  return found;
}
