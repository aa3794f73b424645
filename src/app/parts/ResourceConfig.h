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
    // resourceDir cannot be written the list stays as it is: the tutorial takes a relative archive
    // line from the list's own folder, so an installed list reads right unchanged. Returns the
    // list's path, or an empty string when there is no list.
    static QString rewrite(const QString& resourceDir);
};
