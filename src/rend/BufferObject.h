#pragma once
#include <GL/glew.h>

#include <cstdint>

#include "core/Object.h"

namespace ember {

enum class BufferTarget : int32_t {
    Array,
    ElementArray,
    PixelPack,
    PixelUnpack,
    Uniform,
    TransformFeedback,
    Texture,
    DrawIndirect,
    DispatchIndirect,
    AtomicCounter,
    ShaderStorage,
};

enum class BufferUsage : int32_t {
    StreamDraw,
    StreamRead,
    StreamCopy,
    StaticDraw,
    StaticRead,
    StaticCopy,
    DynamicDraw,
    DynamicRead,
    DynamicCopy,
};

// NotMapped (3) marks a buffer without a current mapping.
enum class MapAccess : int32_t { ReadOnly, WriteOnly, ReadWrite, NotMapped };

// Every vertex attribute carries one semantic; a program's vertex inputs are
// found by the semantic's name, so shaders declare their inputs under exactly
// these names ("POSITION", "NORMAL", ...).
enum class AttributeSemantic : int32_t {
    Position,
    Normal,
    Color,
    Tangent,
    TexCoord,
    BoneIndex,
    BoneWeight,
    Unknown
};

constexpr int32_t AttributeSemanticCount = 8;

// "POSITION" .. "UNKNOWN"; "UNKNOWN" for values outside the enumeration.
const char* attributeSemanticName(AttributeSemantic semantic);

// GL constants for the enumerations; out-of-range values give GL_ARRAY_BUFFER,
// GL_STATIC_DRAW and GL_WRITE_ONLY.
GLenum bufferTargetToGL(BufferTarget target);
GLenum bufferUsageToGL(BufferUsage usage);
GLenum mapAccessToGL(MapAccess access);

// One attribute of a vertex layout. Component count and GL type used for the
// attribute pointer come from the program, not from here.
struct AttributeSlot {
    AttributeSemantic semantic = AttributeSemantic::Unknown;
    int32_t offset = 0;      // bytes from the start of a vertex
    int32_t components = 0;  // 4 for a four-float position
};

// A GL buffer object. The GL name exists from create() until destroy() or destruction.
class BufferObject : public Object {
public:
    explicit BufferObject(BufferTarget target = BufferTarget::Array);
    ~BufferObject() override;

    // Generates the GL name. Returns false, changing nothing, when it already exists.
    bool create();
    // Deletes the GL name (if any); the object may be created again.
    void destroy();

    void bind();
    // Binds name 0 on this buffer's target.
    void unbind();

    // Stores usage and (re)allocates size bytes, copying data when it is not null.
    // Binds the buffer and leaves it bound.
    void bufferData(BufferUsage usage, GLsizeiptr size, const void* data);

    // Maps the whole buffer (binding it); returns GL's pointer, null on failure.
    void* map(MapAccess access);
    // Ends the mapping of the buffer bound on this target; returns GL's result.
    bool unmap();

    BufferTarget target() const { return target_; }
    // The target may be changed before binding, for example to use a vertex
    // buffer as a uniform or storage buffer.
    void setTarget(BufferTarget target) { target_ = target; }
    GLenum glTarget() const { return bufferTargetToGL(target_); }
    MapAccess access() const { return access_; }
    BufferUsage usage() const { return usage_; }
    GLuint glName() const { return glName_; }

private:
    BufferTarget target_;
    MapAccess access_ = MapAccess::NotMapped;
    int32_t mapHint_ = 4;
    BufferUsage usage_ = BufferUsage::StaticDraw;
    GLuint glName_ = 0;
};

// A buffer of vertices described by up to seven attribute slots.
class VertexBuffer : public BufferObject {
public:
    static constexpr int32_t MaxSlots = 7;

    VertexBuffer() : BufferObject(BufferTarget::Array) {}

    // Appends an attribute. Refused (false, nothing changed) when all seven slots
    // are used, when offset < 0 or offset > stride; so set the stride first.
    bool addAttribute(AttributeSemantic semantic, int32_t offset, int32_t components);

    int32_t stride() const { return stride_; }
    void setStride(int32_t stride) { stride_ = stride; }
    int32_t slotCount() const { return slotCount_; }
    // Slot i for 0 <= i < slotCount().
    const AttributeSlot& slot(int32_t i) const { return slots_[i]; }
    const AttributeSlot* slots() const { return slots_; }

private:
    AttributeSlot slots_[MaxSlots];
    int32_t slotCount_ = 0;
    int32_t stride_ = 0;
};

// A buffer of 16-bit (indexSize 2, the default) or 32-bit (4) indices.
class IndexBuffer : public BufferObject {
public:
    IndexBuffer() : BufferObject(BufferTarget::ElementArray) {}

    int32_t indexSize() const { return indexSize_; }
    void setIndexSize(int32_t bytes) { indexSize_ = bytes; }

private:
    int32_t indexSize_ = 2;
};

}  // namespace ember
