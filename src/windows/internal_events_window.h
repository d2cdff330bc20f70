// TFrmInternalEvents, "Internal Event Manage": shows the display-property
// records of the chosen networks and lets the user change them in place
// (switches, colours, icon). Every change goes straight into the shared
// records; the store is saved when the window is destroyed with changes.
// The rules live in internal_events_rules.h; this unit only wires widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QPoint>
#include <QWidget>

#include "windows/internal_events_rules.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;
class TEventsTree;

class TFrmInternalEvents : public QWidget {
  Q_OBJECT
 public:
  // networks: bit k = network k. save runs on destruction when the store
  // reports a change; it must not throw.
  TFrmInternalEvents(QWidget* owner, uint8_t networks, TEventPropertys& store, std::function<void()> save);
  ~TFrmInternalEvents() override;

  // Runs action 5 to 8 on the event of `row` (an event row or an option row).
  void RunAction(int32_t action, QTreeWidgetItem* row);
  // The search behind the find button.
  void Find();

  QLineEdit* edtEventName;
  QPushButton* btnFind;
  QTreeWidget* VSTEventsRoot;
  TEventsTree* VSTEvents;
  QStatusBar* SBarState;
  QMenu* PMenu;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillCategories();
  void categoryChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
  void fillEvents(TEventPropertyList* list);
  void rowChanged(QTreeWidgetItem* row, int column);
  void rowDoubleClicked(QTreeWidgetItem* row);
  void showMenu(const QPoint& at);
  void chooseColors(TEventProperty& record);
  void chooseIcon(TEventProperty& record);
  void refreshGroup(QTreeWidgetItem* eventRow);

  uint8_t networks_;
  TEventPropertys& store_;
  std::function<void()> save_;
  QPoint lastMouse_;
  internal_events::EventSearch search_;
  bool filling_ = false;
};
