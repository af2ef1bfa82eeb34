#include "Quillmoor.h"

#include "Flow.h"
#include "Intro.h"
#include "ProceduralTextures.h"
#include "Timeline.h"
#include "application/SettingsDialog.h"
#include "rend/Registry.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"

namespace qm {

using namespace ember;

namespace {

// Nearest filtering, repeating, alpha read as one: the state every procedural
// vector texture shares.
void applyVectorState(Texture* texture) {
    TextureState state = texture->textureState();
    state.magFilter = state.minFilter = TextureFilter::Nearest;
    state.wrapS = state.wrapT = TextureWrap::Repeat;
    state.swizzle[3] = Swizzle::One;
    texture->setTextureState(state);
}

// Creates a float vector texture of kind T and the given size, uploads data and
// registers it under name.
template <class T, class... Size>
void addVectorTexture(const char* name, const std::vector<float>& data, TextureFormat format, Size... size) {
    Ref<T> texture(new T());
    texture->create(size..., format);
    texture->bind();
    applyVectorState(texture.get());
    texture->uploadData(data.data());
    texture->unbind();
    textureRegistry().add(name, texture);
}

}  // namespace

Quillmoor::Quillmoor() = default;
Quillmoor::~Quillmoor() = default;

ApplicationSettings Quillmoor::defaultSettings() {
    ApplicationSettings s;
    s.title = "Quillmoor / Marrowgate";
    s.width = 1280;
    s.height = 720;
    s.fullscreen = true;
    s.verticalSync = true;
    s.samples = 1;
    s.anisotropy = 1;
    s.glVersion = 3;
    s.sRGB = false;
    return s;
}

bool Quillmoor::onConfigure() {
    ApplicationSettings s = defaultSettings();
    bool run = showSettingsDialog(s, "data/loading/dialog.png");
    setSettings(s);
    anisotropy = static_cast<float>(s.anisotropy);
    return run;
}

bool Quillmoor::onInitiate() { return DemoApplication::onInitiate(); }

void Quillmoor::onTerminate() { DemoApplication::onTerminate(); }

bool Quillmoor::onContentLoaded() {
    // Gradients: a manifest texture of the same name stays registered.
    static const char* const gradients[] = {"qm_gradient"};
    for (const char* name : gradients) {
        std::vector<uint8_t> ramp = ProceduralTextures::gradient(ProceduralTextures::gradientPath(name));
        Ref<Texture1D> texture(new Texture1D());
        texture->create(ProceduralTextures::gradientWidth, TextureFormat::RGB8);
        texture->bind();
        texture->uploadData(ramp.data());
        TextureState state = texture->textureState();
        state.magFilter = state.minFilter = TextureFilter::Linear;
        state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
        texture->setTextureState(state);
        texture->unbind();
        textureRegistry().add(name, texture);
    }

    const int normals = ProceduralTextures::randomNormalsSize;
    addVectorTexture<Texture2D>("random_normals", ProceduralTextures::randomNormals(), TextureFormat::RGB32F,
                                normals, normals);
    const int curl2D = ProceduralTextures::curl2DSize;
    addVectorTexture<Texture2D>("curl_vel_2d", ProceduralTextures::curlVelocity2D(), TextureFormat::RG32F, curl2D,
                                curl2D);
    const int curl3D = ProceduralTextures::curl3DSize;
    addVectorTexture<Texture3D>("curl_vel_3d", ProceduralTextures::curlVelocity3D(), TextureFormat::RGB32F, curl3D,
                                curl3D, curl3D);
    return true;
}

bool Quillmoor::registerParts() {
    // The timeline is filled part by part as the parts are built; with none
    // registered the demo ends at its first beat.
    // -- Intro --
    ember::addPart("Intro", 0.0f, new Intro(), 96.0f);

    // -- Flow --
    ember::addPart("Flow", 96.0f, new Flow(), 224.0f);
    return true;
}

}  // namespace qm
