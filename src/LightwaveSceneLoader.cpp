#include "LightwaveSceneLoader.h"

#include <zlib.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "application/Logger.h"
#include "loaders/Mesh.h"
#include "loaders/gzstream.h"
#include "rend/Registry.h"
#include "rend/Texture.h"
#include "rend/Texture2D.h"
#include "scene/Camera.h"
#include "scene/CameraController.h"
#include "scene/DirectionalLight.h"
#include "scene/Group.h"
#include "scene/LightIntensityController.h"
#include "scene/LinearLight.h"
#include "scene/ObjectDissolveController.h"
#include "scene/PointLight.h"
#include "scene/PositionController.h"
#include "scene/PositionRotationController.h"
#include "scene/ProjectiveLight.h"
#include "scene/RotationController.h"
#include "scene/ScaleController.h"
#include "scene/SpotLight.h"
#include "scene/SubModel.h"

namespace ember {

namespace {

const char* const kSource = "src/LightwaveSceneLoader";

// Seconds to minutes, as the engine has always held it.
constexpr float kPerMinute = 0.016666668f;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Result of scanning one field.
enum class Scan { Ok, Missing, OutOfRange };

// Reads the whitespace-separated fields of one line the way the scene format
// was always scanned ("%*s %d %f ..."), but with every number checked: a field
// that is not a number stops the scan (later fields keep their values), a
// number that does not fit its type is reported as out of range.
class Fields {
public:
    explicit Fields(std::string_view line) : line_(line) {}

    // The "%*s": skips the first word of the line.
    Fields& skipWord() {
        std::string_view w;
        word(w);
        return *this;
    }

    Scan word(std::string_view& out) {
        skipBlanks();
        const size_t start = pos_;
        while (pos_ < line_.size() && !isBlank(line_[pos_])) ++pos_;
        if (pos_ == start) return Scan::Missing;
        out = line_.substr(start, pos_ - start);
        return Scan::Ok;
    }

    Scan word(std::string& out) {
        std::string_view w;
        const Scan s = word(w);
        if (s == Scan::Ok) out.assign(w.data(), w.size());
        return s;
    }

    // %d and %hd: optional sign, decimal digits, within [lo, hi].
    Scan integer(int64_t& out, int64_t lo, int64_t hi) {
        skipBlanks();
        size_t p = pos_;
        bool negative = false;
        if (p < line_.size() && (line_[p] == '+' || line_[p] == '-')) negative = line_[p++] == '-';
        const size_t digits = p;
        int64_t v = 0;
        bool over = false;
        while (p < line_.size() && line_[p] >= '0' && line_[p] <= '9') {
            if (v > (int64_t(1) << 40))
                over = true;
            else
                v = v * 10 + (line_[p] - '0');
            ++p;
        }
        if (p == digits) return Scan::Missing;
        pos_ = p;
        if (negative) v = -v;
        if (over || v < lo || v > hi) return Scan::OutOfRange;
        out = v;
        return Scan::Ok;
    }

    Scan i32(int32_t& out) {
        int64_t v = 0;
        const Scan s = integer(v, INT32_MIN, INT32_MAX);
        if (s == Scan::Ok) out = static_cast<int32_t>(v);
        return s;
    }

    Scan i16(int32_t& out) {
        int64_t v = 0;
        const Scan s = integer(v, INT16_MIN, INT16_MAX);
        if (s == Scan::Ok) out = static_cast<int32_t>(v);
        return s;
    }

