#include "DemoApplication.h"

#include <GL/glew.h>
#include <SDL.h>
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "LoadingScreen.h"
#include "Timeline.h"
#include "application/Logger.h"
#include "loaders/JPEGLoader.h"
#include "loaders/Mesh.h"
#include "loaders/PNGLoader.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/ShaderLoader.h"
#include "loaders/XmlFile.h"
#include "rend/Device.h"
#include "rend/DeviceError.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/RenderBuffer.h"
#include "rend/Sampler.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "rend/TextureCube.h"
#include "sound/Song.h"
#include "sound/SoundDevice.h"

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif
#ifndef GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT 0x84FF
#endif

namespace ember {

namespace {

const char* const kSource = "src/DemoApplication";

Logger& log() { return Logger::instance(); }

// ---- manifest name tables -------------------------------------------------

// Looks text up in a name table; names that match nothing (and a missing
// attribute) leave the field unchanged. True when the name was found.
template <class T>
bool lookupName(const std::map<std::string, T>& names, const char* text, T& field) {
    if (!text) return false;
    auto found = names.find(text);
    if (found == names.end()) return false;
    field = found->second;
    return true;
}

// Any text outside the table selects None, which the callers reject.
TextureFormat parseFormat(const char* text) {
    static const std::map<std::string, TextureFormat> names = {
        {"red_8", TextureFormat::R8},
        {"red_green_88", TextureFormat::RG8},
        {"rgb_888", TextureFormat::RGB8},
        {"rgba_8888", TextureFormat::RGBA8},
        {"depth_16", TextureFormat::Depth16},
        {"depth_24", TextureFormat::Depth24},
        {"depth_32", TextureFormat::Depth32},
        {"depth_stencil_24_8", TextureFormat::Depth24Stencil8},
        {"red_fp16", TextureFormat::R16F},
        {"red_fp32", TextureFormat::R32F},
        {"depth_fp32", TextureFormat::Depth32F},
        {"rgba_fp16", TextureFormat::RGBA16F},
        {"rgba_fp32", TextureFormat::RGBA32F},
        {"rgb_fp32", TextureFormat::RGB32F},
        {"red_green_fp32", TextureFormat::RG32F},
        {"depth_stencil_fp32_8", TextureFormat::Depth32FStencil8},
    };
    TextureFormat format = TextureFormat::None;
    lookupName(names, text, format);
    return format;
}

void parseFilter(const char* text, TextureFilter& filter) {
    static const std::map<std::string, TextureFilter> names = {
        {"nearest", TextureFilter::Nearest},
        {"linear", TextureFilter::Linear},
        {"nearest mipmap nearest", TextureFilter::NearestMipmapNearest},
        {"linear mipmap nearest", TextureFilter::LinearMipmapNearest},
        {"nearest mipmap linear", TextureFilter::NearestMipmapLinear},
        {"linear mipmap linear", TextureFilter::LinearMipmapLinear},
    };
    lookupName(names, text, filter);
}

void parseWrap(const char* text, TextureWrap& wrap) {
    static const std::map<std::string, TextureWrap> names = {
        {"edge", TextureWrap::ClampToEdge},
        {"repeat", TextureWrap::Repeat},
        {"border", TextureWrap::ClampToBorder},
        {"mirrored repeat", TextureWrap::MirroredRepeat},
        {"clamp", TextureWrap::ClampToEdge},
    };
    lookupName(names, text, wrap);
}

void parseCompareMode(const char* text, CompareMode& mode) {
    static const std::map<std::string, CompareMode> names = {
        {"ref", CompareMode::RefToTexture},
        {"none", CompareMode::None},
    };
    lookupName(names, text, mode);
}

void parseCompareFunc(const char* text, CompareFunc& func) {
    static const std::map<std::string, CompareFunc> names = {
        {"always", CompareFunc::Always},   {"less", CompareFunc::Less},
        {"lequal", CompareFunc::LessEqual}, {"equal", CompareFunc::Equal},
        {"nequal", CompareFunc::NotEqual},  {"gequal", CompareFunc::GreaterEqual},
        {"greater", CompareFunc::Greater},  {"never", CompareFunc::Never},
    };
    lookupName(names, text, func);
}

// Attachment types are validated: false for a name outside the table.
bool parseAttachment(const char* text, Attachment& attachment) {
    static const std::map<std::string, Attachment> names = {
        {"color0", Attachment::Color0}, {"color1", Attachment::Color1},
        {"color2", Attachment::Color2}, {"color3", Attachment::Color3},
        {"color4", Attachment::Color4}, {"color5", Attachment::Color5},
        {"color6", Attachment::Color6}, {"color7", Attachment::Color7},
        {"depth", Attachment::Depth},   {"stencil", Attachment::Stencil},
        {"depth_stencil", Attachment::DepthStencil},
    };
    return lookupName(names, text, attachment);
}

// A render-target size: a decimal integer, or a text holding "screen" (the
// configured size), divided by N when "/N" follows. A divisor of 0 or below
// gives size 0, which the caller rejects as invalid instead of dividing.
int32_t parseSize(const char* text, int32_t screen) {
    if (!text) return screen;
    const char* s = std::strstr(text, "screen");
    if (s) {
        const char* slash = std::strchr(s, '/');
        if (!slash) return screen;
        char* end = nullptr;
        long divisor = std::strtol(slash + 1, &end, 10);
        if (end == slash + 1) return screen;
        if (divisor <= 0) return 0;
        return static_cast<int32_t>(screen / divisor);
    }
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text) return screen;
    if (value > 1 << 16) value = 1 << 16;
    if (value < -1) value = -1;
    return static_cast<int32_t>(value);
}

const char* nameOf(TiXmlElement* e) {
    const char* name = e->Attribute("name");
    return name ? name : "";
}

int countChildElements(TiXmlElement* parent) {
    int n = 0;
    for (TiXmlElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement()) ++n;
    return n;
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Applies a render target's "sampler" child to state; false after the logged
// reason when "filtering" or "wrap" is empty.
bool readTargetSampler(TiXmlElement* element, TextureState& state) {
    TiXmlElement* sampler = element->FirstChildElement("sampler");
    if (!sampler) return true;
    if (TiXmlElement* filtering = sampler->FirstChildElement("filtering")) {
        const char* mag = filtering->Attribute("mag");
        const char* min = filtering->Attribute("min");
        if (!mag && !min) {
            log().writeFormatted("Unable to find filtering attributes for texture %s", nameOf(element));
            return false;
        }
        parseFilter(mag, state.magFilter);
        parseFilter(min, state.minFilter);
    }
    if (TiXmlElement* wrap = sampler->FirstChildElement("wrap")) {
        const char* s = wrap->Attribute("s");
        const char* t = wrap->Attribute("t");
        const char* r = wrap->Attribute("r");
        if (!s && !t && !r) {
            log().writeFormatted("Unable to find wrap attributes for texture %s", nameOf(element));
            return false;
        }
        parseWrap(s, state.wrapS);
        parseWrap(t, state.wrapT);
        parseWrap(r, state.wrapR);
    }
    return true;
}

float floatAttribute(TiXmlElement* e, const char* name, float fallback) {
    float value = fallback;
    if (e->QueryFloatAttribute(name, &value) != TIXML_SUCCESS) return fallback;
    return value;
}

}  // namespace

// ---- construction -----------------------------------------------------------

DemoApplication::DemoApplication() { configureThread(); }

DemoApplication::~DemoApplication() {
    loadingScreen.reset();
    device.reset();
    song.reset();
    soundDevice.reset();
}

void DemoApplication::configureThread() {
    // The demo's thread asks for a higher scheduling priority where the system
    // grants it. It is deliberately not pinned to one processor: on Linux every
    // thread created later (the GL driver's rasterizer threads, the audio
    // mixer) inherits the mask, and pinning them all to one core serialises the
    // renderer behind the frame loop.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
}

// ---- input ------------------------------------------------------------------

void DemoApplication::onKeyUp(int key, int) {
    if (key == 27) quit();
}

void DemoApplication::onResize(int width, int height) {
    clientWidth = width;
    clientHeight = height;
}

bool DemoApplication::onContentLoaded() { return true; }

bool DemoApplication::initiateSoundOutput() {
    std::string reason;
    if (soundDevice->initiate(getWindowHandle(), &reason)) return true;
    // A machine without a sound card (or with its sound server down) still
    // shows the demo: the song's clock runs on a silent output instead.
    log().writeFormatted("No audio output (%s); playing on a silent clock", reason.c_str());
    return soundDevice->initiateSilent();
}

// ---- frame ------------------------------------------------------------------

float DemoApplication::currentBeat() const {
    return song ? song->positionInBeats() : 0.0f;
}

double DemoApplication::measureFrameTime() {
    int64_t counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    double seconds = counterFrequency > 0 ? double(counter - lastCounter) / double(counterFrequency) : 0.0;
    lastCounter = counter;
    return seconds;
}

void DemoApplication::onFrame() {
    frameTime = measureFrameTime();

    float beat = currentBeat();

    device->resetDevice();
    device->setClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    device->setClearDepth(1.0);
    device->setClearStencil(0);
    device->clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    bool running = updateParts(device.get(), beat, static_cast<float>(frameTime));

    swapBuffers();
    if (song) song->update();
    if (!running) quit();
}

// ---- loading and shutdown ---------------------------------------------------

void DemoApplication::fadeLoadingScreen(bool in) {
    for (int i = 0; i < 32; ++i) {
        float step = 0.032258064f * static_cast<float>(i);
        loadingScreen->render(device.get(), in ? step : 1.0f - step, in ? 0.0f : 1.0f);
        swapBuffers();
        if (uint32_t pause = fadePauseMilliseconds()) SDL_Delay(pause);
    }
}

void DemoApplication::showProgress(float progress) {
    if (!loadingScreen || !device) return;
    loadingScreen->render(device.get(), 1.0f, progress);
    swapBuffers();
}

bool DemoApplication::onInitiate() {
    log().beginSection("initiate");
    auto fail = [] {
        log().endSection("initiate");
        return false;
    };

    loadingScreen = new LoadingScreen();
    if (!loadingScreen->initiate()) return fail();

    device = new Device();
    device->resetDevice();
    if (vendorIsNotNvidia) {
        log().beginSection("AMD driver test");
        log().endSection("AMD driver test");
    }

    GLfloat maximum = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    checkGLError(__LINE__, "DemoApplication::onInitiate", kSource);
    maxAnisotropy = maximum;
    if (anisotropy > maxAnisotropy) anisotropy = maxAnisotropy;

    fadeLoadingScreen(true);

    soundDevice = new SoundDevice();
    if (!initiateSoundOutput()) return fail();

    if (!loadContentFromXML("data/demo.xml") || !onContentLoaded()) return fail();
    if (!registerParts() || !initiateParts()) return fail();

    device->resetDevice();
    fadeLoadingScreen(false);
    loadingScreen.reset();

    lastCounter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    counterFrequency = static_cast<int64_t>(SDL_GetPerformanceFrequency());
    frameTime = 0;

    if (soundDevice->isInitialised()) soundDevice->start();
    song->play();
    if (songStart > 0.0f) {
        song->seekToBeat(songStart);
        if (looping && songStop > songStart) song->setLoop(songStart, songStop);
    }

    log().endSection("initiate");
    return true;
}

void DemoApplication::onTerminate() {
    log().beginSection("terminate");
    terminateParts();
    textureRegistry().clear();
    framebufferRegistry().clear();
    programRegistry().clear();
    meshRegistry().clear();
    song.reset();
    soundDevice.reset();
    device.reset();
    loadingScreen.reset();
    log().endSection("terminate");
}

// ---- content manifest -------------------------------------------------------

bool DemoApplication::loadContentFromXML(const std::string& path) {
    log().beginSection("content");
    auto fail = [] {
        log().endSection("content");
        return false;
    };

    TiXmlDocument document;
    if (!XmlFile::load(path, document)) {
        log().writeFormatted("Unable to load %s", path.c_str());
        if (document.Error() && document.ErrorDesc()) log().writeFormatted("XML: %s", document.ErrorDesc());
        return fail();
    }
    TiXmlElement* demo = document.FirstChildElement("demo");
    if (!demo) {
        log().writeLine("Unable to find demo element");
        return fail();
    }
    if (!loadSong(demo)) return fail();

    // The sections are read in this order whatever their order in the file.
    using SectionLoader = bool (DemoApplication::*)(TiXmlElement*);
    static const struct {
        const char* name;
        SectionLoader load;
    } sections[] = {
        {"framebuffers", &DemoApplication::loadFramebuffers},
        {"shaders", &DemoApplication::loadShaders},
        {"textures", &DemoApplication::loadTextures},
        {"models", &DemoApplication::loadModels},
    };
    for (const auto& section : sections) {
        TiXmlElement* element = demo->FirstChildElement(section.name);
        if (!element) {
            log().writeFormatted("Unable to find %s element", section.name);
            return fail();
        }
        if (!(this->*section.load)(element)) return fail();
    }

    log().endSection("content");
    return true;
}

bool DemoApplication::loadSong(TiXmlElement* demo) {
    TiXmlElement* element = demo->FirstChildElement("song");
    if (!element) {
        log().writeLine("Unable to find song element");
        return false;
    }
    const char* file = element->Attribute("file");
    if (!file) {
        log().writeLine("Song without file attribute");
        return false;
    }
    int bpm = 0;
    if (element->QueryIntAttribute("bpm", &bpm) != TIXML_SUCCESS || bpm == 0) {
        log().writeLine("Song without bpm attribute");
        return false;
    }

    songStart = 0.0f;
    songStop = -1.0f;
    looping = false;
    if (element->QueryFloatAttribute("start", &songStart) != TIXML_SUCCESS) {
        songStart = 0.0f;
    } else if (element->QueryFloatAttribute("stop", &songStop) != TIXML_SUCCESS) {
        songStop = 0.0f;
    } else if (element->QueryBoolAttribute("looping", &looping) != TIXML_SUCCESS) {
        looping = false;
    }

    song = Song::open(std::string("data/") + file, soundDevice.get());
    if (!song) {
        log().writeLine("Unable to load song");
        return false;
    }
    song->setTempo(bpm);
    return true;
}

bool DemoApplication::loadFramebuffers(TiXmlElement* section) {
    const int32_t screenWidth = settings().width;
    const int32_t screenHeight = settings().height;
    int children = countChildElements(section);
    float progress = 0.0f;
    const float step = children > 0 ? 0.1f / static_cast<float>(children) : 0.0f;

    // Render targets first, then cube maps, render buffers and framebuffers,
    // so that attachments can name any target whatever the document order.
    // Each target kind needs name, size and format; `word` names it in messages.
    struct Target {
        const char* name;
        int32_t width, height;
        TextureFormat format;
    };
    auto readTarget = [&](TiXmlElement* e, const char* word, Target& t) {
        t.name = e->Attribute("name");
        const char* width = e->Attribute("width");
        const char* height = e->Attribute("height");
        const char* format = e->Attribute("format");
        if (!t.name || !width || !height || !format) {
            log().writeFormatted("Missing attributes in %s %s", word, nameOf(e));
            return false;
        }
        t.width = parseSize(width, screenWidth);
        t.height = parseSize(height, screenHeight);
        t.format = parseFormat(format);
        if (t.format == TextureFormat::None || t.width < 1 || t.height < 1) {
            log().writeFormatted("Invalid attributes in %s %s", word, t.name);
            return false;
        }
        return true;
    };
    // Applies the target's sampling state (nearest, clamped, and whatever its
    // "sampler" child says), then registers it.
    auto finishTarget = [&](TiXmlElement* e, Texture* texture, TextureState state, const char* name) {
        state.magFilter = state.minFilter = TextureFilter::Nearest;
        state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
        if (!readTargetSampler(e, state)) return false;
        texture->bind();
        texture->setTextureState(state);
        texture->unbind();
        textureRegistry().add(name, texture);
        showProgress(progress += step);
        return true;
    };

    for (TiXmlElement* e = section->FirstChildElement("texture"); e; e = e->NextSiblingElement("texture")) {
        Target t;
        if (!readTarget(e, "texture", t)) return false;
        Ref<Texture2D> texture(new Texture2D());
        if (!texture->create(t.width, t.height, t.format)) {
            log().writeFormatted("Unable to create texture %s", t.name);
            return false;
        }
        // Render targets are read as plain values: no depth comparison.
        TextureState state = texture->textureState();
        state.compare = false;
        if (!finishTarget(e, texture.get(), state, t.name)) return false;
    }

    for (TiXmlElement* e = section->FirstChildElement("cubemap"); e; e = e->NextSiblingElement("cubemap")) {
        Target t;
        if (!readTarget(e, "texture", t)) return false;
        Ref<TextureCube> cube(new TextureCube());
        if (!cube->create(t.width, t.height, t.format)) {
            log().writeFormatted("Unable to create texture %s", t.name);
            return false;
        }
        if (!finishTarget(e, cube.get(), cube->textureState(), t.name)) return false;
    }

    for (TiXmlElement* e = section->FirstChildElement("renderbuffer"); e;
         e = e->NextSiblingElement("renderbuffer")) {
        Target t;
        if (!readTarget(e, "renderbuffer", t)) return false;
        Ref<RenderBuffer> buffer(new RenderBuffer());
        if (!buffer->create(t.width, t.height, t.format)) {
            log().writeFormatted("Unable to create renderbuffer %s", t.name);
            return false;
        }
        textureRegistry().add(t.name, buffer);
        showProgress(progress += step);
    }

    for (TiXmlElement* e = section->FirstChildElement("fbo"); e; e = e->NextSiblingElement("fbo")) {
        const char* name = e->Attribute("name");
        if (!name) {
            log().writeLine("FBO without name");
            return false;
        }
        Ref<Framebuffer> framebuffer(new Framebuffer());
        for (TiXmlElement* a = e->FirstChildElement("attachment"); a; a = a->NextSiblingElement("attachment")) {
            const char* type = a->Attribute("type");
            const char* buffer = a->Attribute("buffer");
            Attachment attachment;
            if (!parseAttachment(type, attachment)) {
                log().writeFormatted("FBO %s unknown attachment type %s", name, type ? type : "");
                return false;
            }
            Ref<Texture> texture = buffer ? textureRegistry().get(buffer) : Ref<Texture>();
            if (!texture) {
                log().writeFormatted("Unable to find attachment %s FBO %s", buffer ? buffer : "", name);
                return false;
            }
            framebuffer->setAttachment(attachment, texture.get());
        }
        if (!framebuffer->create()) {
            log().writeFormatted("Unable to create FBO %s", name);
            return false;
        }
        framebufferRegistry().add(name, framebuffer);
        showProgress(progress += step);
    }
    return true;
}

bool DemoApplication::loadShaders(TiXmlElement* section) {
    int children = countChildElements(section);
    float progress = 0.1f;
    const float step = children > 0 ? 0.1f / static_cast<float>(children) : 0.0f;
    Ref<ShaderLoader> loader(new ShaderLoader("data/shaders/"));

    for (TiXmlElement* e = section->FirstChildElement("program"); e; e = e->NextSiblingElement("program")) {
        static const char* const stageNames[5] = {"vert", "geom", "frag", "tess", "comp"};
        bool on[5] = {false, false, false, false, false};
        bool anyPresent = false;
        for (int i = 0; i < 5; ++i) {
            const char* value = e->Attribute(stageNames[i]);
            if (value) anyPresent = true;
            on[i] = value && std::strcmp(value, "yes") == 0;
        }
        if (!anyPresent) on[0] = on[2] = true;
        const bool vert = on[0], geom = on[1], frag = on[2], tess = on[3], comp = on[4];

        const char* name = e->Attribute("name");
        if (!name) {
            log().writeLine("Program without name");
            return false;
        }

        TiXmlElement* feedback = e->FirstChildElement("feedback");
        TransformFeedbackMode mode = TransformFeedbackMode::Interleaved;
        std::vector<std::string> varyings;
        if (feedback) {
            const char* type = feedback->Attribute("type");
            if (type && std::strcmp(type, "separate") == 0) mode = TransformFeedbackMode::Separate;
            for (TiXmlElement* v = feedback->FirstChildElement("varying"); v; v = v->NextSiblingElement("varying")) {
                const char* varying = v->Attribute("name");
                if (!varying) {
                    log().writeFormatted("Feedback varying without name: %s", name);
                    return false;
                }
                varyings.push_back(varying);
            }
        }

        std::vector<std::pair<std::string, SamplerState>> samplers;
        std::set<std::string> samplerNames;
        for (TiXmlElement* s = e->FirstChildElement("sampler"); s; s = s->NextSiblingElement("sampler")) {
            SamplerState state;
            if (TiXmlElement* filtering = s->FirstChildElement("filtering")) {
                parseFilter(filtering->Attribute("mag"), state.magFilter);
                parseFilter(filtering->Attribute("min"), state.minFilter);
            }
            if (TiXmlElement* wrap = s->FirstChildElement("wrap")) {
                parseWrap(wrap->Attribute("wrapS"), state.wrapS);
                parseWrap(wrap->Attribute("wrapT"), state.wrapT);
                parseWrap(wrap->Attribute("wrapR"), state.wrapR);
            }
            if (TiXmlElement* depth = s->FirstChildElement("depth")) {
                parseCompareMode(depth->Attribute("mode"), state.compareMode);
                parseCompareFunc(depth->Attribute("func"), state.compareFunc);
            }
            if (TiXmlElement* lod = s->FirstChildElement("lod")) {
                state.minLod = floatAttribute(lod, "min", state.minLod);
                state.maxLod = floatAttribute(lod, "max", state.maxLod);
                state.lodBias = floatAttribute(lod, "bias", state.lodBias);
            }
            if (TiXmlElement* border = s->FirstChildElement("border")) {
                state.borderColor[0] = floatAttribute(border, "r", state.borderColor[0]);
                state.borderColor[1] = floatAttribute(border, "g", state.borderColor[1]);
                state.borderColor[2] = floatAttribute(border, "b", state.borderColor[2]);
                state.borderColor[3] = floatAttribute(border, "a", state.borderColor[3]);
            }
            const char* samplerName = s->Attribute("name");
            if (!samplerName) {
                log().writeFormatted("Program sampler without name: %s", name);
                return false;
            }
            if (!samplerNames.insert(samplerName).second) {
                log().writeFormatted("Program sampler %s redefined: %s", samplerName, name);
                return false;
            }
            samplers.emplace_back(samplerName, state);
        }

        const std::string base = std::string("data/shaders/") + name;
        Ref<Program> program(new Program(name));
        auto attach = [&](ShaderStage stage, const char* extension) {
            Ref<Shader> shader = loader->load(base + extension, stage);
            if (shader) program->setShader(stage, shader.get());
            return bool(shader);
        };
        bool linked = false;
        if (feedback) {
            attach(ShaderStage::Vertex, ".vert");
            attach(ShaderStage::Geometry, ".geom");
            std::vector<const char*> names;
            for (const std::string& v : varyings) names.push_back(v.c_str());
            linked = program->compile(static_cast<int32_t>(names.size()), names.empty() ? nullptr : names.data(),
                                      mode);
        } else if (comp) {
            attach(ShaderStage::Compute, ".comp");
            linked = program->compile();
        } else if (tess) {
            attach(ShaderStage::Vertex, ".vert");
            attach(ShaderStage::TessControl, ".ctrl");
            attach(ShaderStage::TessEvaluation, ".eval");
            attach(ShaderStage::Fragment, ".frag");
            linked = program->compile();
        } else if (!vert || !frag) {
            log().writeFormatted("Program without valid shader setup: %s", name);
            return false;
        } else {
            attach(ShaderStage::Vertex, ".vert");
            attach(ShaderStage::Fragment, ".frag");
            if (geom) attach(ShaderStage::Geometry, ".geom");
            linked = program->compile();
        }
        if (!linked) {
            log().writeFormatted("Unable to load program %s", name);
            return false;
        }
        programRegistry().add(name, program);

        // Sampler objects go to the program only on NVIDIA's driver, where they
        // were tuned; other drivers keep the textures' own state.
        if (!samplers.empty() && !vendorIsNotNvidia) {
            Ref<Program> registered = programRegistry().get(name);
            for (auto& [samplerName, state] : samplers) {
                if (!registered->findSampler(samplerName)) {
                    log().writeFormatted("Unable to map sampler %s to program (probably harmless): %s",
                                         samplerName.c_str(), name);
                    continue;
                }
                registered->attachSampler(samplerName, state);
            }
        }
        showProgress(progress += step);
    }
    return true;
}

bool DemoApplication::loadTextures(TiXmlElement* section) {
    int children = countChildElements(section);
    float progress = 0.2f;
    const float step = children > 0 ? 0.6f / static_cast<float>(children) : 0.0f;

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    checkGLError(__LINE__, "DemoApplication::loadContentFromXML", kSource);

    Ref<PNGLoader> png(new PNGLoader());
    Ref<JPEGLoader> jpeg(new JPEGLoader());

    TiXmlElement* first = section->FirstChildElement("image");
    if (!first) first = section->FirstChildElement("cubemap");
    for (TiXmlElement* e = first; e; e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        const char* file = e->Attribute("file");
        if (!name || !file) {
            log().writeLine("malformed image/cubemap element");
            return false;
        }
        const std::string path = std::string("data/textures/") + file;
        const char* kind = e->Value();
        Ref<Texture> texture;
        if (startsWith(kind, "image")) {
            ImageLoader* loader = nullptr;
            if (png->canLoad(path)) loader = png.get();
            else if (jpeg->canLoad(path)) loader = jpeg.get();
            if (!loader) {
                log().writeFormatted("ERROR! Unable to find suitable loader for %s\n", path.c_str());
                return false;
            }
            const char* premult = e->Attribute("premult");
            png->setPremultiply(loader == png.get() && premult && std::strcmp(premult, "yes") == 0);
            texture = loader->loadTexture(path);
            png->setPremultiply(false);
        } else if (startsWith(kind, "cubemap")) {
            static const CubeFace faces[6] = {CubeFace::PositiveX, CubeFace::NegativeX, CubeFace::PositiveY,
                                              CubeFace::NegativeY, CubeFace::PositiveZ, CubeFace::NegativeZ};
            Ref<TextureCube> cube;
            for (int i = 0; i < 6; ++i) {
                char suffix[16];
                std::snprintf(suffix, sizeof(suffix), "_c%02d.png", i);
                DecodedImage image;
                if (!png->readImage(path + suffix, image)) {
                    cube.reset();
                    break;
                }
                if (i == 0) {
                    cube = new TextureCube();
                    if (!cube->create(image.width, image.height, image.format)) {
                        cube.reset();
                        break;
                    }
                    TextureState state = cube->textureState();
                    state.magFilter = state.minFilter = TextureFilter::Linear;
                    state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
                    cube->bind();
                    cube->setTextureState(state);
                } else if (image.width != cube->width() || image.height != cube->height() ||
                           image.format != cube->format()) {
                    // A face that does not match the first would be read past its end.
                    log().writeFormatted("Cube map face %s%s does not match the first face", path.c_str(), suffix);
                    cube->unbind();
                    cube.reset();
                    break;
                }
                cube->uploadData(image.pixels, faces[i]);
                if (i == 5) cube->unbind();
            }
            texture = cube;
        }
        if (!texture) {
            log().writeFormatted("Unable to load image/cubemap %s\n", name);
            return false;
        }
        textureRegistry().add(name, texture);

        TextureState state = texture->textureState();
        switch (texture->type()) {
            case TextureType::Texture1D:
                state.magFilter = state.minFilter = TextureFilter::Linear;
                state.wrapS = state.wrapT = TextureWrap::ClampToEdge;
                break;
            case TextureType::Texture2D:
                state.magFilter = TextureFilter::Linear;
                state.minFilter = TextureFilter::LinearMipmapLinear;
                state.wrapS = state.wrapT = TextureWrap::Repeat;
                break;
            case TextureType::Texture3D:
                state.magFilter = state.minFilter = TextureFilter::Nearest;
                state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
                break;
            case TextureType::TextureCube:
                state.magFilter = state.minFilter = TextureFilter::Linear;
                state.wrapS = state.wrapT = state.wrapR = TextureWrap::ClampToEdge;
                break;
            default:
                break;
        }
        float textureAnisotropy = anisotropy;
        if (TiXmlElement* sampler = e->FirstChildElement("sampler")) {
            if (TiXmlElement* filtering = sampler->FirstChildElement("filtering")) {
                const char* mag = filtering->Attribute("mag");
                const char* min = filtering->Attribute("min");
                if (!mag && !min) {
                    log().writeLine("Unable to find filtering attributes");
                    return false;
                }
                float value = 0.0f;
                if (filtering->QueryFloatAttribute("anisotropic", &value) == TIXML_SUCCESS && anisotropy > 1.0f)
                    textureAnisotropy = std::min(anisotropy, value * maxAnisotropy + 1.0f);
                parseFilter(mag, state.magFilter);
                parseFilter(min, state.minFilter);
            }
            if (TiXmlElement* wrap = sampler->FirstChildElement("wrap")) {
                const char* s = wrap->Attribute("s");
                const char* t = wrap->Attribute("t");
                const char* r = wrap->Attribute("r");
                if (!s && !t && !r) {
                    log().writeLine("Unable to find wrap attributes");
                    return false;
                }
                parseWrap(s, state.wrapS);
                parseWrap(t, state.wrapT);
                parseWrap(r, state.wrapR);
            }
        }
        texture->bind();
        texture->setTextureState(state);
        const bool is2D = texture->type() == TextureType::Texture2D;
        if (is2D && textureAnisotropy > 1.0f) {
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, textureAnisotropy);
            checkGLError(__LINE__, "DemoApplication::loadContentFromXML", kSource);
        }
        texture->unbind();
        if (is2D) static_cast<Texture2D*>(texture.get())->generateMipMaps();
        showProgress(progress += step);
    }
    return true;
}

bool DemoApplication::loadModels(TiXmlElement* section) {
    int children = countChildElements(section);
    float progress = 0.8f;
    const float step = children > 0 ? 0.2f / static_cast<float>(children) : 0.0f;
    Ref<RAWMeshLoader> loader(new RAWMeshLoader());
    for (TiXmlElement* e = section->FirstChildElement("mesh"); e; e = e->NextSiblingElement("mesh")) {
        const char* name = e->Attribute("name");
        const char* file = e->Attribute("file");
        if (!name || !file) {
            log().writeLine("Unable to find mesh attributes");
            return false;
        }
        Ref<Mesh> mesh = loader->loadMesh(std::string("data/models/") + file);
        if (!mesh) {
            log().writeFormatted("Unable to load mesh %s", file);
            return false;
        }
        meshRegistry().add(name, mesh);
        showProgress(progress += step);
    }
    return true;
}

} // namespace ember
