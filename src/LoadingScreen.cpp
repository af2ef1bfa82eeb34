#include "LoadingScreen.h"

#include "loaders/JPEGLoader.h"
#include "loaders/ShaderLoader.h"
#include "rend/BufferObject.h"
#include "rend/Device.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Sampler.h"
#include "rend/Texture.h"
#include "rend/VertexArrayObject.h"

namespace ember {

namespace {
const char* const kTextureName = "loadingScreen";
const char* const kProgramName = "loading";
}  // namespace

LoadingScreen::LoadingScreen() = default;

LoadingScreen::~LoadingScreen() {
    program_.reset();
    samplers_.reset();
    vertices_.reset();
    vertexArray_.reset();
    textureRegistry().remove(kTextureName);
    programRegistry().remove(kProgramName);
}

bool LoadingScreen::initiate() {
    // A unit quad as a triangle strip; the vertex shader maps it onto the screen.
    static const float quad[8] = {1, 1, 0, 1, 1, 0, 0, 0};
    Ref<VertexBuffer> vertices(new VertexBuffer());
    vertices->setStride(8);
    vertices->addAttribute(AttributeSemantic::Position, 0, 2);
    vertices->create();
    vertices->bind();
    vertices->bufferData(BufferUsage::StaticDraw, sizeof(quad), quad);
    vertices->unbind();
    vertices_ = vertices;

    Ref<JPEGLoader> jpeg(new JPEGLoader());
    Ref<Texture> picture = jpeg->loadTexture("data/loading/loading.jpg");
    if (!picture) return false;
    TextureState state = picture->textureState();
    state.magFilter = TextureFilter::Linear;
    state.minFilter = TextureFilter::Linear;
    state.wrapS = TextureWrap::ClampToEdge;
    state.wrapT = TextureWrap::ClampToEdge;
    picture->bind();
    picture->setTextureState(state);
    picture->unbind();
    textureRegistry().add(kTextureName, picture);

    Ref<Program> program(new Program(kProgramName));
    Ref<ShaderLoader> shaders(new ShaderLoader());
    Ref<Shader> vs = shaders->load("data/loading/loading.vs", ShaderStage::Vertex);
    Ref<Shader> fs = shaders->load("data/loading/loading.fs", ShaderStage::Fragment);
    if (vs) program->setShader(ShaderStage::Vertex, vs.get());
    if (fs) program->setShader(ShaderStage::Fragment, fs.get());
    if (!program->compile()) {
        textureRegistry().remove(kTextureName);
        return false;
    }
    programRegistry().add(kProgramName, program);
    program_ = program;

    SamplerSetBuilder builder;
    builder.setProgram(program_.get());
    builder.addTexture(kTextureName, kProgramName);
    samplers_ = builder.samplerSet();

    vertexArray_ = VertexArrayObjectBuilder::buildVertexArrayObject(program_.get(), vertices_.get(), nullptr);
    return true;
}

void LoadingScreen::render(Device* device, float alpha, float progress) {
    device->setProgram(program_.get());
    if (program_->findUniform("params")) program_->setUniform2f("params", alpha, progress);
    device->setSamplerSet(samplers_.get());
    device->setVertexArrayObject(vertexArray_.get());
    device->drawArrays(PrimitiveType::TriangleStrip, 0, 4);
    device->setVertexArrayObject(nullptr);
}

} // namespace ember
