#include "TutorialLauncher.h"

#include "TutorialModuleLoader.h"
#include "TutorialSession.h"
#include "VelmoListener.h"

#include <QDebug>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

TutorialLauncher::TutorialLauncher(VelmoListener& listener, TutorialEngine& engine)
    : listener_(listener), tutorialEngine_(engine) {}

TutorialLauncher::~TutorialLauncher() {
    // Its closed signal deletes the visualiser (renderer first, then the window).
    if (tutorialOpen_) delete tutorialWindow_;
    tutorialWindow_ = nullptr;
    deleteRetiredVisualiser();
    delete tutorialMessage_.data();
}

void TutorialLauncher::open() {
    if (!tutorialOpen_) {
        QString error;
        TutorialFactory* module = TutorialModuleLoader::factory(&error);
        if (!module) {
            qWarning().noquote() << "TUTORIAL FAILED:" << error;
            showTutorialMessage(tr("The 3D tutorial could not be loaded.\n\n") + error);
            emit pointerWanted();
            return;
        }
        delete tutorialWindow_;
        tutorialWindow_ = module->createWindow();
        connect(tutorialWindow_, SIGNAL(tutorialClosed()), this, SLOT(setTutorialClosed()));
        connect(tutorialWindow_, SIGNAL(openOptions()), this, SIGNAL(optionsRequested()));
        // Queued: the report comes from inside the visualiser, which the slot deletes.
        connect(tutorialWindow_, SIGNAL(tutorialFailed(QString)), this, SLOT(tutorialFailed(QString)),
                Qt::QueuedConnection);
        tutorialOpen_ = 1;
        // Its destructor stops its render timer first; only one renderer may exist at a time.
        deleteRetiredVisualiser();
        delete visualiser_;
        visualiser_ = module->createSession(tutorialWindow_, &tutorialEngine_);
        // Failures come back as tutorialFailed(); nothing escapes into the tray's event loop.
        visualiser_->go();
    }
    if (visualiser_) visualiser_->showWindow();
    emit pointerWanted();
}

void TutorialLauncher::setTutorialClosed() {
    tutorialOpen_ = 0;
    tutorialWindow_ = nullptr;
    TutorialSession* visualiser = visualiser_;
    visualiser_ = nullptr;
    if (visualiser && visualiser->isBusy()) {
        // Closed from inside one of its own calls: it stops now and goes once that call returned.
        visualiser->shutdown();
        deleteRetiredVisualiser();
        retiredVisualiser_ = visualiser;
        QTimer::singleShot(0, this, &TutorialLauncher::deleteRetiredVisualiser);
    } else {
        delete visualiser;
    }
    // The real pointer moves again.
    tutorialEngine_.SetInteractiveTutorial(0);
}

void TutorialLauncher::deleteRetiredVisualiser() {
    TutorialSession* retired = retiredVisualiser_;
    retiredVisualiser_ = nullptr;
    delete retired;
}

void TutorialLauncher::tutorialFailed(const QString& message) {
    // A report from a tutorial that has already gone must not close a newer one.
    if (tutorialOpen_ && sender() == tutorialWindow_) delete tutorialWindow_;
    if (!tutorialOpen_) tutorialEngine_.SetInteractiveTutorial(0);
    qWarning().noquote() << "TUTORIAL FAILED:" << message;
    showTutorialMessage(tr("The 3D tutorial could not run on this display.\n\n") + message);
}

void TutorialLauncher::showTutorialMessage(const QString& text) {
    // One message at a time, not modal: the tray keeps running behind it.
    delete tutorialMessage_.data();
    tutorialMessage_ = new QMessageBox(QMessageBox::Warning, tr("Velmo Mouse"), text, QMessageBox::Ok);
    tutorialMessage_->setAttribute(Qt::WA_DeleteOnClose);
    tutorialMessage_->show();
}
