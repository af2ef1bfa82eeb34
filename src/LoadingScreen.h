#pragma once
#include "core/Object.h"

namespace ember {

class Device;
class Program;
class SamplerSet;
class VertexBuffer;
class VertexArrayObject;

// The picture shown while the demo loads: "data/loading/loading.jpg" drawn by
// the program "loading" on a unit quad, with alpha and progress passed in the
// uniform "params". Lives only during the demo's initiation; while it exists
// its texture is registered as "loadingScreen" and its program as "loading".
class LoadingScreen : public Object {
public:
    LoadingScreen();
    // Releases everything and removes both registry entries.
    ~LoadingScreen() override;

    // Builds the quad, loads the picture and the program. False when the
    // picture is missing or the program does not link (the loaders and the
    // program log why).
    bool initiate();
    // Draws one frame; the caller presents it. Nothing is cleared and no
    // blend or depth state is set here.
    void render(Device* device, float alpha, float progress);

private:
    Ref<Program> program_;
    Ref<SamplerSet> samplers_;
    Ref<VertexBuffer> vertices_;
    Ref<VertexArrayObject> vertexArray_;
};

} // namespace ember
