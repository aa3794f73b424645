// The tray window's tutorial slots.
#include "VelmoWindow.h"

#include "OsxHandVisualiser.h"
#include "OsxTutorialWindow.h"

#include <QDebug>
#include <QMessageBox>
#include <QTimer>

void VelmoWindow::tutorial() {
    if (!tutorialOpen_) {
        delete tutorialWindow_;
        tutorialWindow_ = new OsxTutorialWindow(nullptr);
        connect(tutorialWindow_, SIGNAL(tutorialClosed()), this, SLOT(setTutorialClosed()));
        connect(tutorialWindow_, SIGNAL(openOptions()), this, SLOT(options()));
        // Queued: the report comes from inside the visualiser, which the slot deletes.
        connect(tutorialWindow_, SIGNAL(tutorialFailed(QString)), this, SLOT(tutorialFailed(QString)),
                Qt::QueuedConnection);
        tutorialOpen_ = 1;
        // Its destructor stops its render timer first; only one renderer may exist at a time.
        deleteRetiredVisualiser();
        delete visualiser_;
        visualiser_ = new OsxHandVisualiser(tutorialWindow_, &listener_);
        // Failures come back as tutorialFailed(); nothing escapes into the tray's event loop.
        visualiser_->go();
    }
    if (tutorialWindow_) tutorialWindow_->show();
    initPointer();
}

void VelmoWindow::setTutorialClosed() {
    tutorialOpen_ = 0;
    tutorialWindow_ = nullptr;
    OsxHandVisualiser* visualiser = visualiser_;
    visualiser_ = nullptr;
    if (visualiser && visualiser->isBusy()) {
        // Closed from inside one of its own calls: it stops now and goes once that call returned.
        visualiser->shutdown();
        deleteRetiredVisualiser();
        retiredVisualiser_ = visualiser;
        QTimer::singleShot(0, this, &VelmoWindow::deleteRetiredVisualiser);
    } else {
        delete visualiser;
    }
    // The real pointer moves again.
    listener_.SetInteractiveTutorial(0);
}

void VelmoWindow::deleteRetiredVisualiser() {
    OsxHandVisualiser* retired = retiredVisualiser_;
    retiredVisualiser_ = nullptr;
    delete retired;
}

void VelmoWindow::tutorialFailed(const QString& message) {
    // A report from a tutorial that has already gone must not close a newer one.
    if (tutorialOpen_ && sender() == tutorialWindow_) delete tutorialWindow_;
    if (!tutorialOpen_) listener_.SetInteractiveTutorial(0);
    qWarning().noquote() << "TUTORIAL FAILED:" << message;
    // One message at a time, not modal: the tray keeps running behind it.
    delete tutorialMessage_.data();
    tutorialMessage_ = new QMessageBox(QMessageBox::Warning, tr("Velmo Mouse"),
                                       tr("The 3D tutorial could not run on this display.\n\n") + message,
                                       QMessageBox::Ok);
    tutorialMessage_->setAttribute(Qt::WA_DeleteOnClose);
    tutorialMessage_->show();
}