    // %X: optional sign, optional "0x", hexadecimal digits, at most 32 bits.
    Scan hex(uint32_t& out) {
        skipBlanks();
        size_t p = pos_;
        bool negative = false;
        if (p < line_.size() && (line_[p] == '+' || line_[p] == '-')) negative = line_[p++] == '-';
        if (p + 1 < line_.size() && line_[p] == '0' && (line_[p + 1] == 'x' || line_[p + 1] == 'X') &&
            p + 2 < line_.size() && std::isxdigit(static_cast<unsigned char>(line_[p + 2])))
            p += 2;
        const size_t digits = p;
        uint64_t v = 0;
        bool over = false;
        while (p < line_.size() && std::isxdigit(static_cast<unsigned char>(line_[p]))) {
            const char c = line_[p];
            const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            v = (v << 4) | uint64_t(d);
            if (v > 0xFFFFFFFFull) over = true;
            v &= 0xFFFFFFFFFull;
            ++p;
        }
        if (p == digits) return Scan::Missing;
        pos_ = p;
        if (over) return Scan::OutOfRange;
        // The C library's unsigned conversions negate modulo 2^32; "-1" is 0xFFFFFFFF.
        out = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
        return Scan::Ok;
    }

    // %f: a finite decimal or exponent number that fits a float (values too
    // small for a float read as 0 or subnormal). Independent of the locale.
    Scan real(float& out) {
        skipBlanks();
        size_t p = pos_;
        if (p < line_.size() && line_[p] == '+') ++p;
        float v = 0.0f;
        const char* first = line_.data() + p;
        const char* last = line_.data() + line_.size();
        const auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
        if (ptr == first) return Scan::Missing;
        pos_ = static_cast<size_t>(ptr - line_.data());
        if (ec == std::errc::result_out_of_range) {
            // Reported for underflow as well; only magnitudes above the float
            // range are damage, tiny ones read as what a float can hold.
            double d = 0.0;
            const auto wide = std::from_chars(first, last, d, std::chars_format::general);
            if (wide.ec == std::errc::result_out_of_range) {
                const std::string_view token(first, static_cast<size_t>(ptr - first));
                const size_t e = token.find_first_of("eE");
                const bool tiny = e != std::string_view::npos && e + 1 < token.size() && token[e + 1] == '-';
                if (!tiny) return Scan::OutOfRange;
                d = 0.0;
            }
            if (std::fabs(d) > FLT_MAX) return Scan::OutOfRange;
            v = static_cast<float>(d);
        } else if (ec != std::errc()) {
            return Scan::Missing;
        }
        if (!std::isfinite(v)) return Scan::OutOfRange;
        out = v;
        return Scan::Ok;
    }

private:
    void skipBlanks() {
        while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    }

    std::string_view line_;
    size_t pos_ = 0;
};

bool contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

bool nearZero(const Vec3& v) {
    return std::fabs(v.x) <= 0.00001f && std::fabs(v.y) <= 0.00001f && std::fabs(v.z) <= 0.00001f;
}

float valueAtZero(const Ref<Envelope>& e, float rest) {
    return e ? e->evaluate(0.0f) : rest;
}

// Components, flags and controllers of a light or object node from its item.
void setupTransform(const SceneItem& item, Node& node) {
    Transform& t = node.transform;
    t.flags = 0;
    t.pivot = item.pivot;
    if (!nearZero(item.pivot)) t.flags |= Transform::Pivot;
    const Ref<Envelope>* ch = item.channels;
    t.position = Vec3(valueAtZero(ch[0], 0.0f), valueAtZero(ch[1], 0.0f), valueAtZero(ch[2], 0.0f));
    if (!nearZero(t.position)) t.flags |= Transform::Position;
    t.rotation = Vec3(-valueAtZero(ch[3], 0.0f), -valueAtZero(ch[4], 0.0f), -valueAtZero(ch[5], 0.0f));
    if (!nearZero(t.rotation)) t.flags |= Transform::Rotation;
    t.scale = Vec3(valueAtZero(ch[6], 1.0f), valueAtZero(ch[7], 1.0f), valueAtZero(ch[8], 1.0f));
    if (!nearZero(t.scale - Vec3(1, 1, 1))) t.flags |= Transform::Scale;

    const bool position = item.animated[0], rotation = item.animated[1], scale = item.animated[2];
    if (position && rotation) {
        t.flags |= Transform::Animated | Transform::Position | Transform::Rotation;
        node.addController(new PositionRotationController(ch[0].get(), ch[1].get(), ch[2].get(), ch[3].get(),
                                                          ch[4].get(), ch[5].get()));
    } else if (position) {
        t.flags |= Transform::Animated | Transform::Position;
        node.addController(new PositionController(ch[0].get(), ch[1].get(), ch[2].get()));
    } else if (rotation) {
        t.flags |= Transform::Animated | Transform::Rotation;
        node.addController(new RotationController(ch[3].get(), ch[4].get(), ch[5].get()));
    }
    if (scale) {
        t.flags |= Transform::Animated | Transform::Scale;
        node.addController(new ScaleController(ch[6].get(), ch[7].get(), ch[8].get()));
    }
}

}  // namespace

// The reading half of open: one pass over the lines of the stream, with the
// current position kept for the log.
class LightwaveSceneLoader::Reader {
public:
    Reader(LightwaveSceneLoader& loader, const std::string& path) : loader_(loader), path_(path) {}

