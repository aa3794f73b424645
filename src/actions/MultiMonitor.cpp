#include "MultiMonitor.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <mutex>

#include "Desktop.h"

namespace {

// The screens Qt reports, primary first. QScreen belongs to the GUI thread, so the GUI thread
// copies them here on every screen change and any thread reads the copy.
struct ScreenCache {
  std::mutex mutex;
  QVector<QRect> rects;
  bool mirrored = false;
  bool valid = false;
  bool overridden = false;  // fixed by setScreens
  bool watching = false;
  bool watchRequested = false;
};

ScreenCache& cache() {
  static ScreenCache c;
  return c;
}

// The table of the most recent enumeration by any MultiMonitor.
std::mutex gTableMutex;
int m_MonitorCoordinates[MultiMonitor::kMaxDisplays][4];
int m_monitor_counter = 0;
bool gTableInitialised = false;

void clearTableLocked() {
  for (auto& e : m_MonitorCoordinates) std::fill(e, e + 4, -1);
  m_monitor_counter = 0;
  gTableInitialised = true;
}

QGuiApplication* guiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()); }

bool onGuiThread() {
  QGuiApplication* app = guiApp();
  return app && QThread::currentThread() == app->thread();
}

// X root pixels. With Qt's high-DPI scaling a screen keeps its native origin and its size is
// divided by the scale factor.
QRect nativeGeometry(QScreen* s) {
  const QRect g = s->geometry();
  const qreal dpr = s->devicePixelRatio();
  return QRect(g.topLeft(), QSize(qRound(g.width() * dpr), qRound(g.height() * dpr)));
}

// GUI thread only.
void refreshFromQt() {
  QGuiApplication* app = guiApp();
  if (!app) return;
  QVector<QRect> rects;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) rects.append(nativeGeometry(primary));
  for (QScreen* s : QGuiApplication::screens()) {
    if (s != primary) rects.append(nativeGeometry(s));
  }
  ScreenCache& c = cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.overridden) return;
  c.rects = rects;
  c.mirrored = MultiMonitor::isMirrored(rects);
  c.valid = true;
}

// GUI thread only: follow screens coming, going and changing, and take the current list.
void watchScreens() {
  QGuiApplication* app = guiApp();
  if (!app) return;
  bool alreadyWatching = false;
  {
    ScreenCache& c = cache();
    std::lock_guard<std::mutex> lock(c.mutex);
    alreadyWatching = c.watching;
    c.watching = true;
  }
  if (!alreadyWatching) {
    auto follow = [app](QScreen* s) {
      QObject::connect(s, &QScreen::geometryChanged, app, [] { refreshFromQt(); });
    };
    for (QScreen* s : QGuiApplication::screens()) follow(s);
    QObject::connect(app, &QGuiApplication::screenAdded, app, [follow](QScreen* s) {
      follow(s);
      refreshFromQt();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, app, [] { refreshFromQt(); });
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, app, [] { refreshFromQt(); });
  }
  refreshFromQt();
}

// The current screen list for any thread; desktop, when given, stands in until Qt's are known.
QVector<QRect> currentScreens(Desktop* desktop, bool* mirrored) {
  ScreenCache& c = cache();
  bool needWatch = false;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.overridden || c.valid) {
      *mirrored = c.mirrored;
      return c.rects;
    }
    if (!c.watchRequested) needWatch = true;
    c.watchRequested = true;
  }
  if (guiApp()) {
    if (onGuiThread()) {
      watchScreens();
      std::lock_guard<std::mutex> lock(c.mutex);
      *mirrored = c.mirrored;
      return c.rects;
    }
    if (needWatch) QMetaObject::invokeMethod(guiApp(), [] { watchScreens(); }, Qt::QueuedConnection);
  }
  // Until the GUI thread has looked (or without a GUI at all), the X root window is the desktop.
  *mirrored = false;
  int w = 0, h = 0;
  if (desktop && desktop->rootSize(&w, &h) && w > 0 && h > 0) return {QRect(0, 0, w, h)};
  return {};
}

// The root-pixel point p in Qt's units, through the screen that holds the pixel at (the nearest
// one when none does). Qt keeps a screen's origin in root pixels and scales from there.
QPoint qtPoint(QPoint p, QPoint at) {
  QScreen* best = nullptr;
  qint64 bestDistance = -1;
  for (QScreen* s : QGuiApplication::screens()) {
    const QRect n = nativeGeometry(s);
    const qint64 dx = std::max({n.left() - at.x(), 0, at.x() - n.right()});
    const qint64 dy = std::max({n.top() - at.y(), 0, at.y() - n.bottom()});
    const qint64 distance = dx * dx + dy * dy;
    if (best == nullptr || distance < bestDistance) {
      best = s;
      bestDistance = distance;
    }
  }
  if (best == nullptr) return p;
  const QPoint o = best->geometry().topLeft();
  const qreal dpr = best->devicePixelRatio() > 0 ? best->devicePixelRatio() : 1.0;
  return QPoint(o.x() + qRound((p.x() - o.x()) / dpr), o.y() + qRound((p.y() - o.y()) / dpr));
}

}  // namespace

