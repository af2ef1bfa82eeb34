#include "loaders/Loader.h"

namespace ember {

bool Loader::canLoad(const std::string& path) const {
    const std::string::size_type dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = path.substr(dot + 1);
    std::string::size_type start = 0;
    while (start <= extensions_.size()) {
        std::string::size_type end = extensions_.find(':', start);
        if (end == std::string::npos) end = extensions_.size();
        // An empty entry (the trailing ":" of "vert:frag:geom:") never matches:
        // "shader." has no extension worth loading.
        if (end > start && extensions_.compare(start, end - start, extension) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace ember
