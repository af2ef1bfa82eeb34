// "ENVL" envelope blocks: read, then evaluated across, between and far
// outside their keys (every pre and post behaviour), and written back.
#include <cmath>
#include <sstream>
#include <string>

#include "FuzzTargets.h"
#include "scene/Envelope.h"

EMBER_FUZZ_TARGET(envelope) {
    using ember::Envelope;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ember::Ref<Envelope> envelope(new Envelope);
    const bool ok = envelope->read(in);
    volatile float sum = 0.0f;
    for (const Envelope::Key* k = envelope->firstKey(); k; k = k->next) {
        for (float dt : {-1.0e-3f, 0.0f, 1.0e-3f}) sum = sum + envelope->evaluate(k->time + dt);
    }
    for (int i = -200; i <= 200; ++i) sum = sum + envelope->evaluate(static_cast<float>(i) * 0.37f);
    for (float t : {-1.0e30f, -1.0e6f, 1.0e6f, 1.0e30f, INFINITY, -INFINITY, NAN}) sum = sum + envelope->evaluate(t);
    if (ok) {
        std::ostringstream out;
        envelope->write(out);
    }
    return 0;
}
