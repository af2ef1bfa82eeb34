#include "rend/Texture.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/Texture";

template <size_t N>
GLenum lookup(const GLenum (&table)[N], int32_t value) {
    auto i = static_cast<uint32_t>(value);
    return i < N ? table[i] : table[0];
}
}  // namespace

GLenum textureTypeToGL(TextureType type) {
    static const GLenum table[] = {
        GL_TEXTURE_1D,       GL_TEXTURE_1D_ARRAY,       GL_TEXTURE_2D,
        GL_TEXTURE_2D_ARRAY, GL_TEXTURE_2D_MULTISAMPLE, GL_TEXTURE_2D_MULTISAMPLE_ARRAY,
        GL_TEXTURE_3D,       GL_TEXTURE_CUBE_MAP,       GL_RENDERBUFFER,
        GL_TEXTURE_BUFFER,   GL_TEXTURE_RECTANGLE,
    };
    return lookup(table, static_cast<int32_t>(type));
}

GLenum textureFilterToGL(TextureFilter filter) {
    static const GLenum table[] = {GL_NEAREST,
                                   GL_LINEAR,
                                   GL_NEAREST_MIPMAP_NEAREST,
                                   GL_LINEAR_MIPMAP_NEAREST,
                                   GL_NEAREST_MIPMAP_LINEAR,
                                   GL_LINEAR_MIPMAP_LINEAR};
    return lookup(table, static_cast<int32_t>(filter));
}

GLenum textureWrapToGL(TextureWrap wrap) {
    static const GLenum table[] = {GL_CLAMP_TO_EDGE, GL_REPEAT, GL_CLAMP_TO_BORDER, GL_MIRRORED_REPEAT};
    return lookup(table, static_cast<int32_t>(wrap));
}

GLenum swizzleToGL(Swizzle swizzle) {
    static const GLenum table[] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA, GL_ONE, GL_ZERO};
    return lookup(table, static_cast<int32_t>(swizzle));
}

GLenum compareModeToGL(CompareMode mode) {
    static const GLenum table[] = {GL_COMPARE_REF_TO_TEXTURE, GL_NONE};
    return lookup(table, static_cast<int32_t>(mode));
}

GLenum cubeFaceToGL(CubeFace face) {
    static const GLenum table[] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
                                   GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                                   GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};
    return lookup(table, static_cast<int32_t>(face));
}

GLenum attachmentToGL(Attachment attachment) {
    static const GLenum table[] = {
        GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1,  GL_COLOR_ATTACHMENT2,        GL_COLOR_ATTACHMENT3,
        GL_COLOR_ATTACHMENT4, GL_COLOR_ATTACHMENT5,  GL_COLOR_ATTACHMENT6,        GL_COLOR_ATTACHMENT7,
        GL_DEPTH_ATTACHMENT,  GL_STENCIL_ATTACHMENT, GL_DEPTH_STENCIL_ATTACHMENT,
    };
    return lookup(table, static_cast<int32_t>(attachment));
}

const TextureFormatInfo& textureFormatInfo(TextureFormat format) {
    static const TextureFormatInfo table[TextureFormatCount] = {
        {GL_R8, GL_RED, GL_UNSIGNED_BYTE},
        {GL_RG8, GL_RG, GL_UNSIGNED_BYTE},
        {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT},
        {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_FLOAT},
        {GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_FLOAT},
        {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8},
        {GL_R16F, GL_RED, GL_HALF_FLOAT},
        {GL_R32F, GL_RED, GL_FLOAT},
        {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT},
        {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT},
        {GL_RGBA32F, GL_RGBA, GL_FLOAT},
        {GL_RGB32F, GL_RGB, GL_FLOAT},
        {GL_RG32F, GL_RG, GL_FLOAT},
        {GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV},
        {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_NONE, GL_NONE},
        {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, GL_NONE, GL_NONE},
        {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_NONE, GL_NONE},
        {GL_NONE, GL_NONE, GL_NONE},
    };
    auto i = static_cast<uint32_t>(format);
    return i < static_cast<uint32_t>(TextureFormatCount) ? table[i] : table[TextureFormatCount - 1];
}

bool isUncompressedFormat(TextureFormat format) {
    auto i = static_cast<uint32_t>(format);
    return i < static_cast<uint32_t>(TextureFormat::DXT1);
}

Texture::~Texture() {
    destroy();
}

