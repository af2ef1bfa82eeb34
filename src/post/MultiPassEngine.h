#pragma once
#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "core/Object.h"
#include "rend/BufferObject.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Sampler.h"
#include "rend/VertexArrayObject.h"

namespace ember {

class Device;

using SamplerSetList = std::vector<Ref<SamplerSet>>;

// Base of the full-screen image effects of the composite chain. An effect owns
// one program and draws full-screen quads into a temporary and a final target;
// the sampler sets it reads are built by the composite and handed to render,
// so one effect class serves any pair of targets. Each effect reads and writes
// its parameters as a tagged block inside the composite's settings block.
//
// All effects share one process-wide quad buffer (separate from the
// composite's own); it lives while any effect holds it.
class MultiPassEngine : public Object {
public:
    ~MultiPassEngine() override;

    // Stores both targets (null is refused: false, logged), makes sure the
    // shared effect quad exists and takes a reference to it. Derived effects
    // then build the quad's vertex array for their program.
    virtual bool initiate(Framebuffer* tempTarget, Framebuffer* target);
    // Releases the targets, the quad reference and the vertex array, then the
    // shared quad when nobody else holds it. Safe to call twice.
    virtual void terminate();
    // Draws the effect. sets: the composite's sampler sets for this effect
    // (for the blurs [0] source, [1] temporary colour, [2] final colour);
    // passes: how many times the effect repeats (some effects run once).
    // Does nothing when the effect was never initiated successfully.
    virtual void render(Device* device, const SamplerSetList& sets, int32_t passes) = 0;
    // Reads the effect's tagged block; false (payload not read) on a wrong tag
    // or a short stream.
    virtual bool read(std::istream& in) = 0;
    // Writes the tag and the payload; true unless the stream failed.
    virtual bool write(std::ostream& out) = 0;

    Framebuffer* tempTarget() const { return tempTarget_.get(); }
    Framebuffer* target() const { return target_.get(); }
    VertexBuffer* quadBuffer() const { return quadBuffer_.get(); }
    VertexArrayObject* quadVertexArray() const { return quadVertexArray_.get(); }
    // The program the effect draws with; null until the effect has one.
    Program* program() const { return program_.get(); }

    // The process-wide effect quad; null while no effect holds it.
    static VertexBuffer* sharedQuad();

protected:
    // program: what the effect draws with; null for an effect that looks its
    // program up only when it is initiated (it then calls setProgram).
    explicit MultiPassEngine(Program* program = nullptr);

    void setProgram(Program* program) { program_ = program; }
    // Base initiate, then the quad's vertex array for program(): all that an
    // effect drawing with the program it was made with needs. False, logged as
    // by those two, when either fails.
    bool initiateWithProgram(Framebuffer* tempTarget, Framebuffer* target, const char* owner,
                             const char* programName);
    // Builds quadVertexArray for program. False with one log line naming
    // owner ("Class::initiate") and the program name when program is null or
    // the quad is missing.
    bool buildQuadVertexArray(Program* program, const char* owner, const char* programName);
    // Binds the quad's vertex array, draws the strip, restores the default
    // vertex array.
    void drawQuad(Device* device);
    // (1 / width, 1 / height) of a target.
    static void texelSize(const Framebuffer* framebuffer, float texel[2]);
    // True once initiate built the vertex array (render refuses to draw before).
    bool ready() const { return quadVertexArray_ && target_ && tempTarget_; }

private:
    Ref<Program> program_;
    Ref<Framebuffer> tempTarget_;
    Ref<Framebuffer> target_;
    Ref<VertexBuffer> quadBuffer_;
    Ref<VertexArrayObject> quadVertexArray_;
};

}  // namespace ember
