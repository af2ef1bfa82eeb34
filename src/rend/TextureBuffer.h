#pragma once
#include "rend/BufferObject.h"
#include "rend/Texture.h"

namespace ember {

// Exposes a buffer object to shaders as a buffer texture, always RGBA32F:
// four floats (16 bytes) per texel.
class TextureBuffer : public Texture {
public:
    TextureBuffer() : Texture(TextureType::TextureBuffer) {}
    ~TextureBuffer() override;

    // Holds buffer (releasing the previous one), generates the texture and
    // attaches the buffer's store as RGBA32F. Leaves the texture unbound;
    // always returns true.
    bool setBuffer(BufferObject* buffer);

    BufferObject* buffer() const { return buffer_.get(); }

private:
    Ref<BufferObject> buffer_;
};

}  // namespace ember
