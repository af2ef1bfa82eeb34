#include "support/GLTestContext.h"

#include <GL/glew.h>
#include <SDL.h>

namespace embertest {

namespace {
SDL_Window* gWindow = nullptr;
SDL_GLContext gContext = nullptr;
std::string gError;
bool gTried = false;
int gMajor = 0, gMinor = 0;
}

bool GLTestContext::acquire(int major, int minor) {
    if (!gTried) {
        gTried = true;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            gError = std::string("SDL_Init: ") + SDL_GetError();
            return false;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        gWindow = SDL_CreateWindow("test", 0, 0, 256, 256, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!gWindow) {
            gError = std::string("SDL_CreateWindow: ") + SDL_GetError();
            return false;
        }
        gContext = SDL_GL_CreateContext(gWindow);
        if (!gContext) {
            gError = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
            return false;
        }
        glewExperimental = GL_TRUE;
        GLenum e = glewInit();
        if (e != GLEW_OK) {
            gError = std::string("glewInit: ") + reinterpret_cast<const char*>(glewGetErrorString(e));
            return false;
        }
        while (glGetError() != GL_NO_ERROR) {
        }
        glGetIntegerv(GL_MAJOR_VERSION, &gMajor);
        glGetIntegerv(GL_MINOR_VERSION, &gMinor);
    }
    if (!gContext) return false;
    if (gMajor * 10 + gMinor < major * 10 + minor) {
        gError = "context version too low";
        return false;
    }
    return true;
}

const std::string& GLTestContext::error() { return gError; }
SDL_Window* GLTestContext::window() { return gWindow; }

} // namespace embertest
