// The events tree of the internal events window: event rows with their six
// option rows below, each row painted in its event's colours on a box as
// wide as the event's group of rows, and the event's icon on the "Icon" row.
#pragma once

#include <cstdint>

#include <QHash>
#include <QPixmap>
#include <QTreeWidget>

class TEventProperty;
struct TBitmap;

class TEventsTree : public QTreeWidget {
  Q_OBJECT
 public:
  // Rows carry an event's record (event rows) or an option number.
  static constexpr int EventRowType = QTreeWidgetItem::UserType + 1;
  static constexpr int OptionRowType = QTreeWidgetItem::UserType + 2;
  static constexpr int Margin = 4;      // from the cell's left edge to the box
  static constexpr int TextMargin = 4;  // inside the box, left and right

  explicit TEventsTree(QWidget* parent = nullptr);

  QTreeWidgetItem* AddEvent(TEventProperty* record);
  static TEventProperty* RecordOf(const QTreeWidgetItem* row);  // the event the row belongs to
  static int32_t OptionOf(const QTreeWidgetItem* row);         // 0 for an event row
  // Takes over the record's colours (and the option rows' check states).
  void Refresh(QTreeWidgetItem* eventRow);
  QPixmap IconOf(const TBitmap* bitmap);

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int groupWidth(const QTreeWidgetItem* eventRow) const;

  QHash<const TBitmap*, QPixmap> icons_;
};
