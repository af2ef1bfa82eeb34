#pragma once

#include <cstdint>

namespace qm {

// One drifting disc of the flow part: a credits cell drawn under a greetings glyph. Nine 32-bit
// fields in this order.
struct FlowShape {
    float x = 0.0f;
    float y = 0.0f;
    float previousX = 0.0f;
    float previousY = 0.0f;
    float velocityX = 0.0f;  // units per second
    float velocityY = 0.0f;
    float size = 0.0f;  // radius term; the shape is reborn once it is size beyond the top edge
    int32_t glyph = 0;  // greetings glyph: even shapes 0-7, odd shapes 8-15
    int32_t cell = 0;   // credits cell 0-5
};

static_assert(sizeof(FlowShape) == 36, "nine packed 32-bit fields");

}  // namespace qm
