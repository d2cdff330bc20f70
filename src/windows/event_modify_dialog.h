// TfmEventModify, "Event Maintenance": edits one user message-sequence event
// (name, start condition, tree of levels) on a working copy that reaches the
// edited event only on OK and never when read-only. Opened modally by the
// maintenance window; host thread only.
#pragma once

#include <cstdint>

#include <QDialog>

class TMsgEvent;

class TfmEventModify : public QDialog {
  Q_OBJECT
 public:
  // netType 0..3 names the messages through that network's decoder.
  TfmEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType);
  ~TfmEventModify() override;

  // Runs the dialog modally on `event` (owned by a TMsgEventList); true when
  // it was closed with OK. False at once for no event.
  bool Execute(TMsgEvent* event);

 private:
  uint8_t readOnly_;
  uint8_t netType_;
};
