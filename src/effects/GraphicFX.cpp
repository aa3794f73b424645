#include "GraphicFX.h"

#include <QFont>
#include <QPainter>
#include <QPen>

GraphicFX::GraphicFX(QWidget* parent)
    : QWidget(parent),
      sides_({"LEFT SIDE", "RIGHT SIDE", "BOTTOM SIDE", "TOP SIDE"}),
      note_("LEAP MOTION CONTROLLER AUTOMATIC INTERACTION HEIGHT IS ON") {
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_DeleteOnClose);
  // A banner must not pull the keyboard focus away from the user's window.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
}

GraphicFX::~GraphicFX() = default;

QString GraphicFX::sideText(int side) const {
  return (side >= 0 && side < sides_.size()) ? sides_[side] : QString();
}

void GraphicFX::drawEffect(screenBorder side, int width, int height, bool autoHeight) {
  drawEffect(side, QRect(0, 0, width, height), autoHeight);
}

void GraphicFX::drawEffect(screenBorder side, const QRect& space, bool autoHeight) {
  const int s = int(side);
  if (s < LeftSide || s > NoSide) return;  // not a side at all: leave the banner as it is
  side_ = s;
  autoHeight_ = autoHeight ? 1 : 0;
  const int W = space.width(), H = space.height();
  const int x0 = space.x(), y0 = space.y();
  switch (s) {
    case LeftSide:
      setGeometry(x0 + 50, y0 + 100, 50, H - 200);
      textX_ = (H - 200) / 2 - 50;
      textY_ = -25;
      break;
    case RightSide:
      setGeometry(x0 + W - 100, y0 + 100, 50, H - 200);
      textX_ = (H - 200) / 2 - 50;
      textY_ = -25;
      break;
    case BottomSide:
      setGeometry(x0 + 50, y0 + H - 150, W - 100, 50);
      textX_ = (W - 100) / 2 - 50;
      textY_ = 25;
      noteX_ = (W - 100) / 2 - 225;
      noteY_ = 45;
      break;
    case TopSide:
      setGeometry(x0 + 50, y0 + 100, W - 100, 50);
      textX_ = (W - 100) / 2 - 50;
      textY_ = 25;
      noteX_ = (W - 100) / 2 - 225;
      noteY_ = 45;
      break;
    default:
      hide();
      return;
  }
  show();
}

void GraphicFX::paintEvent(QPaintEvent*) {
  if (drawing_ == 0 || side_ < LeftSide || side_ > TopSide) return;
  QPainter painter(this);
  painter.setPen(QPen(QBrush(QColor(158, 187, 45, 255)), 4.0, Qt::SolidLine, Qt::SquareCap,
                      Qt::BevelJoin));
  painter.setFont(QFont("Arial", 16, 75, false));
  if (side_ < BottomSide) painter.rotate(90);
  painter.drawText(textX_, textY_, sides_[side_]);
  if (autoHeight_ && side_ >= BottomSide) {
    painter.setFont(QFont("Arial", 12, 75, false));
    painter.drawText(noteX_, noteY_, note_);
  }
}

void GraphicFX::onOff() {
  drawing_ = 1 - drawing_;
  repaint();
}
