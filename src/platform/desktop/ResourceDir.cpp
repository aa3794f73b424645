#include "ResourceDir.h"

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
#ifdef VELMO_SOURCE_RESOURCES
  const QString source = QStringLiteral(VELMO_SOURCE_RESOURCES);
  if (QFileInfo(source).isDir()) return source;
#endif
  return QString();
}
