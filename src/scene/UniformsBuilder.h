#pragma once
#include <cstdint>
#include <string>

#include "core/Object.h"
#include "scene/Uniforms.h"

namespace ember {

class Program;

// Binds variables to a program's uniforms by name. Each add looks the name up
// in the program's uniform map; a name the program does not declare (or whose
// location is negative because the driver removed it) adds nothing and
// returns false, without a message: the material simply lacks that uniform.
// Without a program or before begin every add returns false.
class UniformsBuilder {
public:
    UniformsBuilder();
    ~UniformsBuilder();

    // Stores the program; the current result is kept until the next begin.
    void setProgram(Program* program);
    Program* program() const { return program_.get(); }

    // Starts a new, empty Uniforms for the program as the current result.
    void begin();

    bool addInteger(const std::string& name, const int32_t* value);
    // count below 2: one float (glUniform1f); otherwise an array of count floats.
    bool addFloat(const std::string& name, int32_t count, const float* values);
    bool addVector2f(const std::string& name, const float* values);
    bool addVector4f(const std::string& name, const float* values);

    // The current result (null before begin).
    const Ref<Uniforms>& result() const { return result_; }

private:
    int32_t location(const std::string& name) const;

    Ref<Program> program_;
    Ref<Uniforms> result_;
};

}  // namespace ember
