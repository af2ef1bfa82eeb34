#pragma once
#include <istream>
#include <ostream>

#include "core/Object.h"

namespace ember {

class Device;

// One scene of the demo, shown while the song's beat lies in its interval.
// Every operation receives the absolute beat of the song; a part converts to
// its own local time where it needs one.
class Part : public Object {
public:
    ~Part() override;

    // Builds everything the part needs; false stops the demo's start.
    virtual bool initiate() = 0;
    // Releases what initiate built. Must be safe on a part that was never
    // initiated or whose initiation failed halfway.
    virtual void terminate() = 0;
    // Reads the part's parameter file; the default accepts anything.
    virtual bool load(std::istream& in);
    // Writes the part's parameter file; the default writes nothing.
    virtual bool save(std::ostream& out);
    // Animates the part for this frame (beat in song beats, dt in seconds).
    virtual void update(float beat, float dt) = 0;
    // Draws the part through the device.
    virtual void render(Device* device, float beat, float dt) = 0;

protected:
    // The part's final composite engine, created by the concrete part during
    // its initiation and released with the part.
    Ref<Object> blitEngine;
};

} // namespace ember
