#include "Replay.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>

namespace handsim {

namespace {

constexpr size_t npos = std::string_view::npos;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t skipSpace(std::string_view s, size_t i)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

// Just past the string that opens at s[i].
size_t stringEnd(std::string_view s, size_t i)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == '"')
            return i + 1;
    }
    return npos;
}

size_t valueEnd(std::string_view s, size_t i)
{
    if (i >= s.size())
        return npos;
    if (s[i] == '"')
        return stringEnd(s, i);
    if (s[i] == '[' || s[i] == '{') {
        int depth = 0;
        for (; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                i = stringEnd(s, i);
                if (i == npos)
                    return npos;
                --i;
            } else if (c == '[' || c == '{') {
                ++depth;
            } else if ((c == ']' || c == '}') && --depth == 0) {
                return i + 1;
            }
        }
        return npos;
    }
    while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']' && !isSpace(s[i]))
        ++i;
    return i;
}

struct Field {
    std::string_view key;
    size_t begin = 0, end = 0; // the value's text
};

// The fields of a line's outer object, found by matching brackets outside strings; the replay only
// needs to know where they are, not to judge them.
bool topLevelFields(std::string_view s, std::vector<Field>& out)
{
    out.clear();
    size_t i = skipSpace(s, 0);
    if (i >= s.size() || s[i] != '{')
        return false;
    i = skipSpace(s, i + 1);
    if (i < s.size() && s[i] == '}')
        return true;
    for (;;) {
        if (i >= s.size() || s[i] != '"')
            return false;
        const size_t k = stringEnd(s, i);
        if (k == npos)
            return false;
        Field f;
        f.key = s.substr(i + 1, k - i - 2);
        i = skipSpace(s, k);
        if (i >= s.size() || s[i] != ':')
            return false;
        f.begin = skipSpace(s, i + 1);
        f.end = valueEnd(s, f.begin);
        if (f.end == npos || f.end == f.begin)
            return false;
        out.push_back(f);
        i = skipSpace(s, f.end);
        if (i < s.size() && s[i] == '}')
            return true;
        if (i >= s.size() || s[i] != ',')
            return false;
        i = skipSpace(s, i + 1);
    }
}

bool integerField(std::string_view s, const std::vector<Field>& fields, std::string_view key, int64_t& out)
{
    for (const Field& f : fields) {
        if (f.key != key)
            continue;
        const char* end = s.data() + f.end;
        const auto r = std::from_chars(s.data() + f.begin, end, out);
        return r.ec == std::errc() && r.ptr == end;
    }
    return false;
}

// gzread passes a file without gzip's magic bytes through as it is.
bool readFile(const std::string& path, std::string& data, std::string& error)
{
    gzFile in = gzopen(path.c_str(), "rb");
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    char buf[65536];
    int n = 0;
    while ((n = gzread(in, buf, sizeof buf)) > 0) {
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > Replay::MAX_FILE_BYTES) {
            gzclose(in);
            error = path + " is larger than 256 MiB";
            return false;
        }
    }
    if (n < 0) {
        int code = 0;
        error = path + ": " + gzerror(in, &code);
    }
    gzclose(in);
    return n == 0;
}

