#include "ResourceDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString velmoResourceDir() {
  if (QCoreApplication::instance()) {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("resources");
    if (QFileInfo(beside).isDir()) return beside;
  }
#ifdef VELMO_SOURCE_RESOURCES
  const QString source = QStringLiteral(VELMO_SOURCE_RESOURCES);
  if (QFileInfo(source).isDir()) return source;
#endif
  return QString();
}
