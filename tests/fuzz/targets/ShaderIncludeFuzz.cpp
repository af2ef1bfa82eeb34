// Shader include expansion over several files. The input is split at lines
// "@@": the first piece is the stage source, the others become the include
// files "f1.glsl", "f2.glsl", ... in a scratch include directory (tmpfs).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "loaders/ShaderLoader.h"

namespace {

constexpr int MaxFiles = 8;

std::string includeDirectory() {
    static const std::string directory = [] {
        std::string d = ember::fuzz::MemoryFile::temporaryDirectory() + "/ember-fuzz-shader-" +
                        std::to_string(::getpid()) + "/";
        ::mkdir(d.c_str(), 0700);
        return d;
    }();
    return directory;
}

}  // namespace

EMBER_FUZZ_TARGET(shader_include) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t at = input.find("\n@@\n", start);
        if (at == std::string::npos || static_cast<int>(pieces.size()) == MaxFiles) {
            pieces.push_back(input.substr(start));
            break;
        }
        pieces.push_back(input.substr(start, at - start));
        start = at + 4;
    }
    const std::string directory = includeDirectory();
    for (int i = 1; i <= MaxFiles; ++i) {
        const std::string path = directory + "f" + std::to_string(i) + ".glsl";
        if (static_cast<size_t>(i) < pieces.size()) {
            FILE* f = std::fopen(path.c_str(), "wb");
            if (!f) return 0;
            std::fwrite(pieces[i].data(), 1, pieces[i].size(), f);
            std::fclose(f);
        } else {
            ::unlink(path.c_str());
        }
    }
    ember::Ref<ember::ShaderLoader> loader(new ember::ShaderLoader(directory));
    std::string expanded;
    loader->expandIncludes("fuzz.frag", pieces[0], expanded);
    return 0;
}