    bool run();

private:
    enum class Next { Line, End, Error };

    // The next line into line_ (line feed dropped, cut at the first carriage
    // return). End when the stream has no more bytes; Error (logged) for a
    // stream error, an over-long line, a NUL byte or too many lines.
    Next readLine();
    // Applies the first rule of the keyword table that matches line_.
    bool applyLine();
    // An envelope block after a rule line; out stays null when the next line
    // does not open one (that line is then taken as an ordinary line).
    bool readEnvelope(Ref<Envelope>& out);
    bool readProjImage(SceneItem& item);
    SceneItem* addItem(int32_t kind);
    void registerId(uint32_t id);
    // Logs one entry at the current line and returns false.
    bool fail(int line, const std::string& text);
    // Maps a field scan to a result: an out-of-range number fails the file.
    bool check(Scan s, int line);
    SceneItem* current() { return loader_.items_.empty() ? nullptr : &loader_.items_.back(); }

    LightwaveSceneLoader& loader_;
    const std::string& path_;
    gzifstream in_;
    char buffer_[MaxLineLength + 1];
    std::string_view line_;
    int32_t lineNumber_ = 0;
    bool pending_ = false;  // line_ is to be taken again as an ordinary line
};

bool LightwaveSceneLoader::Reader::fail(int line, const std::string& text) {
    Logger::instance().writeLocated(kSource, "LightwaveSceneLoader::open", line,
                                    path_ + " line " + std::to_string(lineNumber_) + ": " + text);
    return false;
}

bool LightwaveSceneLoader::Reader::check(Scan s, int line) {
    if (s != Scan::OutOfRange) return true;
    return fail(line, "number out of range in \"" + std::string(line_) + "\"");
}

LightwaveSceneLoader::Reader::Next LightwaveSceneLoader::Reader::readLine() {
    std::streambuf* buf = in_.rdbuf();
    int length = 0;
    bool sawNul = false;
    bool ended = true;
    bool overlong = false;
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        ended = false;
        if (c == '\n') break;
        if (length == MaxLineLength) {
            overlong = true;
            break;
        }
        if (c == 0) sawNul = true;
        buffer_[length++] = static_cast<char>(c);
    }
    const char* text = nullptr;
    if (in_.rdbuf()->error(&text) != Z_OK) {
        fail(__LINE__, std::string("stream error: ") + text);
        return Next::Error;
    }
    if (ended && length == 0) return Next::End;
    if (++lineNumber_ > MaxLines) {
        fail(__LINE__, "more than " + std::to_string(MaxLines) + " lines");
        return Next::Error;
    }
    // The format cuts lines at 256 characters and reads the rest as a line of
    // its own, which can turn the tail of a long name into a rule; a text
    // scene never has such lines, so they are taken for damage.
    if (overlong) {
        fail(__LINE__, "line longer than " + std::to_string(MaxLineLength) + " characters");
        return Next::Error;
    }
    if (sawNul) {
        fail(__LINE__, "binary data (NUL byte) in a text line");
        return Next::Error;
    }
    buffer_[length] = '\0';
    const void* cr = std::memchr(buffer_, '\r', static_cast<size_t>(length));
    if (cr) length = static_cast<int>(static_cast<const char*>(cr) - buffer_);
    line_ = std::string_view(buffer_, static_cast<size_t>(length));
    return Next::Line;
}

