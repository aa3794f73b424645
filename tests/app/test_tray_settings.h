#pragma once
// Settings files as the engine writes them, and the main() of the tests that run the tray window
// inside the test process (its settings file beside the executable).
#include "VelmoGestures.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace apptest {

inline QString localSettingsPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("velmo.dat");
}

// A settings file written by the engine's own writer: the defaults with the given user values, in
// dir or else beside the executable.
inline void writeSettings(std::initializer_list<std::pair<int, float>> values, QString dir = QString()) {
    if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath();
    VelmoGestures engine;
    engine.InitParameters();
    engine.EncodeParameters();
    for (const auto& v : values) engine.SetUserParam(v.second, v.first);
    engine.parameters().setSettingsDir(dir);
    ASSERT_EQ(engine.WriteParameters(), 0);
}

} // namespace apptest

// Outside any namespace: Q_INIT_RESOURCE declares the resource loader where it is used.
inline int runTrayTests(int argc, char** argv) {
    // The program's tracking socket goes to a folder of this test's own.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    Q_INIT_RESOURCE(app);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
