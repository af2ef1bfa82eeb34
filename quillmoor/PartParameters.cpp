#include "PartParameters.h"

#include <cstring>

#include "Part.h"
#include "application/Logger.h"
#include "loaders/gzstream.h"
#include "post/BlitEngine.h"
#include "scene/Envelope.h"

namespace qm {

using ember::Logger;

PartParameters& PartParameters::envelope(ember::Ref<ember::Envelope>* slot) {
    Item item;
    item.envelope = slot;
    items_.push_back(item);
    return *this;
}

PartParameters& PartParameters::floats(float* values, int32_t count) {
    Item item;
    item.values = values;
    item.count = count;
    items_.push_back(item);
    return *this;
}

bool PartParameters::load(std::istream& in, ember::BlitEngine& blit) const {
    if (!blit.read(in)) return false;
    // Every part blurs its depth of field in two passes, whatever the file says.
    blit.passCounts[ember::BlitEngine::SlotBlur] = 2;
    for (const Item& item : items_) {
        if (item.envelope) {
            *item.envelope = new ember::Envelope();
            if (!(*item.envelope)->read(in)) return false;
            continue;
        }
        // A short tail is not an error: whatever the file still holds replaces
        // the defaults, one whole value at a time.
        for (int32_t i = 0; i < item.count; ++i) {
            unsigned char bytes[4];
            if (!in.read(reinterpret_cast<char*>(bytes), 4)) break;
            const uint32_t bits = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                                  uint32_t(bytes[3]) << 24;
            std::memcpy(&item.values[i], &bits, 4);
        }
    }
    return true;
}

bool PartParameters::save(std::ostream& out, ember::BlitEngine& blit) const {
    if (!blit.write(out)) return false;
    for (const Item& item : items_) {
        if (item.envelope) {
            if (!*item.envelope) {
                Logger::instance().writeLine("PartParameters::save() envelope missing");
                return false;
            }
            if (!(*item.envelope)->write(out)) return false;
            continue;
        }
        for (int32_t i = 0; i < item.count; ++i) {
            uint32_t bits;
            std::memcpy(&bits, &item.values[i], 4);
            const char bytes[4] = {char(bits & 0xff), char((bits >> 8) & 0xff), char((bits >> 16) & 0xff),
                                   char(bits >> 24)};
            out.write(bytes, 4);
        }
    }
    return true;
}

bool PartParameters::loadFile(ember::Part& part, const std::string& fileName) {
    const std::string path = "data/" + fileName;
    ember::gzifstream in(path.c_str());
    if (!in.good()) {
        Logger::instance().writeFormatted("Unable to open parameter file %s", path.c_str());
        return false;
    }
    const bool loaded = part.load(in);
    in.close();
    return loaded;
}

}  // namespace qm
