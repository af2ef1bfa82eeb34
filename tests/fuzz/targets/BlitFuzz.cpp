// "BLIT" settings blocks with the six effect blocks after them, read into a
// composite whose effects have their default settings and no GL objects
// (the reading is the same as on a working composite), then written back.
#include <sstream>
#include <string>

#include "FuzzTargets.h"
#include "post/BlitEngine.h"

EMBER_FUZZ_TARGET(blit) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ember::Ref<ember::BlitEngine> blit(new ember::BlitEngine);
    blit->createOfflineEffects();
    if (blit->read(in)) {
        std::ostringstream out;
        blit->write(out);
    }
    return 0;
}
