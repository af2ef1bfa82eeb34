#pragma once
#include <cstddef>
#include <string>

class TiXmlDocument;

namespace ember {

// Reads an XML file into a TinyXML document. TinyXML's own LoadFile hands
// the parser a buffer that ends right at the text, and the parser reads a
// few bytes past a truncated multi-byte character or entity at the end of a
// damaged file; here the text is followed by NUL padding those reads stop in.
// Line ends are normalised as LoadFile does (CR LF and lone CR become LF).
class XmlFile {
public:
    static constexpr size_t MaxBytes = size_t(16) << 20;
    // Bytes of NUL padding after the text: more than the longest UTF-8
    // sequence or entity name TinyXML looks ahead over.
    static constexpr size_t Padding = 16;

    // False when the file cannot be read, is larger than MaxBytes or does
    // not parse; document.Error() tells the last two apart from the first
    // (it is set only by a parse failure).
    static bool load(const std::string& path, TiXmlDocument& document);
};

}  // namespace ember
