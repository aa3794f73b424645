#include "Recording.h"

#include <QDir>
#include <QFile>

#include <zlib.h>

#include <memory>
#include <sstream>

#include "LeapWebSocketProtocol.h"

namespace geval {

bool loadRecordings(const std::string& folder, std::vector<Recording>& out, std::string& error)
{
    const QDir dir(QString::fromStdString(folder));
    QFile f(dir.filePath(QStringLiteral("expectations.txt")));
    if (!f.open(QIODevice::ReadOnly)) {
        error = "cannot read " + f.fileName().toStdString();
        return false;
    }
    std::istringstream lines(f.readAll().toStdString());
    std::string line;
    int lineNo = 0;
    while (std::getline(lines, line)) {
        ++lineNo;
        std::istringstream words(line.substr(0, line.find('#')));
        std::string name, expect;
        if (!(words >> name))
            continue;
        Expectation e;
        std::string rest;
        std::getline(words >> expect, rest);
        if (expect != "expect" || !parseExpectation(rest, e)) {
            error = "expectations.txt line " + std::to_string(lineNo) + ": NAME expect ...";
            return false;
        }
        if (out.empty() || out.back().name != name) {
            Recording r;
            r.name = name;
            for (const char* ext : {".jsonl.gz", ".jsonl"})
                if (dir.exists(QString::fromStdString(name + ext)))
                    r.path = dir.filePath(QString::fromStdString(name + ext)).toStdString();
            if (r.path.empty()) {
                error = "no recording " + name + ".jsonl[.gz] in " + folder;
                return false;
            }
            out.push_back(std::move(r));
        }
        out.back().expectations.push_back(e);
    }
    if (out.empty()) {
        error = "no recordings named in " + f.fileName().toStdString();
        return false;
    }
    return true;
}

bool readFrames(const std::string& path, std::vector<Leap::RawFrame>& out, std::string& error)
{
    // zlib reads a file that is not compressed as it stands.
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    char buf[1 << 16];
    int lineNo = 0;
    for (;;) {
        const char* got = gzgets(file.get(), buf, sizeof buf);
        if (got) {
            line += got;
            if (line.back() != '\n')
                continue;  // a long line comes in pieces
            line.pop_back();
        } else if (line.empty()) {
            break;
        }
        ++lineNo;
        if (!line.empty()) {
            Leap::websocket::Message msg;
            std::string why;
            if (!Leap::websocket::decode(line, msg, why)) {
                error = path + " line " + std::to_string(lineNo) + ": " + why;
                return false;
            }
            if (msg.type == Leap::websocket::Type::Frame)
                out.push_back(std::move(msg.frame));
        }
        line.clear();
        if (!got)
            break;
    }
    int code = Z_OK;
    const char* why = gzerror(file.get(), &code);
    if (code != Z_OK && code != Z_STREAM_END) {
        error = path + ": " + why;
        return false;
    }
    if (out.empty()) {
        error = path + ": no frames";
        return false;
    }
    return true;
}

} // namespace geval
