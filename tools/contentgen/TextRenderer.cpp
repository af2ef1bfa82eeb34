#include "TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qmgen {

namespace {

// Decodes UTF-8 into code points; malformed bytes become U+FFFD rather than being skipped silently.
std::vector<uint32_t> decodeUtf8(const std::string& text) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) {
            out.push_back(0xfffd);
            ++i;
            continue;
        }
        uint32_t cp = extra == 0 ? c : (c & (0x3f >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xc0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        out.push_back(ok ? cp : 0xfffd);
        i += ok ? extra + 1 : 1;
    }
    return out;
}

}  // namespace

TextRenderer::TextRenderer() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
}

TextRenderer::~TextRenderer() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
}

bool TextRenderer::open(const std::initializer_list<const char*>& candidates) {
    if (!library_) {
        std::fprintf(stderr, "FreeType could not be initialised\n");
        return false;
    }
    for (const char* candidate : candidates) {
        FT_Face face = nullptr;
        if (FT_New_Face(library_, candidate, 0, &face) == 0) {
            if (face_) FT_Done_Face(face_);
            face_ = face;
            path_ = candidate;
            size_ = 0.0f;
            return true;
        }
    }
    std::fprintf(stderr, "no usable font among:");
    for (const char* candidate : candidates) std::fprintf(stderr, " %s", candidate);
    std::fprintf(stderr, "\n");
    return false;
}

bool TextRenderer::setPixelSize(float pixels) {
    if (!face_ || !(pixels > 0.0f) || pixels > 4096.0f) return false;
    if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(pixels * 64.0f)), 72, 72) != 0) {
        return false;
    }
    size_ = pixels;
    return true;
}

bool TextRenderer::loadGlyph(unsigned glyphIndex) const {
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (hinting_ ? FT_LOAD_TARGET_LIGHT : FT_LOAD_NO_HINTING);
    return FT_Load_Glyph(face_, glyphIndex, flags) == 0 && face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
}

float TextRenderer::kerning(unsigned left, unsigned right) const {
    if (!FT_HAS_KERNING(face_) || left == 0 || right == 0) return 0.0f;
    FT_Vector k;
    if (FT_Get_Kerning(face_, left, right, FT_KERNING_UNSCALED, &k) != 0) return 0.0f;
    return k.x * size_ / face_->units_per_EM;
}

float TextRenderer::capHeight() const {
    if (!face_ || size_ <= 0.0f) return 0.0f;
    unsigned index = FT_Get_Char_Index(face_, 'H');
    if (!loadGlyph(index)) return 0.0f;
    FT_BBox box;
    FT_Outline_Get_CBox(&face_->glyph->outline, &box);
    return box.yMax / 64.0f;
}

TextExtent TextRenderer::measure(const std::string& text, float tracking) const {
    TextExtent extent;
    if (!face_ || size_ <= 0.0f) return extent;
    float pen = 0.0f;
    bool anyInk = false;
    unsigned previous = 0;
    std::vector<uint32_t> codes = decodeUtf8(text);
    for (size_t i = 0; i < codes.size(); ++i) {
        unsigned index = FT_Get_Char_Index(face_, codes[i]);
        pen += kerning(previous, index);
        if (!loadGlyph(index)) {
            previous = 0;
            continue;
        }
        FT_BBox box;
        FT_Outline_Get_CBox(&face_->glyph->outline, &box);
        if (box.xMax > box.xMin) {
            float left = pen + box.xMin / 64.0f, right = pen + box.xMax / 64.0f;
            extent.inkLeft = anyInk ? std::min(extent.inkLeft, left) : left;
            extent.inkRight = anyInk ? std::max(extent.inkRight, right) : right;
            anyInk = true;
        }
        pen += face_->glyph->linearHoriAdvance / 65536.0f;
        if (i + 1 < codes.size()) pen += tracking * size_;
        previous = index;
    }
    extent.advance = pen;
    return extent;
}

void TextRenderer::draw(Mask& mask, float x, float baseline, const std::string& text, float tracking) const {
    if (!face_ || size_ <= 0.0f) return;
    float pen = x;
    unsigned previous = 0;
    std::vector<uint32_t> codes = decodeUtf8(text);
    const float originY = std::floor(baseline);
    for (size_t i = 0; i < codes.size(); ++i) {
        unsigned index = FT_Get_Char_Index(face_, codes[i]);
        pen += kerning(previous, index);
        if (!loadGlyph(index)) {
            previous = 0;
            continue;
        }
        FT_GlyphSlot slot = face_->glyph;
        const float advance = slot->linearHoriAdvance / 65536.0f;
        // Rasterise at the exact sub-pixel offset of the pen.
        const float originX = std::floor(pen);
        FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(std::lround((pen - originX) * 64.0f)),
                             static_cast<FT_Pos>(std::lround((originY - baseline) * 64.0f)));
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bm = slot->bitmap;
            const int left = static_cast<int>(originX) + slot->bitmap_left;
            const int top = static_cast<int>(originY) - slot->bitmap_top;
            for (unsigned row = 0; row < bm.rows; ++row) {
                int py = top + static_cast<int>(row);
                if (py < 0 || py >= mask.height) continue;
                const unsigned char* src = bm.buffer + static_cast<long>(row) * bm.pitch;
                for (unsigned col = 0; col < bm.width; ++col) {
                    int px = left + static_cast<int>(col);
                    if (px < 0 || px >= mask.width || src[col] == 0) continue;
                    float& m = mask.at(px, py);
                    m = std::min(1.0f, m + src[col] / 255.0f);
                }
            }
        }
        pen += advance;
        if (i + 1 < codes.size()) pen += tracking * size_;
        previous = index;
    }
}

}  // namespace qmgen
