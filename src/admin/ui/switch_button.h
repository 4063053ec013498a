#pragma once

#include <QAbstractButton>

namespace cz {

// An on/off switch: a rounded track with a knob on the right when on. A click toggles it and
// emits clicked(checked).
class SwitchButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit SwitchButton(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {55, 30}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace cz
