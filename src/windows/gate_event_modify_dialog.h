// TfmGateEventModify, "Gate Event Maintenance": edits one warning (gate)
// event on a working copy that reaches the edited event only on OK and never
// when read-only. Opened modally by the maintenance window; host thread only.
#pragma once

#include <cstdint>

#include <QDialog>

class QComboBox;
class TGateEvent;

class TfmGateEventModify : public QDialog {
  Q_OBJECT
 public:
  // netType 0..3 lists that network's messages.
  TfmGateEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType);
  ~TfmGateEventModify() override;

  // Runs the dialog modally on `event` (owned by a TGateEventList); true when
  // it was closed with OK. False at once for no event.
  bool Execute(TGateEvent* event);

  QComboBox* cboxReport;

 private:
  uint8_t readOnly_;
  uint8_t netType_;
};
