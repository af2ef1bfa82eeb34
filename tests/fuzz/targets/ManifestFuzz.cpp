// The content manifest: read exactly as the demo reads it (XmlFile::load,
// TinyXML over the padded text), then walked the way the section
// loaders walk it. The section loaders themselves create GL objects for
// every entry and cannot run without a context, so the walk stands in for
// them: every element, attribute and number query the manifest offers.
#include <tinyxml.h>

#include <string>

#include "FuzzTargets.h"
#include "MemoryFile.h"
#include "loaders/XmlFile.h"

namespace {

int walk(const TiXmlElement* element, int depth) {
    if (depth > 64) return 0;
    int visited = 0;
    for (; element; element = element->NextSiblingElement()) {
        ++visited;
        const char* value = element->Value();
        (void)value;
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            int i = 0;
            double d = 0.0;
            a->QueryIntValue(&i);
            a->QueryDoubleValue(&d);
            (void)a->Name();
        }
        float f = 0.0f;
        int n = 0;
        element->QueryFloatAttribute("value", &f);
        element->QueryIntAttribute("width", &n);
        element->Attribute("name");
        element->Attribute("file");
        if (const char* text = element->GetText()) (void)std::string(text);
        visited += walk(element->FirstChildElement(), depth + 1);
    }
    return visited;
}

}  // namespace

EMBER_FUZZ_TARGET(manifest) {
    ember::fuzz::MemoryFile file(data, size);
    if (!file.ok()) return 0;
    TiXmlDocument document;
    if (!ember::XmlFile::load(file.path(), document)) return 0;
    const TiXmlElement* demo = document.FirstChildElement("demo");
    if (!demo) return 0;
    for (const char* section : {"song", "framebuffers", "shaders", "textures", "models"})
        walk(demo->FirstChildElement(section), 0);
    TiXmlPrinter printer;
    document.Accept(&printer);
    return 0;
}
