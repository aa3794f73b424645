#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include "ActionTypes.h"

// The banner along the screen side that the pointer has reached.
class GraphicFX : public QWidget {
  Q_OBJECT

 public:
  explicit GraphicFX(QWidget* parent = nullptr);
  ~GraphicFX() override;

  // The pointer space is width x height at the origin.
  void drawEffect(screenBorder side, int width, int height, bool autoHeight);
  // The pointer space is space, in Qt's units (where it lies on the desktop, as scaled by Qt).
  void drawEffect(screenBorder side, const QRect& space, bool autoHeight);

  // Readers for tests.
  int side() const { return side_; }
  bool autoHeight() const { return autoHeight_ != 0; }
  bool isDrawing() const { return drawing_ != 0; }
  QPoint sideTextPosition() const { return QPoint(textX_, textY_); }
  QPoint notePosition() const { return QPoint(noteX_, noteY_); }
  QString sideText(int side) const;
  QString noteText() const { return note_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private slots:
  void onOff();

 private:
  int drawing_ = 1;
  QList<QString> sides_;
  QString note_;
  int side_ = NoSide;
  int autoHeight_ = 0;
  int textX_ = 0;
  int textY_ = 0;
  int noteX_ = 0;
  int noteY_ = 0;
};
