#include "rend/BufferObject.h"

#include "rend/DeviceError.h"

namespace ember {

namespace {
const char* const kSource = "src/rend/BufferObject";
}

const char* attributeSemanticName(AttributeSemantic semantic) {
    static const char* const names[AttributeSemanticCount] = {
        "POSITION", "NORMAL", "COLOR", "TANGENT", "TEXCOORD", "BONE_INDEX", "BONE_WEIGHT", "UNKNOWN",
    };
    auto i = static_cast<uint32_t>(semantic);
    return i < static_cast<uint32_t>(AttributeSemanticCount) ? names[i] : "UNKNOWN";
}

GLenum bufferTargetToGL(BufferTarget target) {
    static const GLenum table[] = {
        GL_ARRAY_BUFFER,          GL_ELEMENT_ARRAY_BUFFER,  GL_PIXEL_PACK_BUFFER,
        GL_PIXEL_UNPACK_BUFFER,   GL_UNIFORM_BUFFER,        GL_TRANSFORM_FEEDBACK_BUFFER,
        GL_TEXTURE_BUFFER,        GL_DRAW_INDIRECT_BUFFER,  GL_DISPATCH_INDIRECT_BUFFER,
        GL_ATOMIC_COUNTER_BUFFER, GL_SHADER_STORAGE_BUFFER,
    };
    auto i = static_cast<uint32_t>(target);
    return i < sizeof(table) / sizeof(table[0]) ? table[i] : GL_ARRAY_BUFFER;
}

GLenum bufferUsageToGL(BufferUsage usage) {
    static const GLenum table[] = {
        GL_STREAM_DRAW, GL_STREAM_READ,  GL_STREAM_COPY,  GL_STATIC_DRAW,  GL_STATIC_READ,
        GL_STATIC_COPY, GL_DYNAMIC_DRAW, GL_DYNAMIC_READ, GL_DYNAMIC_COPY,
    };
    auto i = static_cast<uint32_t>(usage);
    return i < sizeof(table) / sizeof(table[0]) ? table[i] : GL_STATIC_DRAW;
}

GLenum mapAccessToGL(MapAccess access) {
    static const GLenum table[] = {GL_READ_ONLY, GL_WRITE_ONLY, GL_READ_WRITE};
    auto i = static_cast<uint32_t>(access);
    return i < 3 ? table[i] : GL_WRITE_ONLY;
}

BufferObject::BufferObject(BufferTarget target) : target_(target) {}

BufferObject::~BufferObject() {
    destroy();
}

bool BufferObject::create() {
    if (glName_ != 0) return false;
    glGenBuffers(1, &glName_);
    checkGLError(__LINE__, "BufferObject::create", kSource);
    return true;
}

void BufferObject::destroy() {
    if (glName_ == 0) return;
    glDeleteBuffers(1, &glName_);
    checkGLError(__LINE__, "BufferObject::destroy", kSource);
    glName_ = 0;
    access_ = MapAccess::NotMapped;
}

void BufferObject::bind() {
    glBindBuffer(glTarget(), glName_);
    checkGLError(__LINE__, "BufferObject::bind", kSource);
}

void BufferObject::unbind() {
    glBindBuffer(glTarget(), 0);
    checkGLError(__LINE__, "BufferObject::unbind", kSource);
}

void BufferObject::bufferData(BufferUsage usage, GLsizeiptr size, const void* data) {
    usage_ = usage;
    bind();
    glBufferData(glTarget(), size, data, bufferUsageToGL(usage));
    checkGLError(__LINE__, "BufferObject::bufferData", kSource);
}

void* BufferObject::map(MapAccess access) {
    access_ = access;
    mapHint_ = 4;
    bind();
    void* p = glMapBuffer(glTarget(), mapAccessToGL(access));
    checkGLError(__LINE__, "BufferObject::map", kSource);
    return p;
}

bool BufferObject::unmap() {
    GLboolean ok = glUnmapBuffer(glTarget());
    checkGLError(__LINE__, "BufferObject::unmap", kSource);
    access_ = MapAccess::NotMapped;
    return ok == GL_TRUE;
}

bool VertexBuffer::addAttribute(AttributeSemantic semantic, int32_t offset, int32_t components) {
    if (slotCount_ >= MaxSlots || offset < 0 || offset > stride_) return false;
    slots_[slotCount_++] = AttributeSlot{semantic, offset, components};
    return true;
}

}  // namespace ember