QRect MultiMonitor::mainDisplay() {
  bool mirrored = false;
  const QVector<QRect> rects = currentScreens(nullptr, &mirrored);
  return rects.isEmpty() ? QRect() : rects[0];
}

QRect MultiMonitor::toQtUnits(const QRect& root) {
  if (guiApp() == nullptr || root.isEmpty()) return root;
  const QPoint topLeft = qtPoint(root.topLeft(), root.topLeft());
  const QPoint end = qtPoint(QPoint(root.x() + root.width(), root.y() + root.height()), root.bottomRight());
  return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
}

MultiMonitor::Layout MultiMonitor::computeLayout(const QVector<QRect>& displays, bool mirrored) {
  Layout l;
  const int n = std::min<int>(displays.size(), kMaxDisplays);
  for (int i = 0; i < n; ++i) {
    const QRect& r = displays[i];
    l.right = std::max(l.right, r.x() + r.width());
    l.left = std::min(l.left, r.x());
    l.bottom = std::max(l.bottom, r.y() + r.height());
    l.top = std::min(l.top, r.y());
  }
  l.width = l.right - l.left;
  l.height = l.bottom - l.top;
  if (mirrored && n > 0) {
    int widest = -1;
    for (int i = 0; i < n; ++i) widest = std::max(widest, displays[i].width());
    l.width = widest;
  }
  return l;
}

void MultiMonitor::single2Multi(const QVector<QRect>& displays, int x, int y, int* X, int* Y,
                                int flip) {
  const Layout l = computeLayout(displays, false);
  const int x0 = displays.isEmpty() ? -1 : displays[0].x();
  const int y0 = displays.isEmpty() ? -1 : displays[0].y();
  const int h0 = displays.isEmpty() ? -1 : displays[0].height();
  *X = x + l.left - x0;
  if (flip == 1) {
    *Y = y + y0 + h0 - l.bottom;
  } else {
    *Y = y + l.top - y0;
  }
}

bool MultiMonitor::isMirrored(const QVector<QRect>& displays) {
  for (int i = 1; i < displays.size(); ++i) {
    if (displays[i].topLeft() == displays[0].topLeft()) return true;
  }
  return false;
}

MultiMonitor::MultiMonitor(Desktop& desktop) : desktop_(desktop) {
  {
    std::lock_guard<std::mutex> lock(gTableMutex);
    clearTableLocked();
  }
  EnumMonitor();
}

MultiMonitor::~MultiMonitor() = default;

void MultiMonitor::EnumMonitor() {
  bool mirrored = false;
  QVector<QRect> rects = currentScreens(&desktop_, &mirrored);
  if (rects.size() > kMaxDisplays) rects.resize(kMaxDisplays);
  {
    std::lock_guard<std::mutex> lock(gTableMutex);
    clearTableLocked();
    for (int i = 0; i < rects.size(); ++i) {
      m_MonitorCoordinates[i][0] = rects[i].x();
      m_MonitorCoordinates[i][1] = rects[i].y();
      m_MonitorCoordinates[i][2] = rects[i].width();
      m_MonitorCoordinates[i][3] = rects[i].height();
    }
    m_monitor_counter = rects.size();
  }
  displays_ = rects;
  layout_ = computeLayout(rects, mirrored);
  width_ = layout_.width;
  height_ = layout_.height;
}

int MultiMonitor::GetMonitorCount() const {
  std::lock_guard<std::mutex> lock(gTableMutex);
  return m_monitor_counter;
}

MultiMonitor::DisplayId MultiMonitor::GetActiveDisp(int i) const {
  if (i < 0 || i >= GetMonitorCount() || i >= displays_.size()) return kNoDisplay;
  return DisplayId(i);
}

void MultiMonitor::Single2Multi(int x, int y, int* X, int* Y, int flip) {
  EnumMonitor();
  single2Multi(displays_, x, y, X, Y, flip);
}

void MultiMonitor::pointerSpaceOrigin(bool onlyPrimary, int* X, int* Y) const {
  if (displays_.isEmpty()) {
    *X = 0;
    *Y = 0;
  } else if (onlyPrimary) {
    *X = displays_[0].x();
    *Y = displays_[0].y();
  } else {
    *X = layout_.left;
    *Y = layout_.top;
  }
}

int MultiMonitor::primaryWidth() const { return displays_.isEmpty() ? 0 : displays_[0].width(); }

int MultiMonitor::primaryHeight() const { return displays_.isEmpty() ? 0 : displays_[0].height(); }

void MultiMonitor::tableEntry(int i, int out[4]) {
  std::lock_guard<std::mutex> lock(gTableMutex);
  if (!gTableInitialised) clearTableLocked();
  for (int k = 0; k < 4; ++k) {
    out[k] = (i >= 0 && i < kMaxDisplays) ? m_MonitorCoordinates[i][k] : -1;
  }
}

void MultiMonitor::setScreens(const QVector<QRect>& displays, bool mirrored) {
  ScreenCache& c = cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.overridden = true;
  c.rects = displays;
  c.mirrored = mirrored;
}

void MultiMonitor::useQtScreens() {
  ScreenCache& c = cache();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    c.overridden = false;
    c.valid = false;
    c.watchRequested = false;
  }
  if (onGuiThread()) watchScreens();
}
