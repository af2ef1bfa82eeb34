#pragma once
// Helpers the Intro tests share: every test logs into log.txt of its scratch
// directory and reads it back to see what was refused, and most need a simple
// two-key envelope.
#include <fstream>
#include <sstream>
#include <string>

#include "application/Logger.h"
#include "core/Object.h"
#include "scene/Envelope.h"

namespace introtest {

// Opens a fresh log in the test's scratch directory.
inline void openLog() {
    ember::Logger::instance().open("log.txt");
}

inline std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A linear envelope from (t0, v0) to (t1, v1).
inline ember::Ref<ember::Envelope> ramp(float t0, float v0, float t1, float v1) {
    ember::Ref<ember::Envelope> e(new ember::Envelope());
    ember::Envelope::Key k;
    k.shape = ember::Envelope::Linear;
    k.time = t0;
    k.value = v0;
    e->addKey(k);
    k.time = t1;
    k.value = v1;
    e->addKey(k);
    return e;
}

}  // namespace introtest
