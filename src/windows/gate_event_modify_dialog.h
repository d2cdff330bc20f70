// TfmGateEventModify, "Gate Event Maintenance": edits one warning (gate)
// event on a working copy that reaches the edited event only on OK and never
// when read-only. Opened modally by the maintenance window; host thread only.
// The rules (message lists, what OK stores) are in gate_event_modify_rules.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TGateEvent;
class IExpressionFilter;
struct TGateEditValues;

class TfmGateEventModify : public QDialog {
  Q_OBJECT
 public:
  // netType 0..4 lists that network's messages.
  TfmGateEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType);
  ~TfmGateEventModify() override;

  // Runs the dialog modally on `event` (owned by a TGateEventList); true when
  // it was closed with OK. False at once for no event.
  bool Execute(TGateEvent* event);

  QComboBox* cboxReport;

 private:
  void showValues(const TGateEditValues& values);
  TGateEditValues values() const;
  // The server's rejection of the expression box's text; empty when it parses.
  std::string expressionError() const;
  void checkExpression();
  void showExpressionError(const std::string& error);
  void editExpression();
  void tryAccept();

  uint8_t readOnly_;
  uint8_t netType_;
  std::unique_ptr<IExpressionFilter> server_;  // none when it cannot be created
  QCheckBox* chkFields_;
  QCheckBox* chkMessages_;
  QGroupBox* grpFields_;
  QGroupBox* grpMessages_;
  QLineEdit* edtExpression_;
  QLabel* lblExpressionError_;
  QSpinBox* seFieldDuringTime_;
  QSpinBox* seFieldTimes_;
  QComboBox* cboxLayerIIIItem1_;
  QComboBox* cboxLayerIIIItem2_;
  QSpinBox* seMsgDuringTime1_;
  TGateEvent* edited_ = nullptr;  // while Execute runs
};