int64_t median(std::vector<int64_t>& v, int64_t otherwise)
{
    if (v.empty())
        return otherwise;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

Replay::Load Replay::load(const std::string& path, std::string& error)
{
    std::string data;
    if (!readFile(path, data, error))
        return Load::Failed;
    std::vector<Field> fields;
    std::vector<int64_t> steps, idSteps;
    bool haveFrame = false;
    for (size_t at = 0; at < data.size();) {
        size_t nl = data.find('\n', at);
        if (nl == npos)
            nl = data.size();
        std::string_view text(data.data() + at, nl - at);
        at = nl + 1;
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (skipSpace(text, 0) == text.size())
            continue;
        const bool object = topLevelFields(text, fields);
        // The simulator's own recordings are service lines ("v", "type", "t").
        if (m_lines.empty() && object && std::any_of(fields.begin(), fields.end(), [](const Field& f) { return f.key == "v"; }))
            return Load::NotSensorRecording;
        Line line{std::string(text), 0, false};
        int64_t t = 0;
        if (object && integerField(text, fields, "timestamp", t)) {
            line.frame = true;
            int64_t id = 0;
            const bool hasId = integerField(text, fields, "id", id);
            if (!haveFrame) {
                m_template = line.text;
                m_firstTimestamp = t;
                m_firstId = hasId ? id : 0;
            } else {
                // A jump back is marked and played as one frame period once that is known.
                line.gapUs = t > m_lastTimestamp ? std::min(t - m_lastTimestamp, MAX_GAP_US) : -1;
                if (line.gapUs > 0)
                    steps.push_back(line.gapUs);
                if (hasId && id > m_lastId)
                    idSteps.push_back(id - m_lastId);
            }
            haveFrame = true;
            m_lastTimestamp = t;
            m_lastId = hasId ? id : m_lastId + 1;
            ++m_frames;
        }
        m_lines.push_back(std::move(line));
    }
    if (!haveFrame) {
        error = path + " holds no frames (lines with a \"timestamp\")";
        return Load::Failed;
    }
    m_periodUs = std::max(median(steps, m_periodUs), MIN_PERIOD_US);
    // A recorder that kept every other frame: the ids of the frames in between are skipped too.
    m_idStep = median(idSteps, 1);
    for (Line& l : m_lines)
        if (l.gapUs < 0)
            l.gapUs = m_periodUs;
    return Load::Loaded;
}

std::string Replay::noHandFrame(int64_t timestamp, int64_t id) const
{
    std::vector<Field> fields;
    topLevelFields(m_template, fields);
    std::string out;
    size_t from = 0;
    for (const Field& f : fields) {
        std::string value;
        if (f.key == "hands" || f.key == "pointables" || f.key == "gestures" || f.key == "devices")
            value = "[]";
        else if (f.key == "timestamp")
            value = std::to_string(timestamp);
        else if (f.key == "id")
            value = std::to_string(id);
        // The frame's motion since the last one: none.
        else if (f.key == "r")
            value = "[[1,0,0],[0,1,0],[0,0,1]]";
        else if (f.key == "s")
            value = "1";
        else if (f.key == "t")
            value = "[0,0,0]";
        else
            continue;
        out.append(m_template, from, f.begin - from);
        out += value;
        from = f.end;
    }
    out.append(m_template, from, npos);
    return out;
}

Replay::Message Replay::noHand()
{
    ++m_noHandCount;
    const bool before = m_phase == Phase::Lead;
    const int64_t k = before ? NO_HAND_LEAD_US / m_periodUs - m_noHandCount + 1 : m_noHandCount;
    m_noHand = before ? noHandFrame(m_firstTimestamp - k * m_periodUs, m_firstId - k * m_idStep)
                      : noHandFrame(m_lastTimestamp + k * m_periodUs, m_lastId + k * m_idStep);
    const Message m{&m_noHand, m_at, true};
    m_at += m_periodUs;
    return m;
}

Replay::Message Replay::next()
{
    if (m_phase == Phase::Lead) {
        if (m_noHandCount < NO_HAND_LEAD_US / m_periodUs)
            return noHand();
        m_phase = Phase::Recording;
        m_index = 0;
    }
    if (m_phase == Phase::After) {
        if (!m_loop || m_noHandCount < LOOP_PAUSE_US / m_periodUs)
            return noHand();
        m_phase = Phase::Recording;
        m_index = 0;
    }
    const Line& line = m_lines[m_index];
    if (m_index > 0)
        m_at += line.gapUs;
    const Message m{&line.text, m_at, line.frame};
    if (++m_index == m_lines.size()) {
        m_phase = Phase::After;
        m_noHandCount = 0;
        m_at += m_periodUs;
    }
    return m;
}

} // namespace handsim
