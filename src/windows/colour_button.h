// TColourButton: a push button that shows its colour beside its caption and,
// when pressed, drops down the palette (4 by 5) and a "&Custom" button for a
// free choice with 16 custom slots. Holds a stored colour (see colour.h).
#pragma once

#include <cstdint>

#include <QPushButton>

class QMenu;

class TColourButton : public QPushButton {
  Q_OBJECT
 public:
  TColourButton(const QString& caption, QWidget* parent = nullptr);

  int32_t Colour() const { return colour_; }
  void SetColour(int32_t colour);
  // The drop-down with the palette; built on first use.
  QMenu* Palette();

 signals:
  void ColourChanged(int32_t colour);

 private:
  void choose(int32_t colour);
  void chooseCustom();

  int32_t colour_ = 0;
  QMenu* palette_ = nullptr;
};
