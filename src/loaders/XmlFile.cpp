#include "loaders/XmlFile.h"

#include <tinyxml.h>

#include <cstdio>

namespace ember {

bool XmlFile::load(const std::string& path, TiXmlDocument& document) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string text;
    char chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        text.append(chunk, got);
        if (text.size() > MaxBytes) break;
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError || text.size() > MaxBytes) return false;

    size_t write = 0;
    for (size_t read = 0; read < text.size(); ++read) {
        if (text[read] == '\r') {
            text[write++] = '\n';
            if (read + 1 < text.size() && text[read + 1] == '\n') ++read;
            continue;
        }
        text[write++] = text[read];
    }
    text.resize(write);
    text.append(Padding, '\0');
    document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !document.Error();
}

}  // namespace ember
