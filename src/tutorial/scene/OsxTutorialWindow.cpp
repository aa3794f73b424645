#include "OsxTutorialWindow.h"

#include "BaseApplication.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

// The native view Ogre renders into: Qt must not paint over it.
class TutorialView : public QWidget {
public:
    TutorialView(OsxTutorialWindow* owner, QWidget* parent) : QWidget(parent), owner(owner) {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {}
    void keyPressEvent(QKeyEvent* event) override {
        if (owner && owner->application_) owner->application_->queueKey(event->key(), true, event->isAutoRepeat());
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (owner && owner->application_) owner->application_->queueKey(event->key(), false, event->isAutoRepeat());
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (owner && owner->application_) owner->application_->viewResized(width(), height());
    }

public:
    // Null once the owner is gone.
    OsxTutorialWindow* owner;
};

// The top-level window: its close button ends the tutorial.
class TutorialFrame : public QWidget {
public:
    explicit TutorialFrame(OsxTutorialWindow* owner) : QWidget(nullptr, Qt::Window), owner(owner) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        // The window goes when its owner does, after the renderer inside it.
        event->ignore();
        if (owner) owner->closeWindowTut();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (owner && owner->application_) owner->application_->queueKey(event->key(), true, event->isAutoRepeat());
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (owner && owner->application_) owner->application_->queueKey(event->key(), false, event->isAutoRepeat());
    }

public:
    // Null once the owner is gone.
    OsxTutorialWindow* owner;
};

OsxTutorialWindow::OsxTutorialWindow(QWidget* parent) : QWidget(parent) {
    auto* frame = new TutorialFrame(this);
    frame_ = frame;
    frame->setWindowTitle(QString::fromLatin1(title));
    view_ = new TutorialView(this, frame);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    frame->setFocusProxy(view_);
    // Windowed on the main display's available area: the tray and panels stay reachable.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    frame->setGeometry(area);
    frame->show();
    frame->raise();
    frame->activateWindow();
    view_->setFocus();
}

OsxTutorialWindow::~OsxTutorialWindow() {
    closing_ = true;
    // The owner tears the renderer down on this signal, while its view still exists.
    emit tutorialClosed();
    view_->owner = nullptr;
    if (frame_) static_cast<TutorialFrame*>(frame_.data())->owner = nullptr;
    if (application_) {
        // Still rendering (closed from inside one of its own calls): the view must outlive the
        // renderer, whose owner deletes it from the event loop; the window goes after that.
        application_->forgetHostWindow();
        application_ = nullptr;
        if (frame_) {
            frame_->hide();
            frame_->deleteLater();
        }
        return;
    }
    delete frame_.data();
}

void OsxTutorialWindow::show() {
    if (!frame_) return;
    view_->show();
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

void OsxTutorialWindow::hide() {
    if (view_) view_->hide();
}

unsigned long OsxTutorialWindow::getHandle(std::string* handle) {
    if (handle) *handle = std::to_string(static_cast<unsigned long>(view_->winId()));
    return frame_ ? static_cast<unsigned long>(frame_->winId()) : 0;
}

void OsxTutorialWindow::getWindowBounds(long bounds[4]) const {
    const QSize size = viewSize();
    const QPoint origin = view_ ? view_->mapToGlobal(QPoint(0, 0)) : QPoint();
    bounds[0] = origin.x();
    bounds[1] = origin.y();
    bounds[2] = origin.x() + size.width();
    bounds[3] = origin.y() + size.height();
}

QSize OsxTutorialWindow::viewSize() const {
    return view_ ? view_->size() : QSize();
}

void OsxTutorialWindow::setApplication(BaseApplication* application) {
    application_ = application;
}

QWidget* OsxTutorialWindow::hostWindow() const {
    return frame_.data();
}

QWidget* OsxTutorialWindow::view() const {
    return view_;
}

void OsxTutorialWindow::openOptionsDlg() {
    emit openOptions();
}

void OsxTutorialWindow::closeWindowTut() {
    if (closing_) return;
    closing_ = true;
    deleteLater();
}

void OsxTutorialWindow::reportFailure(const QString& message) {
    emit tutorialFailed(message);
}
