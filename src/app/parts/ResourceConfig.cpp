#include "ResourceConfig.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const char* const listName = "resources.cfg";

bool startsWithZip(const QByteArray& line) {
    int i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return line.mid(i, 4) == "Zip=";
}

bool writeAtomically(const QString& path, const QByteArray& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QByteArray ResourceConfig::rewritten(const QByteArray& text, const QString& resourceDir) {
    const QByteArray archiveLine = "Zip=" + (resourceDir + "/SdkTrays.zip").toUtf8();
    QByteArray out;
    out.reserve(text.size() + archiveLine.size());
    int start = 0;
    while (start < text.size()) {
        int end = text.indexOf('\n', start);
        const int next = end < 0 ? text.size() : end + 1;
        if (end < 0) end = text.size();
        int contentEnd = end;
        if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
        const QByteArray content = text.mid(start, contentEnd - start);
        if (startsWithZip(content)) {
            out += archiveLine;
            out += text.mid(contentEnd, next - contentEnd);
        } else {
            out += text.mid(start, next - start);
        }
        start = next;
    }
    return out;
}

QString ResourceConfig::rewrite(const QString& resourceDir) {
    const QString listPath = QDir(resourceDir).filePath(listName);
    QFile in(listPath);
    if (!in.open(QIODevice::ReadOnly)) {
        qDebug() << "NO RESOURCE LIST" << listPath;
        return QString();
    }
    const QByteArray text = in.readAll();
    const bool readOk = in.error() == QFileDevice::NoError;
    in.close();
    if (!readOk) return QString();

    const QByteArray updated = rewritten(text, QDir(resourceDir).absolutePath());
    // A read-only installation keeps its list, which reads right as it is.
    if (updated != text) writeAtomically(listPath, updated);
    return listPath;
}
