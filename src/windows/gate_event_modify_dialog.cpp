#include "windows/gate_event_modify_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "definitions/gate_event.h"

// A placeholder until the gate editor lands: the name, OK and Cancel.
TfmGateEventModify::TfmGateEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType)
    : QDialog(owner), readOnly_(readOnly), netType_(netType) {
  setObjectName("TfmGateEventModify");
  setWindowTitle("Gate Event Maintenance");
  cboxReport = new QComboBox(this);
  cboxReport->setObjectName("cboxReport");
  cboxReport->setEditable(true);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OK");
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Cancel");
  auto* row = new QHBoxLayout(this);
  row->addWidget(cboxReport);
  row->addWidget(ok);
  row->addWidget(cancel);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (!cboxReport->currentText().isEmpty()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmGateEventModify::~TfmGateEventModify() = default;

bool TfmGateEventModify::Execute(TGateEvent* event) {
  if (!event) return false;
  cboxReport->setEditText(QString::fromStdString(event->EventName));
  const bool ok = exec() == QDialog::Accepted;
  if (ok && !readOnly_) event->SetEventName(cboxReport->currentText().toStdString());
  return ok;
}
