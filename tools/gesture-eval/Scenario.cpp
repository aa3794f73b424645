#include "Scenario.h"

#include <QDir>
#include <QFile>

#include <sstream>

namespace geval {

bool parseExpectation(const std::string& words, Expectation& e)
{
    std::istringstream in(words);
    std::string word;
    in >> word;
    if (word == "none") {
        e.kind = Expectation::None;
    } else if (word == "press") {
        e.kind = Expectation::Press;
        if (!(in >> e.button) || e.button < 1 || e.button > 4)
            return false;
        std::string within;
        if (in >> within && (within != "within" || !(in >> e.withinMm) || !(e.withinMm > 0.0f)))
            return false;
    } else if (word == "wheel") {
        e.kind = Expectation::Wheel;
        std::string dir, op;
        in >> dir >> op;
        if ((dir != "up" && dir != "down") || op != ">=" || !(in >> e.atLeast))
            return false;
        e.up = dir == "up";
    } else if (word == "travel") {
        e.kind = Expectation::Travel;
        std::string op;
        in >> op;
        if (op != ">=" || !(in >> e.atLeast))
            return false;
    } else {
        return false;
    }
    std::string rest;
    return !(in >> rest);
}

bool parseScenario(const std::string& name, const std::string& text, Scenario& out, std::string& error)
{
    out = Scenario();
    out.name = name;
    out.family = name.substr(0, name.find('-'));
    std::istringstream lines(text);
    std::string script;
    std::string line;
    int lineNo = 0;
    while (std::getline(lines, line)) {
        ++lineNo;
        std::istringstream words(line.substr(0, line.find('#')));
        std::string first;
        words >> first;
        if (first == "expect") {
            Expectation e;
            std::string rest;
            std::getline(words, rest);
            if (!parseExpectation(rest, e)) {
                error = name + " line " + std::to_string(lineNo) + ": expect press N [within MM], none, "
                                                                    "wheel up|down >= N or travel >= N";
                return false;
            }
            out.expectations.push_back(e);
            line.clear();  // the script keeps its line numbers
        }
        script += line + '\n';
    }
    if (!handsim::parseScript(script, out.script, error)) {
        error = name + ": " + error;
        return false;
    }
    return true;
}

bool loadScenario(const std::string& path, Scenario& out, std::string& error)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path;
        return false;
    }
    return parseScenario(QFileInfo(f).completeBaseName().toStdString(), f.readAll().toStdString(), out, error);
}

bool loadCorpus(const std::string& folder, std::vector<Scenario>& out, std::string& error)
{
    const QDir dir(QString::fromStdString(folder));
    const QStringList files = dir.entryList({"*.txt"}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        error = "no scenarios in " + folder;
        return false;
    }
    for (const QString& f : files) {
        Scenario s;
        if (!loadScenario(dir.filePath(f).toStdString(), s, error))
            return false;
        out.push_back(std::move(s));
    }
    return true;
}

} // namespace geval
