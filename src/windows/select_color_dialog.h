// TFrmSelectColor, "Select Color": the modal dialog in which the user picks
// an event's font and background colours with two colour buttons.
#pragma once

#include <cstdint>

#include <QDialog>

class TColourButton;

class TFrmSelectColor : public QDialog {
  Q_OBJECT
 public:
  explicit TFrmSelectColor(QWidget* owner = nullptr);

  // Shows the dialog modally with the two colours; true when closed with
  // OK, and then the chosen colours are in fontColor and backColor. On
  // Cancel both stay as they were.
  bool Execute(int32_t& fontColor, int32_t& backColor);

  TColourButton* CBtnFont;
  TColourButton* CBtnBack;
};
