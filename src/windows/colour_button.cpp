#include "windows/colour_button.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "windows/colour.h"

namespace {

QIcon swatch(int32_t colour, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(ColorFromStored(colour));
  QPainter painter(&pixmap);
  painter.setPen(Qt::darkGray);
  painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
  return QIcon(pixmap);
}

// The custom slots live as long as the library, like a colour dialog's own.
std::array<int32_t, kCustomSlots>& customSlots() {
  static std::array<int32_t, kCustomSlots> saved = [] {
    std::array<int32_t, kCustomSlots> s{};
    s.fill(kCustomSlotDefault);
    return s;
  }();
  return saved;
}

}  // namespace

TColourButton::TColourButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setIconSize(QSize(16, 12));
  SetColour(0);
  connect(this, &QPushButton::clicked, this, [this] { Palette()->popup(mapToGlobal(QPoint(0, height()))); });
}

void TColourButton::SetColour(int32_t colour) {
  colour_ = colour;
  setIcon(swatch(colour, iconSize()));
}

QMenu* TColourButton::Palette() {
  if (palette_) return palette_;
  palette_ = new QMenu(this);
  palette_->setObjectName("Palette");
  auto* panel = new QWidget(palette_);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 4, 4, 4);
  auto* grid = new QGridLayout;
  grid->setSpacing(2);
  for (int i = 0; i < static_cast<int>(kPalette.size()); ++i) {
    auto* cell = new QToolButton(panel);
    cell->setObjectName(QString("PaletteColour%1").arg(i));
    cell->setAutoRaise(true);
    cell->setIconSize(QSize(18, 18));
    cell->setIcon(swatch(kPalette[i], QSize(18, 18)));
    cell->setToolTip(ColorFromStored(kPalette[i]).name());
    const int32_t colour = kPalette[i];
    connect(cell, &QToolButton::clicked, this, [this, colour] { choose(colour); });
    grid->addWidget(cell, i / kPaletteColumns, i % kPaletteColumns);
  }
  column->addLayout(grid);
  auto* custom = new QPushButton("&Custom", panel);
  custom->setObjectName("btnCustom");
  connect(custom, &QPushButton::clicked, this, [this] { chooseCustom(); });
  column->addWidget(custom);
  auto* action = new QWidgetAction(palette_);
  action->setDefaultWidget(panel);
  palette_->addAction(action);
  return palette_;
}

void TColourButton::choose(int32_t colour) {
  if (palette_) palette_->close();
  const bool changed = colour != colour_;
  SetColour(colour);
  if (changed) emit ColourChanged(colour);
}

void TColourButton::chooseCustom() {
  if (palette_) palette_->close();
  auto& saved = customSlots();
  for (int i = 0; i < kCustomSlots; ++i) QColorDialog::setCustomColor(i, ColorFromStored(saved[i]));
  const QColor picked = QColorDialog::getColor(ColorFromStored(colour_), window(), text().remove('&'));
  for (int i = 0; i < kCustomSlots; ++i) saved[i] = StoredFromColor(QColorDialog::customColor(i));
  if (picked.isValid()) choose(StoredFromColor(picked));
}
