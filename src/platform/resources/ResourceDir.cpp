#include "ResourceDir.h"

#include "BuildTreeDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString velmoResourceDir() {
  if (QCoreApplication::instance()) {
    const QDir app(QCoreApplication::applicationDirPath());
    const QString beside = app.filePath("resources");
    if (QFileInfo(beside).isDir()) return beside;
#ifdef VELMO_INSTALLED_RESOURCES
    // Installed: PREFIX/bin/velmo-mouse reads PREFIX/share/velmo-mouse.
    const QString installed = QDir::cleanPath(app.filePath(QStringLiteral(VELMO_INSTALLED_RESOURCES)));
    if (QFileInfo(installed).isDir()) return installed;
#endif
  }
  if (velmo_build_source_resources) {
    const QString source = QString::fromUtf8(velmo_build_source_resources());
    if (QFileInfo(source).isDir()) return source;
  }
  return QString();
}