SceneItem* LightwaveSceneLoader::Reader::addItem(int32_t kind) {
    if (static_cast<int32_t>(loader_.items_.size()) >= MaxItems) {
        fail(__LINE__, "more than " + std::to_string(MaxItems) + " items");
        return nullptr;
    }
    loader_.items_.emplace_back();
    SceneItem& item = loader_.items_.back();
    item.kind = kind;
    return &item;
}

void LightwaveSceneLoader::Reader::registerId(uint32_t id) {
    loader_.ids_[id] = static_cast<int32_t>(loader_.items_.size()) - 1;
}

bool LightwaveSceneLoader::Reader::readEnvelope(Ref<Envelope>& out) {
    out.reset();
    const Next opened = readLine();
    if (opened == Next::Error) return false;
    if (opened == Next::End) return fail(__LINE__, "file ends where an envelope block should begin");
    if (!contains(line_, "{ Envelope")) {
        pending_ = true;
        return true;
    }
    const Next counted = readLine();
    if (counted == Next::Error) return false;
    if (counted == Next::End) return fail(__LINE__, "file ends inside an envelope block");
    int32_t count = 0;
    const Scan s = Fields(line_).i32(count);
    if (!check(s, __LINE__)) return false;
    if (s == Scan::Missing) return fail(__LINE__, "envelope block without a key count");
    if (count < 0 || count > Envelope::MaxKeys)
        return fail(__LINE__, "envelope key count " + std::to_string(count) + " (0 to " +
                                  std::to_string(Envelope::MaxKeys) + " expected)");
    if (count == 0) count = 1;

    Ref<Envelope> env(new Envelope());
    const float beatsPerSecond = loader_.tempo_ * kPerMinute;
    for (;;) {
        const Next n = readLine();
        if (n == Next::Error) return false;
        if (n == Next::End) return fail(__LINE__, "envelope block has no closing \"}\"");
        if (contains(line_, "}")) break;
        if (contains(line_, "Key ")) {
            Envelope::Key key;
            Fields f(line_);
            f.skipWord();
            Scan r = f.real(key.value);
            if (r == Scan::Ok) r = f.real(key.time);
            if (r == Scan::Ok) r = f.i16(key.shape);
            float* rest[] = {&key.tension,  &key.continuity, &key.bias,    &key.param[0],
                             &key.param[1], &key.param[2],   &key.param[3]};
            for (float* field : rest)
                if (r == Scan::Ok) r = f.real(*field);
            if (!check(r, __LINE__)) return false;
            key.time *= beatsPerSecond;
            // The block holds as many keys as it declared; more are ignored.
            if (env->keyCount() < count) env->addKey(key);
        } else if (contains(line_, "Behaviors ")) {
            Fields f(line_);
            f.skipWord();
            Scan r = f.i16(env->preBehavior);
            if (r == Scan::Ok) r = f.i16(env->postBehavior);
            if (!check(r, __LINE__)) return false;
        }
    }
    out = env;
    return true;
}

