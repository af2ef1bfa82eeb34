#include "Quillmoor.h"

#include "ProceduralTextures.h"
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

    {
        std::vector<float> normals = ProceduralTextures::randomNormals();
        const int n = ProceduralTextures::randomNormalsSize;
        Ref<Texture2D> texture(new Texture2D());
        texture->create(n, n, TextureFormat::RGB32F);
        texture->bind();
        applyVectorState(texture.get());
        texture->uploadData(normals.data());
        texture->unbind();
        textureRegistry().add("random_normals", texture);
    }
    {
        std::vector<float> velocity = ProceduralTextures::curlVelocity2D();
        const int n = ProceduralTextures::curl2DSize;
        Ref<Texture2D> texture(new Texture2D());
        texture->create(n, n, TextureFormat::RG32F);
        texture->bind();
        applyVectorState(texture.get());
        texture->uploadData(velocity.data());
        texture->unbind();
        textureRegistry().add("curl_vel_2d", texture);
    }
    {
        std::vector<float> curl = ProceduralTextures::curlVelocity3D();
        const int n = ProceduralTextures::curl3DSize;
        Ref<Texture3D> texture(new Texture3D());
        texture->create(n, n, n, TextureFormat::RGB32F);
        texture->bind();
        applyVectorState(texture.get());
        texture->uploadData(curl.data());
        texture->unbind();
        textureRegistry().add("curl_vel_3d", texture);
    }
    return true;
}

bool Quillmoor::registerParts() {
    // The timeline is filled part by part as the parts are built; with none
    // registered the demo ends at its first beat.
    return true;
}

}  // namespace qm
