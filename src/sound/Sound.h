#pragma once
#include "core/Object.h"

namespace ember {

// Base of the engine's sounds; the song is the only one.
class Sound : public Object {
public:
    ~Sound() override = default;

protected:
    Sound() = default;
};

}  // namespace ember
