#include "Script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <sstream>

namespace handsim {

namespace {

constexpr double kDefaultPinchSeconds = 0.2;
constexpr double kDefaultPostureSeconds = 0.3;

const char* const kFingerNames[5] = {"thumb", "index", "middle", "ring", "pinky"};

int fingerType(const std::string& word)
{
    for (int i = 0; i < 5; ++i)
        if (word == kFingerNames[i])
            return i;
    if (word.size() == 1 && word[0] >= '0' && word[0] <= '4')
        return word[0] - '0';
    return -1;
}

// Numbers are read in the C locale whatever the process locale is.
bool number(const std::string& word, double& out)
{
    std::istringstream in(word);
    in.imbue(std::locale::classic());
    in >> out;
    return !in.fail() && in.eof() && std::isfinite(out);
}

// "1.5", "1.5s" or "250ms".
bool seconds(const std::string& word, double& out)
{
    std::string w = word;
    double scale = 1.0;
    if (w.size() > 2 && w.compare(w.size() - 2, 2, "ms") == 0) {
        w.resize(w.size() - 2);
        scale = 0.001;
    } else if (w.size() > 1 && w.back() == 's') {
        w.pop_back();
    }
    if (!number(w, out) || out < 0.0 || out > 3600.0)
        return false;
    out *= scale;
    return true;
}

class Parser {
public:
    Parser(std::vector<std::string> words, int line) : m_words(std::move(words)), m_line(line) {}

