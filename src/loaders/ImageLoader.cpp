#include "loaders/ImageLoader.h"

#include "application/Logger.h"
#include "rend/DeviceError.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"

namespace ember {

TextureFormat formatForChannels(int32_t channels) {
    switch (channels) {
        case 1:
            return TextureFormat::R8;
        case 2:
            return TextureFormat::RG8;
        case 3:
            return TextureFormat::RGB8;
        case 4:
            return TextureFormat::RGBA8;
        default:
            return TextureFormat::None;
    }
}

namespace {

// Rows of 1- and 3-byte pixels are not 4-byte aligned; tell GL they are packed.
struct TightUnpack {
    TightUnpack() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved);
        EMBER_GL_CHECK();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        EMBER_GL_CHECK();
    }
    ~TightUnpack() {
        glPixelStorei(GL_UNPACK_ALIGNMENT, saved);
        EMBER_GL_CHECK();
    }
    GLint saved = 4;
};

}  // namespace

Ref<Texture> ImageLoader::createTexture(const char* prefix, DecodedImage& image) {
    Ref<Texture> result;
    TightUnpack unpack;
    if (image.height <= 1) {
        Logger::instance().writeFormatted("%s: create Texture1D from resource (%dx%d %d)", prefix,
                                          image.width, image.height, image.channels);
        Ref<Texture1D> texture(new Texture1D);
        texture->create(image.width, image.format);
        texture->bind();
        texture->uploadData(image.pixels);
        texture->unbind();
        result = texture;
    } else {
        Logger::instance().writeFormatted("%s: create Texture2D from resource (%dx%d %d)", prefix,
                                          image.width, image.height, image.channels);
        Ref<Texture2D> texture(new Texture2D);
        texture->create(image.width, image.height, image.format);
        texture->bind();
        texture->uploadData(image.pixels);
        texture->unbind();
        result = texture;
    }
    image = DecodedImage();
    return result;
}

Ref<Texture3D> ImageLoader::createTexture3D(const char* prefix, DecodedImage& image, int32_t sliceHeight) {
    if (sliceHeight <= 0 || sliceHeight > image.height) {
        Logger::instance().writeFormatted("%s: slice height %d does not fit an image %d rows tall", prefix,
                                          sliceHeight, image.height);
        image = DecodedImage();
        return Ref<Texture3D>();
    }
    const int32_t depth = image.height / sliceHeight;
    Logger::instance().writeFormatted("%s: create Texture3D from resource (%dx%dx%d %d)", prefix, image.width,
                                      image.height, depth, image.channels);
    TightUnpack unpack;
    Ref<Texture3D> texture(new Texture3D);
    texture->create(image.width, sliceHeight, depth, image.format);
    texture->bind();
    // Only width x sliceHeight x depth rows are read; a remainder of rows that
    // does not fill a whole slice stays unused.
    texture->uploadData(image.pixels);
    texture->unbind();
    image = DecodedImage();
    return texture;
}

}  // namespace ember
