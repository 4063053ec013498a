#include "admin/ui/switch_button.h"

#include <QPainter>

namespace cz {

SwitchButton::SwitchButton(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setCursor(Qt::PointingHandCursor);
}

void SwitchButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF track = QRectF(rect()).adjusted(2, 5, -2, -5);
  const qreal radius = track.height() / 2;
  p.setPen(Qt::NoPen);
  p.setBrush(isChecked() ? QColor(47, 123, 216) : QColor(190, 194, 200));
  p.drawRoundedRect(track, radius, radius);
  const qreal knob = track.height() - 4;
  const qreal x = isChecked() ? track.right() - knob - 2 : track.left() + 2;
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
  if (hasFocus()) {
    p.setPen(QPen(QColor(47, 123, 216, 120), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius, radius);
  }
}

}  // namespace cz
