#include "NotificationWindow.h"

#include "MultiMonitor.h"
#include "ResourceDir.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace {

const char* const balloonStyle =
    "QLabel { border-radius: 20px; border-color: beige;font: bold 14px; min-width: 10em; padding: 6px; "
    "qproperty-alignment: AlignCenter; }";

struct PictureKind {
    int width;
    int height;
    const char* file;
};

// Indexed by kind 1-3.
const PictureKind pictureKinds[] = {
    {300, 240, "/logo.png"},
    {980, 600, "/tutorial.png"},
    {800, 540, "/splash.png"},
};

} // namespace

NotificationWindow::NotificationWindow(QWidget* parent, int x, int y, int kind) : QWidget(parent), type(kind) {
    setStyleSheet("background:white;");
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_DeleteOnClose, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_NoSystemBackground, false);

    label = new QLabel(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);

    if (kind == Balloon) {
        if (x != 0 || y != 0) {
            move(x, y);
        } else {
            // Near the main display's top-right corner, wherever that display lies on the desktop.
            QRect main = MultiMonitor::toQtUnits(MultiMonitor::mainDisplay());
            const QScreen* screen = QGuiApplication::primaryScreen();
            if (main.isEmpty() && screen) main = screen->geometry();
            move(main.x() + main.width() - 375, main.y() + 24);
        }
        resize(300, 80);
        label->setFixedSize(300, 80);
        label->setStyleSheet(balloonStyle);
        // The longest tray messages do not fit one line of 300 pixels.
        label->setWordWrap(true);
    } else if (kind >= About && kind <= Splash) {
        const PictureKind& pk = pictureKinds[kind - About];
        resize(pk.width, pk.height);
        label->setFixedSize(pk.width, pk.height);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        loadPicture();
        label->show();
        if (kind == About || kind == Gestures) {
            closeButton = new QPushButton(this);
            closeButton->move(0, 0);
            closeButton->setFixedSize(20, 20);
            closeButton->setText("x");
            closeButton->setStyleSheet("border:none;");
            closeButton->setFlat(true);
            closeButton->show();
            connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
        }
    }
}

NotificationWindow::~NotificationWindow() {
    delete label;
    delete closeButton;
    switch (type) {
    case Balloon: emit baloonClosed(); break;
    case About: emit aboutClosed(); break;
    case Gestures: emit gesturesClosed(); break;
    case Splash: emit splashClosed(); break;
    default: break;
    }
}

void NotificationWindow::loadPicture() {
    // A missing picture leaves the label empty; the window still opens at its size. Through QImage:
    // QPixmap's own loading would keep a copy in the pixmap cache after the window let it go.
    if (type >= About && type <= Splash)
        label->setPixmap(QPixmap::fromImage(QImage(velmoResourceDir() + pictureKinds[type - About].file)));
}

void NotificationWindow::showEvent(QShowEvent* event) {
    if (type != Balloon && label->pixmap(Qt::ReturnByValue).isNull()) loadPicture();
    QWidget::showEvent(event);
}

void NotificationWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (type == Balloon || event->spontaneous()) return;
    // A hidden picture stays an object (the tray keeps it as open) but gives back its picture and
    // its window's backing store, some 3 to 5 MB that most sessions never show again.
    label->clear();
    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) destroy();
    });
}

void NotificationWindow::setMsg(QString msg) {
    label->setText(msg);
}
