#include "windows/events_tree.h"

#include <vector>

#include <QHeaderView>
#include <QPainter>

#include "eventmanager/bitmap.h"
#include "eventmanager/event_property.h"
#include "windows/colour.h"
#include "windows/internal_events_rules.h"

using namespace internal_events;

namespace {

constexpr int RecordRole = Qt::UserRole;
constexpr int OptionRole = Qt::UserRole + 1;

}  // namespace

TEventsTree::TEventsTree(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setUniformRowHeights(true);
  header()->setStretchLastSection(true);
}

QTreeWidgetItem* TEventsTree::AddEvent(TEventProperty* record) {
  auto* row = new QTreeWidgetItem(this, EventRowType);
  row->setText(0, QString::fromStdString(record->EventName));
  row->setToolTip(0, row->text(0));  // the whole name where the column cuts it
  row->setData(0, RecordRole, QVariant::fromValue(static_cast<void*>(record)));
  row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  for (int32_t option = OptVisible; option <= OptIcon; ++option) {
    auto* child = new QTreeWidgetItem(row, OptionRowType);
    child->setText(0, QString::fromStdString(OptionText(option)));
    child->setData(0, OptionRole, option);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (OptionIsCheckable(option)) flags |= Qt::ItemIsUserCheckable;
    child->setFlags(flags);
  }
  Refresh(row);
  row->setExpanded(true);
  return row;
}

TEventProperty* TEventsTree::RecordOf(const QTreeWidgetItem* row) {
  if (!row) return nullptr;
  if (row->type() == OptionRowType) row = row->parent();
  if (!row || row->type() != EventRowType) return nullptr;
  return static_cast<TEventProperty*>(row->data(0, RecordRole).value<void*>());
}

int32_t TEventsTree::OptionOf(const QTreeWidgetItem* row) {
  return row && row->type() == OptionRowType ? row->data(0, OptionRole).toInt() : 0;
}

void TEventsTree::Refresh(QTreeWidgetItem* eventRow) {
  TEventProperty* record = RecordOf(eventRow);
  if (!record) return;
  const QBrush font(ColorFromStored(record->FontColor));
  eventRow->setForeground(0, font);
  for (int i = 0; i < eventRow->childCount(); ++i) {
    QTreeWidgetItem* child = eventRow->child(i);
    child->setForeground(0, font);
    const int32_t option = OptionOf(child);
    if (OptionIsCheckable(option))
      child->setCheckState(0, OptionSwitch(*record, option) ? Qt::Checked : Qt::Unchecked);
  }
  viewport()->update();
}

QPixmap TEventsTree::IconOf(const TBitmap* bitmap) {
  if (!bitmap || bitmap->Width <= 0 || bitmap->Height <= 0) return {};
  auto found = icons_.find(bitmap);
  if (found != icons_.end()) return *found;
  QImage image(bitmap->Width, bitmap->Height, QImage::Format_ARGB32);
  for (int y = 0; y < bitmap->Height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap->Width; ++x) {
      const uint32_t pixel = bitmap->Pixels[static_cast<size_t>(y) * bitmap->Width + x];
      line[x] = pixel == bitmap->TransparentColor ? 0u : (pixel | 0xFF000000u);
    }
  }
  return icons_.insert(bitmap, QPixmap::fromImage(image)).value();
}

int TEventsTree::groupWidth(const QTreeWidgetItem* eventRow) const {
  const QFontMetrics metrics = fontMetrics();
  std::vector<int> optionWidths;
  for (int i = 0; i < eventRow->childCount(); ++i)
    optionWidths.push_back(metrics.horizontalAdvance(eventRow->child(i)->text(0)));
  return GroupWidth(metrics.horizontalAdvance(eventRow->text(0)), optionWidths, 1, indentation());
}

void TEventsTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QTreeWidgetItem* row = itemFromIndex(index);
  const TEventProperty* record = RecordOf(row);
  if (!record) {
    QTreeWidget::drawRow(painter, option, index);
    return;
  }
  const QTreeWidgetItem* eventRow = row->type() == EventRowType ? row : row->parent();
  // The box of every row of a group has the same width, so the group reads
  // as one block in the event's colours.
  const int cellLeft = header()->sectionViewportPosition(0);
  const int cellRight = cellLeft + header()->sectionSize(0);
  const int left = cellLeft + Margin + TextMargin;
  const int right = std::min(left + groupWidth(eventRow) + 2 * TextMargin, cellRight);
  const QRect box(left, option.rect.top(), std::max(0, right - left), option.rect.height());
  painter->fillRect(box, ColorFromStored(record->BackColor));
  QTreeWidget::drawRow(painter, option, index);
  if (OptionOf(row) == OptIcon && record->Bitmap) {
    const QPixmap icon = const_cast<TEventsTree*>(this)->IconOf(record->Bitmap);
    const int side = std::min(box.height(), 16);
    painter->drawPixmap(QRect(box.topLeft(), QSize(side, side)), icon);
  }
}
