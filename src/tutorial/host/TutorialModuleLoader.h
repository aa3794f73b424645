#pragma once

#include <QString>
#include <QStringList>

class TutorialFactory;

// Finds the tutorial's module and opens it the first time it is asked for. Once open it stays
// for the program's life: Ogre and Qt keep registrations made from its code. A failed attempt is
// tried again on the next request.
class TutorialModuleLoader {
public:
    static constexpr const char* fileName = "velmo-tutorial.so";

    // Where the module is looked for, in order: beside the executable (the build tree), then the
    // installation's library folder, found from the executable's own folder.
    static QStringList candidates();
    // The module's factory; null with *error saying which file could not be loaded and why.
    static TutorialFactory* factory(QString* error);
};
