// Opens Velmo Mouse's options dialog as the tray menu does, with the settings file beside this
// program, and saves a picture of each tab.
// Usage: velmo-options-shot OUTDIR      (on an X display; writes OUTDIR/options-N-TAB.png)
#include "UserOptionDlg.h"
#include "VelmoWindow.h"
#include "ui_UserOptionDlg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    Q_INIT_RESOURCE(app);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const char* const names[4] = {"general", "cursor", "gestures-actions", "keyboard-actions"};
    int written = 0;
    {
        VelmoWindow window;
        window.optionsAction()->trigger();
        UserOptionDlg* dialog = window.trayOptions().dialog();
        if (!dialog) return 1;
        for (int tab = 0; tab < 4; ++tab) {
            dialog->form()->tabWidgetOptions->setCurrentIndex(tab);
            QElapsedTimer settle;
            settle.start();
            while (settle.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
            const QString file = out.filePath(QStringLiteral("options-%1-%2.png").arg(tab + 1).arg(names[tab]));
            if (dialog->grab().save(file, "PNG")) {
                std::printf("%s\n", qPrintable(file));
                ++written;
            } else {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            }
        }
        dialog->hide();
    }
    return written == 4 ? 0 : 1;
}