bool LightwaveSceneLoader::Reader::readProjImage(SceneItem& item) {
    int depth = 0;
    for (;;) {
        const Next n = readLine();
        if (n == Next::Error) return false;
        if (n == Next::End) return fail(__LINE__, "projected image block has no closing \"}\"");
        const size_t quote = line_.find('"');
        if (quote != std::string_view::npos) {
            const size_t slash = line_.rfind('/');
            const size_t start = slash != std::string_view::npos ? slash + 1 : quote + 1;
            size_t stop = line_.rfind('.');
            if (stop == std::string_view::npos || stop < start) stop = line_.size();
            item.projImage.assign(line_.data() + start, stop - start);
        } else if (contains(line_, "{")) {
            ++depth;
        } else if (contains(line_, "}")) {
            if (--depth <= 0) break;
        }
    }
    if (!item.projImage.empty()) item.lightType = 5;
    return true;
}

bool LightwaveSceneLoader::Reader::applyLine() {
    const std::string_view line = line_;
    SceneItem* item = current();
    Fields f(line);
    f.skipWord();

    // Rules are tried in the format's order; the first keyword found anywhere
    // in the line decides.
    if (contains(line, "AddNullObject ")) {
        uint32_t id = 0;
        std::string name;
        const Scan a = f.hex(id);
        const Scan b = a == Scan::Ok ? f.word(name) : Scan::Missing;
        if (!check(a, __LINE__) || !check(b, __LINE__)) return false;
        SceneItem* added = addItem(SceneItem::NullObject);
        if (!added) return false;
        added->name = name;
        const size_t at = line.find("AddNullObject ");
        added->source.assign(line.substr(at));
        if (a == Scan::Ok) registerId(id);
        return true;
    }
    if (contains(line, "AddBone")) {
        uint32_t id = 0;
        const Scan a = f.hex(id);
        if (!check(a, __LINE__)) return false;
        if (!addItem(SceneItem::Bone)) return false;
        if (a == Scan::Ok) registerId(id);
        return true;
    }
    if (contains(line, "BoneName")) {
        if (item) f.word(item->name);
        return true;
    }
    auto reals = [&](float* out, int count, double scale) {
        float v[3] = {0, 0, 0};
        int got = 0;
        Scan s = Scan::Ok;
        while (got < count && (s = f.real(v[got])) == Scan::Ok) ++got;
        if (!check(s, __LINE__)) return false;
        for (int i = 0; i < got; ++i) out[i] = static_cast<float>(v[i] * scale);
        return true;
    };
    auto integer = [&](int32_t& out) { return check(f.i32(out), __LINE__); };
    if (contains(line, "BoneRestPosition")) return !item || reals(&item->boneRestPosition.x, 3, 1.0);
    if (contains(line, "BoneRestDirection")) return !item || reals(&item->boneRestDirection.x, 3, DEGREE);
    if (contains(line, "BoneRestLength")) return !item || reals(&item->boneRestLength, 1, 1.0);
    // Tried before "BoneStrength", which it contains: otherwise its value
    // would land in boneStrength and scaleBoneStrength would never be read.
    if (contains(line, "ScaleBoneStrength")) return !item || reals(&item->scaleBoneStrength, 1, 1.0);
    if (contains(line, "BoneStrength")) return !item || reals(&item->boneStrength, 1, 1.0);
    if (contains(line, "BoneWeightMapName")) {
        if (item) f.word(item->weightMapName);
        return true;
    }
    if (contains(line, "AddLight")) {
        uint32_t id = 0;
        const Scan a = f.hex(id);
        if (!check(a, __LINE__)) return false;
        SceneItem* added = addItem(SceneItem::LightItem);
        if (!added) return false;
        added->name = "Light";
        if (a == Scan::Ok) registerId(id);
        return true;
    }
    if (contains(line, "LightName")) {
        if (!item) return true;
        f.word(item->name);
        item->source.assign(line.substr(line.find("LightName")));
        return true;
    }
    if (contains(line, "ShadowType")) return !item || integer(item->shadowType);
    if (contains(line, "LightColor")) return !item || reals(&item->color.x, 3, 1.0);
    if (contains(line, "LightIntensity (envelope)")) return !item || readEnvelope(item->intensityEnvelope);
    if (contains(line, "LightIntensity")) return !item || reals(&item->intensity, 1, 1.0);
    if (contains(line, "LightType")) return !item || integer(item->lightType);
    if (contains(line, "LightFalloffType")) return !item || integer(item->falloffType);
    if (contains(line, "LightRange")) return !item || reals(&item->range, 1, 1.0);
    if (contains(line, "LightConeAngle")) return !item || reals(&item->coneAngle, 1, DEGREE);
    if (contains(line, "LightEdgeAngle")) return !item || reals(&item->edgeAngle, 1, DEGREE);
    if (contains(line, "LightProjImage")) return !item || readProjImage(*item);
    if (contains(line, "AddCamera")) {
        uint32_t id = 0;
        const Scan a = f.hex(id);
        if (!check(a, __LINE__)) return false;
        SceneItem* added = addItem(SceneItem::CameraItem);
        if (!added) return false;
        added->name = "Camera";
        if (a == Scan::Ok) registerId(id);
        return true;
    }
    if (contains(line, "ObjectDissolve (envelope)")) return !item || readEnvelope(item->dissolve);
    if (contains(line, "LoadObjectLayer ")) {
        int32_t layer = -1;
        uint32_t id = 0;
        const Scan a = f.i32(layer);
        const Scan b = a == Scan::Ok ? f.hex(id) : Scan::Missing;
        if (!check(a, __LINE__) || !check(b, __LINE__)) return false;
        SceneItem* added = addItem(SceneItem::ObjectLayer);
        if (!added) return false;
        if (a == Scan::Ok) added->layer = layer;
        if (b == Scan::Ok) registerId(id);
        size_t cut = line.rfind('/');
        if (cut == std::string_view::npos) cut = line.find_last_of(" \t");
        const std::string_view file = cut == std::string_view::npos ? line : line.substr(cut + 1);
        added->name.assign(file);
        added->source.assign(file);
        return true;
    }
    if (contains(line, "NumChannels ")) return !item || integer(item->numChannels);
    if (contains(line, "Channel ")) {
        if (!item) return true;
        int32_t n = -1;
        const Scan a = f.i32(n);
        if (!check(a, __LINE__)) return false;
        Ref<Envelope> env;
        if (!readEnvelope(env)) return false;
        if (a == Scan::Ok && n >= 0 && n <= 8 && env) {
            item->channels[n] = env;
            if (env->keyCount() >= 2) item->animated[n / 3] = true;
        }
        return true;
    }
    if (contains(line, "TargetItem") || contains(line, "ParentItem")) {
        if (!item) return true;
        uint32_t id = 0;
        const Scan a = f.hex(id);
        if (!check(a, __LINE__)) return false;
        if (a == Scan::Ok) {
            int32_t value;
            std::memcpy(&value, &id, sizeof value);
            (contains(line, "TargetItem") ? item->targetId : item->parentId) = value;
        }
        return true;
    }
    if (contains(line, "PivotPosition ")) return !item || reals(&item->pivot.x, 3, 1.0);
    return true;
}

