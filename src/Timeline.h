#pragma once
#include <string>
#include <vector>

#include "Part.h"

namespace ember {

// One registered part and the beat interval [begin, end) in which it plays.
struct PartEntry {
    Ref<Part> part;
    float begin = 0;
    float end = 0;
    std::string name;
};

// The process-wide timeline: parts in registration order, which is also the
// order of initiation, update/render within a frame, and termination.
// Main thread only.

// Appends a part; intervals may overlap or leave gaps.
void addPart(const std::string& name, float begin, Part* part, float end);
// Initiates every part in order. Stops at the first failure, logging
// "Unable to initiate <name>", and returns false. An empty timeline succeeds.
bool initiateParts();
// Updates and renders every part whose interval holds beat. Returns true while
// the demo should go on: always for a negative beat, otherwise only when at
// least one part was active. A NaN beat matches no interval.
bool updateParts(Device* device, float beat, float dt);
// Terminates every registered part (initiated or not) and empties the timeline.
void terminateParts();
// The registered entries, in order.
const std::vector<PartEntry>& timelineEntries();

} // namespace ember
