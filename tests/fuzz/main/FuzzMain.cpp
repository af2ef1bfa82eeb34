// libFuzzer's entry point for one target, named by EMBER_FUZZ_NAME at compile time.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return ember::fuzz::EMBER_FUZZ_NAME::fuzzOne(data, size);
}
