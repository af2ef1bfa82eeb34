#include "rend/Registry.h"

#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Texture.h"

namespace ember {

TextureRegistry& textureRegistry() {
    return TextureRegistry::instance();
}
FramebufferRegistry& framebufferRegistry() {
    return FramebufferRegistry::instance();
}
ProgramRegistry& programRegistry() {
    return ProgramRegistry::instance();
}

}  // namespace ember
