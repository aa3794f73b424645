#pragma once
// The real-hands family: recordings of a real sensor's WebSocket frames (one message a line, plain
// or gzip-compressed) with what a user expects of each, read from the folder's expectations.txt.

#include <string>
#include <vector>

#include "LeapRaw.h"
#include "Scenario.h"

namespace geval {

struct Recording {
    std::string name;  // file name without .jsonl[.gz]
    std::string path;
    std::vector<Expectation> expectations;
};

// Every recording that expectations.txt names, in its order; a named file that is missing, or a
// recording with no expectation, is an error.
bool loadRecordings(const std::string& folder, std::vector<Recording>& out, std::string& error);

// The frames of a recording as the real decoder reads them; version and device messages are
// skipped, any line it cannot read is an error naming the line.
bool readFrames(const std::string& path, std::vector<Leap::RawFrame>& out, std::string& error);

} // namespace geval
