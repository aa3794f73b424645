#include "TutorialModuleLoader.h"

#include "TutorialSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

QStringList TutorialModuleLoader::candidates() {
    const QDir app(QCoreApplication::applicationDirPath());
    QStringList paths{app.filePath(QLatin1String(fileName))};
#ifdef VELMO_INSTALLED_MODULES
    // Installed: PREFIX/bin/velmo-mouse reads PREFIX/lib/.../velmo-mouse.
    paths << QDir::cleanPath(app.filePath(QStringLiteral(VELMO_INSTALLED_MODULES "/") + QLatin1String(fileName)));
#endif
    return paths;
}

TutorialFactory* TutorialModuleLoader::factory(QString* error) {
    static TutorialFactory* loaded = nullptr;
    if (loaded) return loaded;

    const QStringList paths = candidates();
    QString path;
    for (const QString& candidate : paths) {
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("%1 was not found (looked for %2).").arg(QLatin1String(fileName), paths.join(QStringLiteral(", ")));
        return nullptr;
    }
    // Every symbol bound now: a library missing underneath fails here, not in the middle of a frame.
    // The library stays loaded when this object goes (only unload() would close it).
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load()) {
        if (error) *error = library.errorString();
        return nullptr;
    }
    auto entry = reinterpret_cast<TutorialFactoryFunction>(library.resolve(tutorialFactorySymbol));
    TutorialFactory* factory = entry ? entry(tutorialInterfaceVersion) : nullptr;
    if (!factory) {
        if (error)
            *error = entry ? QStringLiteral("%1 was built for another version of the program.").arg(path)
                           : library.errorString();
        return nullptr;
    }
    loaded = factory;
    return loaded;
}
