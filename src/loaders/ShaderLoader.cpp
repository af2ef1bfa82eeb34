#include "loaders/ShaderLoader.h"

#include <cstdio>
#include <map>
#include <vector>

#include "application/Logger.h"

namespace ember {

namespace {

const char IncludeDirective[] = "#include <";
const size_t IncludeDirectiveLength = sizeof(IncludeDirective) - 1;

struct Expansion {
    const std::string& stagePath;
    const std::string& includeDirectory;
    std::vector<std::string> chain;  // include paths being expanded, outermost first
    int includes = 0;                // directives expanded so far
    std::map<std::string, std::string> files;  // include texts read so far, by path
};

// Expands text (already read) into out. Each included file is expanded before
// it is inserted, so its own directives are resolved at any depth, while the
// chain of open includes catches a file that includes itself, directly or not.
// Text following a directive's ">" on its line stays in place.
bool expand(Expansion& state, const std::string& text, std::string& out) {
    Logger& log = Logger::instance();
    size_t position = 0;
    for (;;) {
        const size_t directive = text.find(IncludeDirective, position);
        if (directive == std::string::npos) break;
        out.append(text, position, directive - position);
        const size_t nameStart = directive + IncludeDirectiveLength;
        const size_t close = text.find('>', nameStart);
        if (close == std::string::npos) {
            log.writeFormatted("%s : Unterminated shader include directive (no '>')",
                               state.stagePath.c_str());
            return false;
        }
        const std::string includePath = state.includeDirectory + text.substr(nameStart, close - nameStart);
        for (const std::string& open : state.chain) {
            if (open == includePath) {
                log.writeFormatted("%s : Shader include cycle at '%s' ", state.stagePath.c_str(),
                                   includePath.c_str());
                return false;
            }
        }
        if (static_cast<int>(state.chain.size()) >= ShaderLoader::MaxIncludeDepth) {
            log.writeFormatted("%s : Shader includes nested deeper than %d at '%s' ", state.stagePath.c_str(),
                               ShaderLoader::MaxIncludeDepth, includePath.c_str());
            return false;
        }
        if (++state.includes > ShaderLoader::MaxIncludeCount) {
            log.writeFormatted("%s : More than %d shader includes at '%s' ", state.stagePath.c_str(),
                               ShaderLoader::MaxIncludeCount, includePath.c_str());
            return false;
        }
        auto cached = state.files.find(includePath);
        if (cached == state.files.end())
            cached = state.files.emplace(includePath, ShaderLoader::readTextFile(includePath)).first;
        const std::string& included = cached->second;
        if (included.empty()) {
            log.writeFormatted("%s : Unable to open shader include '%s' ", state.stagePath.c_str(),
                               includePath.c_str());
            return false;
        }
        state.chain.push_back(includePath);
        const bool ok = expand(state, included, out);
        state.chain.pop_back();
        if (!ok) return false;
        if (out.size() > ShaderLoader::MaxSourceBytes) {
            log.writeFormatted("%s : Expanded shader source exceeds %zu bytes", state.stagePath.c_str(),
                               ShaderLoader::MaxSourceBytes);
            return false;
        }
        position = close + 1;
    }
    out.append(text, position, std::string::npos);
    return true;
}

}  // namespace

std::string ShaderLoader::readTextFile(const std::string& path) {
    std::string text;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return text;
    char chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        text.append(chunk, got);
        if (text.size() > MaxSourceBytes) break;
    }
    std::fclose(file);
    // Text-mode reading: a CR directly before a LF is dropped.
    size_t write = 0;
    for (size_t read = 0; read < text.size(); ++read) {
        if (text[read] == '\r' && read + 1 < text.size() && text[read + 1] == '\n') continue;
        text[write++] = text[read];
    }
    text.resize(write);
    return text;
}

bool ShaderLoader::expandIncludes(const std::string& path, const std::string& text,
                                  std::string& expanded) const {
    Expansion state{path, includeDirectory_, {}, 0, {}};
    expanded.clear();
    return expand(state, text, expanded);
}

Ref<Shader> ShaderLoader::load(const std::string& path, ShaderStage stage) {
    const std::string text = readTextFile(path);
    if (text.empty()) {
        Logger::instance().writeFormatted("Unable to open shader '%s' ", path.c_str());
        return Ref<Shader>();
    }
    if (text.size() > MaxSourceBytes) {
        Logger::instance().writeFormatted("%s : Shader source exceeds %zu bytes", path.c_str(),
                                          MaxSourceBytes);
        return Ref<Shader>();
    }
    std::string expanded;
    if (!expandIncludes(path, text, expanded)) return Ref<Shader>();
    Ref<Shader> shader(new Shader(stage, path));
    shader->setSource(expanded);
    shader->setUnexpandedSource(text);
    return shader;
}

}  // namespace ember