bool LightwaveSceneLoader::Reader::run() {
    in_.open(path_.c_str());
    if (!in_.is_open()) {
        Logger::instance().writeLocated(kSource, "LightwaveSceneLoader::open", __LINE__,
                                        "Unable to open scene file " + path_);
        return false;
    }
    // The header: "LWSC", then the format version 5.
    for (int i = 0; i < 2; ++i) {
        const Next n = readLine();
        if (n == Next::Error) return false;
        if (n == Next::End) return fail(__LINE__, "file ends inside the header");
        if (i == 0 && line_.substr(0, 4) != "LWSC")
            return fail(__LINE__, "not a LightWave scene (\"LWSC\" expected)");
        if (i == 1 && line_.substr(0, 1) != "5") return fail(__LINE__, "scene format version 5 expected");
    }

    for (;;) {
        if (!pending_) {
            const Next n = readLine();
            if (n == Next::Error) return false;
            if (n == Next::End) break;
        }
        pending_ = false;
        if (!applyLine()) return false;
    }
    in_.close();
    return true;
}

void LightwaveSceneLoader::NodeOp::process(Ref<Node>, const SceneItem&) {}

LightwaveSceneLoader::LightwaveSceneLoader(float tempo) : tempo_(tempo) {}

LightwaveSceneLoader::~LightwaveSceneLoader() = default;

