#include "OsxMousePointer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QtMath>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "MultiMonitor.h"
#include "ResourceDir.h"

namespace {

constexpr int kSize = 24;
constexpr int kStartX = 500;
constexpr int kStartY = 500;

// The pointer's own window: never focused, never in the way of a click, no window-manager frame.
class PointerWindow : public QWidget {
 public:
  PointerWindow()
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                             Qt::X11BypassWindowManagerHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle("Mouse Pointer Window");
    const QString dir = velmoResourceDir();
    if (!dir.isEmpty()) image_.load(dir + "/pointer.png");
    setFixedSize(kSize, kSize);
    QWidget::move(kStartX, kStartY);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawPixmap(0, 0, image_);
  }

 private:
  QPixmap image_;
};

// Root pixels to Qt's coordinates (they differ only under Qt's high-DPI scaling, where a screen
// keeps its native origin and shrinks by its scale). GUI thread.
QPoint rootToLogical(int X, int Y) {
  for (QScreen* s : QGuiApplication::screens()) {
    const QRect g = s->geometry();
    const qreal dpr = s->devicePixelRatio();
    const QRect native(g.topLeft(), QSize(qRound(g.width() * dpr), qRound(g.height() * dpr)));
    if (native.contains(X, Y) && dpr > 0) {
      return g.topLeft() + QPoint(qFloor((X - g.x()) / dpr), qFloor((Y - g.y()) / dpr));
    }
  }
  return QPoint(X, Y);
}

}  // namespace

struct OsxMousePointer::Impl {
  PointerWindow* window = nullptr;
  std::atomic<int> x{kStartX};
  std::atomic<int> y{kStartY};
  std::mutex monitorMutex;

  bool onWindowThread() const { return QThread::currentThread() == window->thread(); }

  // The window belongs to the GUI thread; calls from elsewhere wait in its queue.
  template <typename F>
  void run(F f) {
    if (onWindowThread()) {
      f(window);
    } else {
      PointerWindow* w = window;
      QMetaObject::invokeMethod(w, [w, f] { f(w); }, Qt::QueuedConnection);
    }
  }
};

OsxMousePointer::OsxMousePointer(Desktop& desktop)
    : monitor_(new MultiMonitor(desktop)), d_(new Impl) {
  d_->window = new PointerWindow;
}

OsxMousePointer::~OsxMousePointer() {
  delete monitor_;
  if (d_->onWindowThread()) {
    delete d_->window;
  } else {
    d_->window->deleteLater();
  }
  delete d_;
}

void OsxMousePointer::move(float x, float y) {
  int X, Y, mainX = 0, mainY = 0;
  {
    std::lock_guard<std::mutex> lock(d_->monitorMutex);
    // Top-left-origin form: X11 has no other.
    monitor_->Single2Multi(int(x), int(y), &X, &Y, 0);
    const QVector<QRect> displays = monitor_->displays();
    if (!displays.isEmpty()) {
      mainX = displays[0].x();
      mainY = displays[0].y();
    }
  }
  moveToRoot(X + mainX, Y + mainY);
}

void OsxMousePointer::moveToRoot(int X, int Y) {
  // A still hand must not wake the GUI thread for a move to where the window already is.
  const int oldX = d_->x.exchange(X), oldY = d_->y.exchange(Y);
  if (oldX == X && oldY == Y) return;
  d_->run([X, Y](PointerWindow* w) { w->move(rootToLogical(X, Y)); });
}

void OsxMousePointer::lastRootPosition(int* X, int* Y) const {
  *X = d_->x.load();
  *Y = d_->y.load();
}

void OsxMousePointer::hide() {
  d_->run([](PointerWindow* w) { w->hide(); });
}

void OsxMousePointer::show() {
  d_->run([](PointerWindow* w) {
    w->show();
    w->raise();
  });
}

QWidget* OsxMousePointer::window() const { return d_->window; }
