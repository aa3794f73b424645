#pragma once

#include <QPointer>
#include <QWidget>

#include <string>

class BaseApplication;
class TutorialView;

// The tutorial's window: a top-level window titled "Velmo Mouse Tutorial", sized to the main
// display's available area (windowed, so the tray and panels stay reachable), holding a native
// view that Ogre renders into. This object itself is never shown; it owns the window, hands its
// view's handle and bounds to the 3D application, forwards the view's keys and size to it, and
// reports the window's end (tutorialClosed(), exactly once, from the destructor) and the options
// request. The close button does not destroy the window at once: the object deletes itself from
// the event loop, so no caller on the stack is left with a dead window.
class OsxTutorialWindow : public QWidget {
    Q_OBJECT

public:
    explicit OsxTutorialWindow(QWidget* parent = nullptr);
    ~OsxTutorialWindow() override;

    static constexpr const char* title = "Velmo Mouse Tutorial";

    // Shows / hides the view; the window itself stays up.
    void show();
    void hide();

    // *handle := the view's native window id as decimal text; returns the top-level window's id.
    unsigned long getHandle(std::string* handle);
    // left, top, right, bottom of the window's frame in desktop coordinates.
    void getWindowBounds(long bounds[4]) const;
    // Size of the view (what the render window must cover).
    QSize viewSize() const;

    // The application that receives the view's keys and size; null to detach.
    void setApplication(BaseApplication* application);

    // The top-level window and the render view (tests, screenshots).
    QWidget* hostWindow() const;
    QWidget* view() const;

public slots:
    void openOptionsDlg();
    // Closes the window from the event loop (close button, ESC).
    void closeWindowTut();
    // The tutorial could not start or stopped rendering: one message for the user.
    void reportFailure(const QString& message);

signals:
    void tutorialClosed();
    void openOptions();
    void tutorialFailed(const QString& message);

private:
    friend class TutorialView;
    friend class TutorialFrame;
    QPointer<QWidget> frame_;
    TutorialView* view_ = nullptr;
    BaseApplication* application_ = nullptr;
    bool closing_ = false;
};
