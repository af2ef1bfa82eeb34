#pragma once
#include <string>

namespace qmgen {

// A content generator writes its files under dataDir (the run directory's
// "data/") and returns false, after printing why to stderr, when it cannot.
// Output must be deterministic: the same tool gives byte-identical files.
using GeneratorFn = bool (*)(const std::string& dataDir);

// Registers a generator under a unique name; called from static initialisers.
bool registerGenerator(const char* name, GeneratorFn fn);

} // namespace qmgen

// Registers `fn` as generator `name` from one source file of the tool.
#define QM_CONTENT_GENERATOR(name, fn) \
    static const bool qmgen_registered_##fn = ::qmgen::registerGenerator(name, fn)
