#include "windows/select_color_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "windows/colour_button.h"

TFrmSelectColor::TFrmSelectColor(QWidget* owner) : QDialog(owner) {
  setObjectName("TFrmSelectColor");
  setWindowTitle("Select Color");
  setModal(true);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 10, 10, 8);
  auto* fontLabel = new QLabel("Font Color", this);
  fontLabel->setObjectName("lblFont");
  CBtnFont = new TColourButton("Font Color", this);
  CBtnFont->setObjectName("CBtnFont");
  auto* backLabel = new QLabel("BackGround", this);
  backLabel->setObjectName("lblBack");
  CBtnBack = new TColourButton("BackGround Color", this);
  CBtnBack->setObjectName("CBtnBack");
  grid->addWidget(fontLabel, 0, 0);
  grid->addWidget(CBtnFont, 0, 1);
  grid->addWidget(backLabel, 1, 0);
  grid->addWidget(CBtnBack, 1, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("Buttons");
  buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 2, 0, 1, 2);

  // Designed as 208 by 115; the layout may need a little more for the
  // platform's fonts, never less.
  resize(QSize(208, 115).expandedTo(sizeHint()));
}

bool TFrmSelectColor::Execute(int32_t& fontColor, int32_t& backColor) {
  CBtnFont->SetColour(fontColor);
  CBtnBack->SetColour(backColor);
  if (parentWidget()) move(parentWidget()->window()->geometry().center() - rect().center());
  if (exec() != QDialog::Accepted) return false;
  fontColor = CBtnFont->Colour();
  backColor = CBtnBack->Colour();
  return true;
}
