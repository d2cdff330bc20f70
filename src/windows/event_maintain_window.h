// TfmEventMaintain, "Configure User Events": lists the user's message and
// warning (gate) events of each chosen network and opens the editors on
// them. It works on a private copy of EventsDefine.cfg, loaded when it opens
// and handed to `save` when it is destroyed with changes. A file that could
// not be read opens read-only, with the fault shown, and is never saved.
// The window frees itself when closed. Host thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

class QDialog;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabBar;
class TAllEvents;
class TNodeItem;

class TfmEventMaintain : public QWidget {
  Q_OBJECT
 public:
  // networks: bit k = network k. `save` gets the definitions on destruction
  // when they changed and may be written; it must not throw.
  TfmEventMaintain(QWidget* owner, uint8_t readOnly, uint8_t networks, const std::string& path,
                   std::function<void(TAllEvents&)> save);
  ~TfmEventMaintain() override;

  // The buttons' actions; Edit and Delete do nothing without a selection.
  void NewEvent();
  void EditEvent();
  void DeleteEvent();
  // Opens the aliases editor on the current network's aliases (its button is
  // not shown); true when the editor was closed with OK.
  Q_INVOKABLE bool EditAliases();

  // True when the host asked for read-only or the file could not be read.
  bool IsReadOnly() const { return readOnly_ != 0; }
  // Faults of EventsDefine.cfg that made the window read-only.
  const std::vector<std::string>& LoadFaults() const { return loadFaults_; }

  QLabel* lblFault;
  QTabBar* tbcEventType;
  QTabBar* TCtrlEvents;
  QListWidget* LBoxEvents;
  QPushButton* BtnNew;
  QPushButton* BtnEdit;
  QPushButton* BtnDelete;
  QPushButton* BtnAliases;

 private:
  bool onMessages() const;
  int currentNetwork() const;  // -1 when no network tab is selected
  void fillList();
  void updateButtons();
  TNodeItem* selectedEvent() const;
  QListWidgetItem* addEntry(TNodeItem* event);
  bool runEditor(TNodeItem* event, bool message);

  uint8_t readOnly_;
  std::unique_ptr<TAllEvents> events_;
  std::vector<std::string> loadFaults_;
  std::function<void(TAllEvents&)> save_;
  QPointer<QDialog> editor_;  // the editor running, if any
};
