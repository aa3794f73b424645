#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TutorialEngine;
class TutorialSession;
class VelmoListener;

// The tray's 3D tutorial: the module is opened on first use, and one tutorial at a time is open,
// its renderer reading engine. The tray hears back through the two signals.
class TutorialLauncher : public QObject {
    Q_OBJECT

public:
    TutorialLauncher(VelmoListener& listener, TutorialEngine& engine);
    // Closes an open tutorial and its message.
    ~TutorialLauncher() override;

    // The open tutorial's window object (never shown itself; it owns the visible window) and its
    // renderer, both from the tutorial's module; null when no tutorial is open.
    QWidget* window() const { return tutorialWindow_; }
    TutorialSession* visualiser() const { return visualiser_; }
    // The last message about a tutorial that could not run (null when none is shown).
    QMessageBox* message() const { return tutorialMessage_; }

signals:
    // After every request to open, also a failed one: the alternative pointer may need its window.
    void pointerWanted();
    // The tutorial's own button for the options dialog.
    void optionsRequested();

public slots:
    // Opens the tutorial, or shows the open one again.
    void open();
    void setTutorialClosed();
    // The tutorial could not start or stopped rendering: it is closed and the user told once.
    void tutorialFailed(const QString& message);

private:
    void deleteRetiredVisualiser();
    // One message about a tutorial that could not run, replacing the one shown before.
    void showTutorialMessage(const QString& text);

    VelmoListener& listener_;
    TutorialEngine& tutorialEngine_;
    int tutorialOpen_ = 0;
    QWidget* tutorialWindow_ = nullptr;
    TutorialSession* visualiser_ = nullptr;
    // A closed tutorial's visualiser whose own call was still running; deleted from the event loop.
    TutorialSession* retiredVisualiser_ = nullptr;
    QPointer<QMessageBox> tutorialMessage_;
};
