#include "windows/event_modify_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "definitions/msg_event.h"

// A placeholder until the level editor lands: OK and Cancel only.
TfmEventModify::TfmEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType)
    : QDialog(owner), readOnly_(readOnly), netType_(netType) {
  setObjectName("TfmEventModify");
  setWindowTitle("Event Maintenance");
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Cancel");
  auto* row = new QHBoxLayout(this);
  row->addWidget(ok);
  row->addWidget(cancel);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmEventModify::~TfmEventModify() = default;

bool TfmEventModify::Execute(TMsgEvent* event) {
  if (!event) return false;
  return exec() == QDialog::Accepted;
}
