#include "OwnEnvironment.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QtGlobal>

namespace {
// Only touched by the GUI thread; Qt's environment calls lock against the threads reading it.
QList<QPair<QByteArray, QByteArray>>& ours() {
    static QList<QPair<QByteArray, QByteArray>> list;
    return list;
}
} // namespace

void OwnEnvironment::set(const char* name, const char* value) {
    if (qEnvironmentVariableIsSet(name)) return;
    qputenv(name, value);
    ours().append(qMakePair(QByteArray(name), QByteArray(value)));
}

void OwnEnvironment::withoutOwn(const std::function<void()>& start) {
    for (const auto& v : ours()) qunsetenv(v.first.constData());
    start();
    for (const auto& v : ours()) qputenv(v.first.constData(), v.second);
}