    bool atEnd() const { return m_pos >= m_words.size(); }
    const std::string& peek() const
    {
        static const std::string none;
        return atEnd() ? none : m_words[m_pos];
    }
    std::string next() { return atEnd() ? std::string() : m_words[m_pos++]; }
    bool accept(const std::string& word)
    {
        if (peek() == word) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool vector(Leap::Vector& v)
    {
        double x, y, z;
        if (!number(next(), x) || !number(next(), y) || !number(next(), z))
            return fail("expected three numbers (mm)");
        if (std::fabs(x) > 10000 || std::fabs(y) > 10000 || std::fabs(z) > 10000)
            return fail("position out of range");
        v = Leap::Vector(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
        return true;
    }
    bool time(double& t)
    {
        if (!seconds(next(), t))
            return fail("expected a time such as 0.5s or 500ms");
        return true;
    }
    // "over T", optional.
    bool optionalTime(double& t, double fallback)
    {
        t = fallback;
        if (accept("over"))
            return time(t);
        return true;
    }
    bool fail(const std::string& what)
    {
        if (m_error.empty())
            m_error = "line " + std::to_string(m_line) + ": " + what;
        return false;
    }
    bool finish()
    {
        if (!atEnd())
            return fail("unexpected '" + peek() + "'");
        return true;
    }
    const std::string& error() const { return m_error; }

private:
    std::vector<std::string> m_words;
    size_t m_pos = 0;
    int m_line;
    std::string m_error;
};

bool parseLine(Parser& p, Step& s)
{
    const std::string cmd = p.next();
    if (cmd == "hand" || cmd == "second") {
        if (cmd == "second" && !p.accept("hand"))
            return p.fail("expected 'second hand'");
        s.kind = cmd == "hand" ? StepKind::Hand : StepKind::SecondHand;
        s.isRight = cmd == "hand";
        if (p.accept("left")) {
            s.isRight = false;
            s.sideGiven = true;
        } else if (p.accept("right")) {
            s.isRight = true;
            s.sideGiven = true;
        } else if (cmd == "hand") {
            return p.fail("expected 'left' or 'right'");
        }
        if (p.accept("at")) {
            s.hasPosition = true;
            if (!p.vector(s.vector))
                return false;
        }
    } else if (cmd == "remove") {
        s.kind = p.accept("second") ? StepKind::RemoveSecond : StepKind::Remove;
    } else if (cmd == "move") {
        if (p.accept("to"))
            s.kind = StepKind::MoveTo;
        else if (p.accept("by"))
            s.kind = StepKind::MoveBy;
        else
            return p.fail("expected 'move to' or 'move by'");
        if (!p.vector(s.vector) || !p.optionalTime(s.duration, 0.0))
            return false;
    } else if (cmd == "pinch") {
        s.kind = StepKind::Pinch;
        s.finger = fingerType(p.next());
        if (s.finger < 1)
            return p.fail("pinch needs index, middle, ring or pinky");
        if (!p.optionalTime(s.duration, kDefaultPinchSeconds))
            return false;
    } else if (cmd == "spread") {
        s.kind = StepKind::Spread;
        if (!p.optionalTime(s.duration, kDefaultPinchSeconds))
            return false;
    } else if (cmd == "curl" || cmd == "extend") {
        s.kind = cmd == "curl" ? StepKind::Curl : StepKind::Extend;
        while (!p.atEnd() && p.peek() != "over") {
            const std::string w = p.next();
            if (w == "all") {
                for (int i = 0; i < 5; ++i)
                    s.fingers.push_back(i);
                continue;
            }
            const int f = fingerType(w);
            if (f < 0)
                return p.fail("unknown finger '" + w + "'");
            s.fingers.push_back(f);
        }
        if (s.fingers.empty())
            return p.fail("name the fingers");
        if (!p.optionalTime(s.duration, kDefaultPostureSeconds))
            return false;
    } else if (cmd == "fist" || cmd == "open") {
        s.kind = cmd == "fist" ? StepKind::Fist : StepKind::Open;
        if (!p.optionalTime(s.duration, kDefaultPostureSeconds))
            return false;
    } else if (cmd == "circle") {
        s.kind = StepKind::Circle;
        const std::string dir = p.next();
        if (dir == "cw" || dir == "clockwise")
            s.clockwise = true;
        else if (dir == "ccw" || dir == "counterclockwise")
            s.clockwise = false;
        else
            return p.fail("circle needs cw or ccw");
        double radius = 20.0, turns = 1.0;
        s.duration = 1.0;
        while (!p.atEnd()) {
            if (p.accept("radius")) {
                if (!number(p.next(), radius) || radius < 1.0 || radius > 150.0)
                    return p.fail("radius 1..150 mm");
            } else if (p.accept("turns")) {
                if (!number(p.next(), turns) || turns <= 0.0 || turns > 100.0)
                    return p.fail("turns above 0, at most 100");
            } else if (p.accept("over")) {
                if (!p.time(s.duration))
                    return false;
            } else {
                return p.fail("unexpected '" + p.peek() + "'");
            }
        }
        if (s.duration <= 0.0)
            return p.fail("a circle takes time");
        s.radius = static_cast<float>(radius);
        s.turns = static_cast<float>(turns);
    } else if (cmd == "unplug") {
        s.kind = StepKind::Unplug;
    } else if (cmd == "plug" || cmd == "replug") {
        s.kind = StepKind::Plug;
    } else if (cmd == "embedded") {
        s.kind = StepKind::Embedded;
        if (p.accept("on"))
            s.flag = true;
        else if (p.accept("off"))
            s.flag = false;
        else
            return p.fail("embedded on or off");
    } else if (cmd == "config") {
        s.kind = StepKind::Config;
        s.key = p.next();
        if (s.key.empty())
            return p.fail("config needs a key");
        if (p.accept("on"))
            s.flag = true;
        else if (p.accept("off"))
            s.flag = false;
        else
            return p.fail("config value on or off");
    } else if (cmd == "wait") {
        s.kind = StepKind::Wait;
        if (!p.time(s.duration))
            return false;
    } else {
        return p.fail("unknown step '" + cmd + "'");
    }
    return p.finish();
}

} // namespace

double Script::duration() const
{
    double t = 0.0;
    for (const Step& s : steps)
        t += s.duration;
    return t;
}

bool parseScript(const std::string& text, Script& out, std::string& error)
{
    out.steps.clear();
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        const size_t hash = raw.find('#');
        if (hash != std::string::npos)
            raw.resize(hash);
        std::istringstream words(raw);
        std::vector<std::string> list;
        for (std::string w; words >> w;)
            list.push_back(w);
        if (list.empty())
            continue;
        Parser p(std::move(list), lineNo);
        Step s;
        s.line = lineNo;
        if (!parseLine(p, s)) {
            error = p.error();
            return false;
        }
        out.steps.push_back(s);
    }
    return true;
}

bool loadScript(const std::string& path, Script& out, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseScript(text.str(), out, error);
}

} // namespace handsim