void Texture::bind() {
    glBindTexture(glTarget(), glName_);
    checkGLError(__LINE__, "Texture::bind", kSource);
}

void Texture::unbind() {
    glBindTexture(glTarget(), 0);
    checkGLError(__LINE__, "Texture::unbind", kSource);
}

void Texture::setFormat(TextureFormat format) {
    format_ = format;
    Swizzle* s = state_.swizzle;
    auto set = [s](Swizzle r, Swizzle g, Swizzle b, Swizzle a) {
        s[0] = r;
        s[1] = g;
        s[2] = b;
        s[3] = a;
    };
    switch (format) {
        case TextureFormat::R8:
        case TextureFormat::R16F:
        case TextureFormat::R32F:
            set(Swizzle::Red, Swizzle::Red, Swizzle::Red, Swizzle::One);
            break;
        case TextureFormat::RG8:
        case TextureFormat::RG32F:
            set(Swizzle::Red, Swizzle::Red, Swizzle::Red, Swizzle::Green);
            break;
        case TextureFormat::RGB8:
        case TextureFormat::RGB32F:
            set(Swizzle::Red, Swizzle::Green, Swizzle::Blue, Swizzle::One);
            break;
        case TextureFormat::RGBA8:
        case TextureFormat::RGBA16F:
        case TextureFormat::RGBA32F:
            set(Swizzle::Red, Swizzle::Green, Swizzle::Blue, Swizzle::Alpha);
            break;
        case TextureFormat::Depth16:
        case TextureFormat::Depth24:
        case TextureFormat::Depth32:
        case TextureFormat::Depth24Stencil8:
            set(Swizzle::Red, Swizzle::Red, Swizzle::Red, Swizzle::Red);
            break;
        default:
            break;
    }
}

void Texture::setTextureState(const TextureState& state) {
    if (type_ == TextureType::RenderBuffer) return;
    const GLenum target = glTarget();
    auto parameter = [target](GLenum name, GLenum value) {
        glTexParameteri(target, name, static_cast<GLint>(value));
        checkGLError(__LINE__, "Texture::setTextureState", kSource);
    };

    if (state.magFilter != state_.magFilter) {
        parameter(GL_TEXTURE_MAG_FILTER, textureFilterToGL(state.magFilter));
        state_.magFilter = state.magFilter;
    }
    if (state.minFilter != state_.minFilter) {
        parameter(GL_TEXTURE_MIN_FILTER, textureFilterToGL(state.minFilter));
        state_.minFilter = state.minFilter;
    }
    if (state.wrapS != state_.wrapS) {
        parameter(GL_TEXTURE_WRAP_S, textureWrapToGL(state.wrapS));
        state_.wrapS = state.wrapS;
    }
    if (state.wrapT != state_.wrapT) {
        parameter(GL_TEXTURE_WRAP_T, textureWrapToGL(state.wrapT));
        state_.wrapT = state.wrapT;
    }
    if (state.wrapR != state_.wrapR) {
        parameter(GL_TEXTURE_WRAP_R, textureWrapToGL(state.wrapR));
        state_.wrapR = state.wrapR;
    }
    // Swizzles are sent every time: the cached default set by setFormat has never reached GL.
    if (isUncompressedFormat(format_)) {
        for (int i = 0; i < 4; ++i) {
            parameter(GL_TEXTURE_SWIZZLE_R + i, swizzleToGL(state.swizzle[i]));
            state_.swizzle[i] = state.swizzle[i];
        }
    }
    parameter(GL_TEXTURE_COMPARE_MODE, state.compare ? GL_COMPARE_REF_TO_TEXTURE : GL_NONE);
    if (state.compare) parameter(GL_TEXTURE_COMPARE_FUNC, GL_LESS);
    state_.compare = state.compare;
}

void Texture::destroy() {
    if (glName_ == 0) return;
    if (type_ == TextureType::RenderBuffer) {
        glDeleteRenderbuffers(1, &glName_);
    } else {
        glDeleteTextures(1, &glName_);
    }
    checkGLError(__LINE__, "Texture::destroy", kSource);
    glName_ = 0;
}

void Texture::generate(const char* function) {
    // A texture created again gets a fresh name; the old one must not leak.
    destroy();
    glGenTextures(1, &glName_);
    checkGLError(__LINE__, function, kSource);
    glBindTexture(glTarget(), glName_);
    checkGLError(__LINE__, function, kSource);
}

}  // namespace ember
