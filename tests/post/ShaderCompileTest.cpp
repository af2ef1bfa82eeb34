// Every program under data/shaders/ (a base name with its stage files)
// compiles and links on the real context through the engine's loader, includes
// expanded.
#include <filesystem>
#include <map>
#include <set>

#include "PostTestSupport.h"

namespace {

using namespace ember;
namespace fs = std::filesystem;

const std::map<std::string, ShaderStage> kStages = {
    {".vert", ShaderStage::Vertex},         {".frag", ShaderStage::Fragment},
    {".geom", ShaderStage::Geometry},       {".ctrl", ShaderStage::TessControl},
    {".eval", ShaderStage::TessEvaluation}, {".comp", ShaderStage::Compute},
};

class ShaderCompileTest : public posttest::PostTest {};

TEST_F(ShaderCompileTest, EveryProgramUnderDataShadersLinks) {
    const fs::path root = fs::path(EMBER_SOURCE_DIR) / "data" / "shaders";
    std::map<std::string, std::set<std::string>> programs;  // base path -> stage extensions
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = entry.path().extension().string();
        if (!kStages.count(ext)) continue;
        programs[(entry.path().parent_path() / entry.path().stem()).string()].insert(ext);
    }
    ASSERT_GE(programs.size(), 14u);
    ShaderLoader loader(root.string() + "/");
    for (const auto& [base, stages] : programs) {
        SCOPED_TRACE(base);
        Ref<Program> program(new Program(fs::path(base).lexically_relative(root).string()));
        for (const std::string& ext : stages) {
            Ref<Shader> shader = loader.load(base + ext, kStages.at(ext));
            ASSERT_TRUE(shader) << posttest::readLog();
            program->setShader(kStages.at(ext), shader.get());
        }
        EXPECT_TRUE(program->compile()) << posttest::readLog();
    }
}

}  // namespace
