#include "Timeline.h"

#include "application/Logger.h"

namespace ember {

namespace {
std::vector<PartEntry>& entries() {
    static std::vector<PartEntry> timeline;
    return timeline;
}
}  // namespace

void addPart(const std::string& name, float begin, Part* part, float end) {
    PartEntry e;
    e.part = part;
    e.begin = begin;
    e.end = end;
    e.name = name;
    entries().push_back(std::move(e));
}

bool initiateParts() {
    for (PartEntry& e : entries()) {
        if (!e.part->initiate()) {
            Logger::instance().writeFormatted("Unable to initiate %s", e.name.c_str());
            return false;
        }
    }
    return true;
}

bool updateParts(Device* device, float beat, float dt) {
    if (beat < 0.0f) return true;
    int active = 0;
    for (PartEntry& e : entries()) {
        if (e.begin <= beat && beat < e.end) {
            e.part->update(beat, dt);
            e.part->render(device, beat, dt);
            ++active;
        }
    }
    return active > 0;
}

void terminateParts() {
    // Each part is terminated before its reference goes, in registration order.
    for (PartEntry& e : entries()) {
        e.part->terminate();
        e.part.reset();
    }
    entries().clear();
}

const std::vector<PartEntry>& timelineEntries() { return entries(); }

} // namespace ember
