#pragma once

#include <QByteArray>
#include <QString>

// Points the archive line of the tutorial's renderer resource list "resources.cfg" at this
// installation's "SdkTrays.zip".
class ResourceConfig {
public:
    // The text with every line whose content starts with "Zip=" replaced by the archive line; other
    // lines, line ends included, stay byte for byte.
    static QByteArray rewritten(const QByteArray& text, const QString& resourceDir);

    // Rewrites resourceDir/resources.cfg in place (atomically, only when it changes). Where
    // resourceDir cannot be written, the rewritten list goes to cacheDir/resources.cfg instead.
    // Returns the path of the list to read, or an empty string when there is no list.
    static QString rewrite(const QString& resourceDir, const QString& cacheDir);

    // The user's cache directory for a rewritten list.
    static QString defaultCacheDir();
};
