#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>

#include "core/Object.h"

namespace ember {

enum class TextureType : int32_t {
    Texture1D,
    Texture1DArray,
    Texture2D,
    Texture2DArray,
    Texture2DMultisample,
    Texture2DMultisampleArray,
    Texture3D,
    TextureCube,
    RenderBuffer,
    TextureBuffer,
    TextureRectangle,
};

enum class TextureFilter : int32_t {
    Nearest,
    Linear,
    NearestMipmapNearest,
    LinearMipmapNearest,
    NearestMipmapLinear,
    LinearMipmapLinear,
};

enum class TextureWrap : int32_t { ClampToEdge, Repeat, ClampToBorder, MirroredRepeat };

enum class Swizzle : int32_t { Red, Green, Blue, Alpha, One, Zero };

enum class CompareMode : int32_t { RefToTexture, None };

// The positive faces come first, unlike GL's own order.
enum class CubeFace : int32_t { PositiveX, PositiveY, PositiveZ, NegativeX, NegativeY, NegativeZ };

enum class Attachment : int32_t {
    Color0,
    Color1,
    Color2,
    Color3,
    Color4,
    Color5,
    Color6,
    Color7,
    Depth,
    Stencil,
    DepthStencil,
};

constexpr int32_t AttachmentCount = 11;

// Formats from DXT1 (16) on are compressed or empty: no storage is allocated
// for them at creation and no swizzle is applied.
enum class TextureFormat : int32_t {
    R8,
    RG8,
    RGB8,
    RGBA8,
    Depth16,
    Depth24,
    Depth32,
    Depth24Stencil8,
    R16F,
    R32F,
    Depth32F,
    RGBA16F,
    RGBA32F,
    RGB32F,
    RG32F,
    Depth32FStencil8,
    DXT1,
    DXT3,
    DXT5,
    None,
};

constexpr int32_t TextureFormatCount = 20;

// Internal format, and pixel format and type for allocation and uploads.
// Compressed and empty formats have GL_NONE where there is no value.
struct TextureFormatInfo {
    GLenum internalFormat;
    GLenum pixelFormat;
    GLenum pixelType;
};

// GL constants for the enumerations. Out-of-range values map to the first
// member's constant (None's info for formats).
GLenum textureTypeToGL(TextureType type);
GLenum textureFilterToGL(TextureFilter filter);
GLenum textureWrapToGL(TextureWrap wrap);
GLenum swizzleToGL(Swizzle swizzle);
GLenum compareModeToGL(CompareMode mode);
GLenum cubeFaceToGL(CubeFace face);
GLenum attachmentToGL(Attachment attachment);
const TextureFormatInfo& textureFormatInfo(TextureFormat format);
// True for formats that get storage and swizzles (below DXT1).
bool isUncompressedFormat(TextureFormat format);

// Sampling state of a texture object. The defaults are GL's own.
struct TextureState {
    TextureFilter magFilter = TextureFilter::Linear;
    TextureFilter minFilter = TextureFilter::NearestMipmapLinear;
    TextureWrap wrapS = TextureWrap::Repeat;
    TextureWrap wrapT = TextureWrap::Repeat;
    TextureWrap wrapR = TextureWrap::Repeat;
    Swizzle swizzle[4] = {Swizzle::Red, Swizzle::Green, Swizzle::Blue, Swizzle::Alpha};
    bool compare = false;  // depth comparison with GL_LESS
};

// Base of every texture kind. The kind fixes the type; the GL name exists from
// the kind's create() until destroy() or destruction.
class Texture : public Object {
public:
    ~Texture() override;

    // glBindTexture on the type's target; the caller selects the texture unit.
    void bind();
    // Binds name 0 on the type's target.
    void unbind();

    // Stores the format and sets its default swizzle (one- and two-channel and
    // depth formats read as grey); no GL call.
    void setFormat(TextureFormat format);

    // Applies state to the texture bound by the caller: filters and wraps only
    // where they differ from the cached state, swizzles (uncompressed formats)
    // and compare mode always. Does nothing for a render buffer.
    void setTextureState(const TextureState& state);

    // Deletes the GL name (render buffer or texture); safe to call twice.
    void destroy();

    const std::string& name() const { return name_; }
    void setName(const std::string& name) { name_ = name; }
    const TextureState& textureState() const { return state_; }
    TextureType type() const { return type_; }
    GLenum glTarget() const { return textureTypeToGL(type_); }
    TextureFormat format() const { return format_; }
    GLuint glName() const { return glName_; }

protected:
    explicit Texture(TextureType type) : type_(type) {}
    // glGenTextures into the GL name and bind; reports under function.
    void generate(const char* function);

    std::string name_;
    TextureState state_;
    TextureType type_;
    TextureFormat format_ = TextureFormat::None;
    GLuint glName_ = 0;
};

}  // namespace ember