bool LightwaveSceneLoader::open(const std::string& path) {
    items_.clear();
    ids_.clear();
    {
        Reader reader(*this, path);
        if (!reader.run()) {
            items_.clear();
            ids_.clear();
            return false;
        }
    }
    // The item tree: children in file order under the item their parent id names.
    std::vector<SceneItem*> lastChild(items_.size(), nullptr);
    for (SceneItem& item : items_) {
        if (item.parentId == -1) continue;
        uint32_t id;
        std::memcpy(&id, &item.parentId, sizeof id);
        const auto found = ids_.find(id);
        if (found == ids_.end()) continue;
        const int32_t p = found->second;
        SceneItem& parent = items_[static_cast<size_t>(p)];
        item.parent = &parent;
        if (lastChild[static_cast<size_t>(p)])
            lastChild[static_cast<size_t>(p)]->nextSibling = &item;
        else
            parent.firstChild = &item;
        lastChild[static_cast<size_t>(p)] = &item;
    }
    // Parent ids that loop would make the node tree a cycle; such a file is
    // damaged. Each item's chain is walked once: 1 marks the chain being
    // walked, 2 an item known to end at the top.
    std::vector<uint8_t> state(items_.size(), 0);
    for (size_t i = 0; i < items_.size(); ++i) {
        size_t at = i;
        while (state[at] == 0) {
            state[at] = 1;
            if (!items_[at].parent) break;
            at = static_cast<size_t>(items_[at].parent - items_.data());
        }
        if (state[at] == 1 && items_[at].parent) {
            Logger::instance().writeLocated(
                kSource, "LightwaveSceneLoader::open", __LINE__,
                path + ": the parent of item \"" + items_[at].name + "\" is one of its own descendants");
            items_.clear();
            ids_.clear();
            return false;
        }
        for (size_t j = i; state[j] == 1;) {
            state[j] = 2;
            if (!items_[j].parent) break;
            j = static_cast<size_t>(items_[j].parent - items_.data());
        }
    }
    return true;
}

int32_t LightwaveSceneLoader::findItem(const std::string& name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].name == name) return static_cast<int32_t>(i);
    return -1;
}

bool LightwaveSceneLoader::createCameras(Node* root, std::vector<Ref<Camera>>& cameras, float fov,
                                         float zNear, float zFar) {
    if (items_.empty() || !root) return false;
    for (const SceneItem& item : items_) {
        if (item.kind != SceneItem::CameraItem) continue;
        Ref<Camera> camera(new Camera(fov, zNear, zFar));
        camera->transform.flags = Transform::Animated | Transform::Position | Transform::Rotation;
        const Ref<Envelope>* ch = item.channels;
        camera->addController(new CameraController(ch[0].get(), ch[1].get(), ch[2].get(), ch[3].get(),
                                                   ch[4].get(), ch[5].get()));
        cameras.push_back(camera);
        root->insertSibling(camera.get(), true);
    }
    return true;
}

