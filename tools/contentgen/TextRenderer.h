#pragma once
#include <string>

#include "Canvas.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace qmgen {

// Horizontal extent of set text: pen advance and the ink actually covered, in pixels from the origin.
struct TextExtent {
    float advance = 0.0f;
    float inkLeft = 0.0f;
    float inkRight = 0.0f;
};

// One font face at one pixel size, set into coverage masks with FreeType. Glyphs are placed at
// fractional positions (outlines are shifted before rasterising), so spacing is exact at any size.
class TextRenderer {
public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Opens the first font file of `candidates` that FreeType can read. Returns false after printing
    // the list it tried to stderr.
    bool open(const std::initializer_list<const char*>& candidates);

    // Sets the em size in pixels (fractional sizes allowed). Returns false when no face is open or
    // FreeType refuses the size.
    bool setPixelSize(float pixels);

    // Light vertical hinting sharpens small text; display sizes look better without it.
    void setHinting(bool on) { hinting_ = on; }

    // Height of a capital "H" at the current size, in pixels (0 when no face is open).
    float capHeight() const;

    // Measures UTF-8 `text` with `tracking` extra space between letters, in ems.
    TextExtent measure(const std::string& text, float tracking) const;

    // Sets UTF-8 `text` with its origin at (x, baseline) into `mask`, adding coverage (clamped to 1).
    void draw(Mask& mask, float x, float baseline, const std::string& text, float tracking) const;

    // File the face was read from, for messages.
    const std::string& path() const { return path_; }

private:
    // Loads the glyph for `glyphIndex` into the face's slot; returns false when FreeType refuses it.
    bool loadGlyph(unsigned glyphIndex) const;
    // Pen advance in pixels from one glyph to the next, kerning included.
    float kerning(unsigned left, unsigned right) const;

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::string path_;
    float size_ = 0.0f;
    bool hinting_ = false;
};

}  // namespace qmgen