bool LightwaveSceneLoader::createLights(Node* root, NodeOp* op) {
    if (items_.empty() || !root) return false;
    for (const SceneItem& item : items_) {
        // Lights below another item move with it and belong to the object
        // hierarchy; only top-level lights are placed here.
        if (item.kind != SceneItem::LightItem || item.parent) continue;
        Ref<Node> light;
        switch (item.lightType) {
            case 0:
                light = new DirectionalLight(item.color, item.intensity);
                break;
            case 1:
                light = new PointLight(item.color, item.intensity, item.range);
                break;
            case 2:
                light = new SpotLight(item.color, item.intensity, item.range, item.coneAngle, item.edgeAngle);
                break;
            case 3:
                light = new LinearLight(item.color, item.intensity, item.range, item.range * 0.5f);
                break;
            case 5:
            case 6: {
                Ref<Texture> image;
                if (item.lightType == 6)
                    image = fixedProjImage;
                else {
                    if (!item.projImage.empty()) image = textureRegistry().get(item.projImage);
                    if (!image) image = defaultProjImage;
                }
                float aspect = 1.0f;
                if (item.lightType == 5 && image && image->type() == TextureType::Texture2D) {
                    const Texture2D* t = static_cast<const Texture2D*>(image.get());
                    if (t->width() > 0 && t->height() > 0) aspect = float(t->width()) / float(t->height());
                }
                light = new ProjectiveLight(item.color, item.intensity, item.range * 1.5f,
                                            item.coneAngle * 57.29578f, item.coneAngle, item.edgeAngle,
                                            aspect, image.get());
                break;
            }
            default:
                continue;
        }
        setupTransform(item, *light);
        light->transform.flags &= ~Transform::Scale;
        if (item.intensityEnvelope)
            light->addController(new LightIntensityController(item.intensityEnvelope.get()));
        if (op) op->process(light, item);
        root->insertSibling(light.get(), true);
    }
    return true;
}

bool LightwaveSceneLoader::createObjects(Node* root, const Mesh* mesh, int32_t first, int32_t end,
                                         int32_t mask, NodeOp* op) {
    if (items_.empty() || !root) return false;
    const int32_t count = static_cast<int32_t>(items_.size());
    first = first < 0 ? 0 : (first > count ? count : first);
    end = end < first ? first : (end > count ? count : end);
    const int32_t bins = mesh ? mesh->binCount() : 0;
    for (int32_t i = first; i < end; ++i) {
        const SceneItem& item = items_[static_cast<size_t>(i)];
        if (item.kind == SceneItem::ObjectLayer && (item.layer < 1 || item.layer > bins)) {
            Logger::instance().writeLocated(
                kSource, "LightwaveSceneLoader::createObjects", __LINE__,
                "Object layer " + std::to_string(item.layer) + " of \"" + item.name +
                    "\" has no bin in mesh " +
                    (mesh ? "\"" + mesh->name() + "\" (" + std::to_string(bins) + " bins)"
                          : std::string("(none)")));
            return false;
        }
    }

    std::vector<Ref<Node>> nodes;
    nodes.reserve(static_cast<size_t>(end - first));
    for (int32_t i = first; i < end; ++i) {
        const SceneItem& item = items_[static_cast<size_t>(i)];
        Ref<Node> node;
        if (item.kind == SceneItem::ObjectLayer)
            node = new SubModel(mesh->bins()[static_cast<size_t>(item.layer - 1)], 0);
        else
            node = new Group();
        node->mask = mask;
        if (item.dissolve) node->addController(new ObjectDissolveController(item.dissolve.get()));
        setupTransform(item, *node);
        if (op) op->process(node, item);
        nodes.push_back(node);
    }
    for (int32_t i = first; i < end; ++i) {
        const SceneItem& item = items_[static_cast<size_t>(i)];
        Node* at = root;
        if (item.parent) {
            const int32_t p = static_cast<int32_t>(item.parent - items_.data());
            if (p >= first && p < end) at = nodes[static_cast<size_t>(p - first)].get();
        }
        Node* node = nodes[static_cast<size_t>(i - first)].get();
        if (!at->firstChild())
            at->insertChild(node);
        else
            at->firstChild()->insertSibling(node, false);
    }
    return true;
}

}  // namespace ember
