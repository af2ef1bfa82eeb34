// The LightWave scene loader on small scene files written here: header,
// keyword rules, envelope blocks in beats, the item tree, the three create
// operations, and damaged files that must fail with one log entry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "LightwaveSceneLoader.h"
#include "SceneFiles.h"
#include "loaders/Mesh.h"
#include "scene/Camera.h"
#include "scene/CameraController.h"
#include "scene/DirectionalLight.h"
#include "scene/Group.h"
#include "scene/LightIntensityController.h"
#include "scene/ObjectDissolveController.h"
#include "scene/PointLight.h"
#include "scene/PositionController.h"
#include "scene/Scene.h"
#include "scene/SubModel.h"

using namespace ember;
using lwtest::envelopeBlock;
using lwtest::header;
using lwtest::Keys;
using lwtest::motion;

namespace {

const Keys kStill = {};

// Camera, a null object with three object layers below it, an orphan layer
// whose parent id names nothing, a top-level point light with an animated
// intensity and a light parented to the null object.
std::string sampleScene() {
    std::string s = header();
    s += "AddCamera 30000000\nCameraName Camera\nShowCamera 1 2\nCameraMotion\n";
    s += motion({{{0, 0}, {10, 3}}, {{2, 0}}, {{-5, 0}}, {{0, 0}, {1.5f, 3}}});
    s += "\nAddNullObject 10000000 Root\nShowObject 6 3\nObjectMotion\n";
    s += motion({{{1, 0}}, {{2, 0}}, {{3, 0}}, {{0, 0}}, {{0, 0}}, {{0, 0}}, {{1, 0}}, {{1, 0}}, {{1, 0}}});
    s += "PivotPosition 0 0.5 0\n";
    s += "\nLoadObjectLayer 1 10000001 Objects/house.lwo\nObjectMotion\n";
    s += motion({{{0, 0}}, {{0, 0}}, {{0, 0}}});
    s += "ParentItem 10000000\n";
    s += "\nLoadObjectLayer 2 10000002 Objects/house.lwo\nObjectMotion\n";
    s += motion({{{0, 0}, {6, 3}}});
    s += "ParentItem 10000000\n";
    s += "\nLoadObjectLayer 3 10000003 Objects/house.lwo\nObjectDissolve (envelope)\n" +
         envelopeBlock({{0, 0}, {1, 3}});
    s += "ParentItem 10000000\n";
    s += "\nLoadObjectLayer 1 10000004 C:\\scenes\\orphan.lwo\nParentItem 1000ABCD\n";
    s += "\nAmbientColor 1 1 1\nAddLight 20000000\nLightName Key\nShowLight 0 7\nLightMotion\n";
    s += motion({{{4, 0}}, {{5, 0}}, {{6, 0}}});
    s += "LightColor 1 0.5 0.25\nLightIntensity (envelope)\n" + envelopeBlock({{0.5f, 0}, {1.5f, 3}});
    s += "LightType 1\nLightFalloffType 2\nLightRange 20\nShadowType 1\n";
    s += "\nAddLight 20000001\nLightName Child\nParentItem 10000000\nLightType 0\nLightIntensity 0.8\n";
    return s;
}

struct Recorder : LightwaveSceneLoader::NodeOp {
    std::vector<std::string> seen;
    void process(Ref<Node> node, const SceneItem& item) override {
        seen.push_back(item.name + ":" + std::to_string(node->type()));
    }
};

Ref<Mesh> meshWithBins(int count) {
    std::vector<MeshBin> bins;
    for (int i = 0; i < count; ++i) {
        MeshBin b;
        b.firstIndex = 100 * i;
        b.indexCount = 30 + i;
        b.maxIndex = 50 + i;
        bins.push_back(b);
    }
    return Ref<Mesh>(new Mesh(nullptr, nullptr, bins));
}

template <class T>
bool hasController(const Node& node) {
    for (const auto& c : node.controllers())
        if (dynamic_cast<T*>(c.get())) return true;
    return false;
}

std::vector<Node*> children(const Node* n) {
    std::vector<Node*> out;
    for (Node* c = n->firstChild(); c; c = c->nextSibling()) out.push_back(c);
    return out;
}

}  // namespace

TEST(LightwaveHeader, VersionFiveOnly) {
    struct Case {
        const char* what;
        std::string text;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"version 5", "LWSC\n5\nAddNullObject 1 a\n", true},
        {"carriage returns cut", "LWSC\r\n5\r\nAddNullObject 1 a\r\n", true},
        {"version 6", "LWSC\n6\nAddNullObject 1 a\n", false},
        {"version 3", "LWSC\n3\n", false},
        {"no magic", "LWSX\n5\n", false},
        {"header only line 1", "LWSC\n", false},
        {"empty file", "", false},
    };
    for (const Case& c : cases) {
        lwtest::LogCapture log;
        ASSERT_TRUE(lwtest::writeFile("header.lws", c.text, false));
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        EXPECT_EQ(loader->open("header.lws"), c.ok) << c.what;
        EXPECT_EQ(loader->items().size(), c.ok ? 1u : 0u) << c.what;
        if (c.ok) {
            EXPECT_EQ(loader->items()[0].name, "a") << c.what;
            EXPECT_EQ(log.contents(), "") << c.what;
        } else {
            EXPECT_NE(log.contents().find("LightwaveSceneLoader::open"), std::string::npos) << c.what;
        }
    }
    lwtest::LogCapture log;
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    EXPECT_FALSE(loader->open("no-such-scene.lws"));
    EXPECT_NE(log.contents().find("no-such-scene.lws"), std::string::npos);
}

TEST(LightwaveRead, ItemsPlainAndCompressedAlike) {
    for (bool gzip : {false, true}) {
        SCOPED_TRACE(gzip ? "gzip" : "plain");
        ASSERT_TRUE(lwtest::writeFile("sample.lws", sampleScene(), gzip));
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        ASSERT_TRUE(loader->open("sample.lws"));
        const auto& items = loader->items();
        ASSERT_EQ(items.size(), 8u);
        const int kinds[] = {0, 3, 2, 2, 2, 2, 1, 1};
        for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].kind, kinds[i]) << i;

        EXPECT_EQ(items[0].name, "Camera");
        EXPECT_EQ(items[1].name, "Root");
        EXPECT_EQ(items[1].source, "AddNullObject 10000000 Root");
        EXPECT_EQ(items[2].name, "house.lwo");
        EXPECT_EQ(items[2].layer, 1);
        EXPECT_EQ(items[4].layer, 3);
        EXPECT_EQ(items[5].name, "C:\\scenes\\orphan.lwo");  // no "/": after the last blank
        EXPECT_EQ(items[6].name, "Key");
        EXPECT_EQ(items[6].source, "LightName Key");
        EXPECT_EQ(items[1].numChannels, 9);
        EXPECT_FLOAT_EQ(items[1].pivot.y, 0.5f);

        // "LightIntensity (envelope)" wins over "LightIntensity".
        EXPECT_EQ(items[6].intensity, 0.0f);
        ASSERT_TRUE(items[6].intensityEnvelope);
        EXPECT_EQ(items[6].intensityEnvelope->keyCount(), 2);
        EXPECT_FLOAT_EQ(items[7].intensity, 0.8f);
        EXPECT_FLOAT_EQ(items[6].color.y, 0.5f);
        EXPECT_EQ(items[6].lightType, 1);
        EXPECT_EQ(items[6].falloffType, 2);
        EXPECT_EQ(items[6].shadowType, 1);
        EXPECT_FLOAT_EQ(items[6].range, 20.0f);

        // Channels with one key are static; two keys animate the group.
        EXPECT_FALSE(items[1].animated[0] || items[1].animated[1] || items[1].animated[2]);
        EXPECT_TRUE(items[3].animated[0]);
        EXPECT_FALSE(items[3].animated[1]);
        EXPECT_TRUE(items[0].animated[0] && items[0].animated[1]);
        ASSERT_TRUE(items[4].dissolve);

        // The item tree: children in file order, unknown parents top-level.
        EXPECT_EQ(items[2].parent, &items[1]);
        EXPECT_EQ(items[1].firstChild, &items[2]);
        EXPECT_EQ(items[2].nextSibling, &items[3]);
        EXPECT_EQ(items[3].nextSibling, &items[4]);
        EXPECT_EQ(items[4].nextSibling, &items[7]);
        EXPECT_EQ(items[5].parentId, 0x1000ABCD);
        EXPECT_EQ(items[5].parent, nullptr);

        EXPECT_EQ(loader->findItem("Root"), 1);
        EXPECT_EQ(loader->findItem("house.lwo"), 2);
        EXPECT_EQ(loader->findItem("Roo"), -1);
        EXPECT_EQ(loader->findItem("Root "), -1);
    }
}

TEST(LightwaveRead, KeyTimesBecomeBeats) {
    const std::string text = header() + "AddNullObject 1 n\nNumChannels 1\nChannel 0\n" +
                             envelopeBlock({{0, 0}, {1, 3}, {2, 1.5f}}, 4, 5);
    ASSERT_TRUE(lwtest::writeFile("tempo.lws", text, false));
    struct Row {
        float tempo;
        float last, middle;
    };
    for (const Row& r : {Row{140, 7, 3.5f}, Row{120, 6, 3}}) {
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(r.tempo));
        ASSERT_TRUE(loader->open("tempo.lws"));
        const Envelope& e = *loader->items()[0].channels[0];
        EXPECT_FLOAT_EQ(e.lastKey()->time, r.last);
        EXPECT_FLOAT_EQ(e.firstKey()->next->time, r.middle);
        EXPECT_EQ(e.preBehavior, 4);
        EXPECT_EQ(e.postBehavior, 5);
        EXPECT_FLOAT_EQ(e.evaluate(r.last), 1.0f);
    }
}

TEST(LightwaveRead, EnvelopeBlockDetails) {
    // Declared 1 key, two given: the second is ignored. Declared 0 reads as 1.
    // A rule line not followed by "{ Envelope" reads no envelope, and the line
    // after it is still taken as a line of its own. Channels outside 0-8 are dropped.
    const std::string text =
        header() + "AddNullObject 1 n\nChannel 0\n" + envelopeBlock({{5, 0}, {9, 1}}, 1, 1, 1) +
        "Channel 1\n" + envelopeBlock({{6, 0}}, 1, 1, 0) + "Channel 2\nPivotPosition 1 2 3\n" +
        "Channel 9\n" + envelopeBlock({{1, 0}, {2, 1}}) + "Channel -1\n" + envelopeBlock({{1, 0}, {2, 1}});
    ASSERT_TRUE(lwtest::writeFile("details.lws", text, false));
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    ASSERT_TRUE(loader->open("details.lws"));
    const SceneItem& item = loader->items()[0];
    ASSERT_TRUE(item.channels[0]);
    EXPECT_EQ(item.channels[0]->keyCount(), 1);
    EXPECT_EQ(item.channels[0]->evaluate(3), 5.0f);
    ASSERT_TRUE(item.channels[1]);
    EXPECT_EQ(item.channels[1]->keyCount(), 1);
    EXPECT_FALSE(item.channels[2]);
    EXPECT_FLOAT_EQ(item.pivot.z, 3.0f);
    EXPECT_FALSE(item.animated[0] || item.animated[1] || item.animated[2]);
}

TEST(LightwaveRead, ProjectedImageBlockNamesTheImage) {
    const std::string text =
        header() +
        "AddLight 20000000\nLightType 2\nLightProjImage\n{ Clip\n  StillImage "
        "\"Images/first.png\"\n  { Nested\n  }\n  StillImage \"Images/spot.light.png\"\n}\n" +
        "AddLight 20000001\nLightProjImage\n{ Clip\n  StillImage \"glow\"\n}\nLightRange 3\n";
    ASSERT_TRUE(lwtest::writeFile("proj.lws", text, false));
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    ASSERT_TRUE(loader->open("proj.lws"));
    const auto& items = loader->items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].projImage, "spot.light");  // the later name, up to the last "."
    EXPECT_EQ(items[0].lightType, 5);
    EXPECT_EQ(items[1].projImage, "glow\"");  // without "/" or ".": after the first quote to the end
    EXPECT_FLOAT_EQ(items[1].range, 3.0f);    // the block ended at its "}"
}

TEST(LightwaveBuild, CamerasLightsAndObjects) {
    ASSERT_TRUE(lwtest::writeFile("sample.lws", sampleScene(), true));
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    ASSERT_TRUE(loader->open("sample.lws"));
    Ref<Node> top(new Group());

    std::vector<Ref<Camera>> cameras;
    ASSERT_TRUE(loader->createCameras(top.get(), cameras, 45, 0.25f, 512));
    ASSERT_EQ(cameras.size(), 1u);
    Camera& camera = *cameras[0];
    EXPECT_EQ(top->nextSibling(), &camera);
    EXPECT_EQ(camera.transform.flags, 0x43u);
    EXPECT_FLOAT_EQ(camera.fov, 45.0f);
    EXPECT_TRUE(hasController<CameraController>(camera));
    camera.update(7.0f);
    EXPECT_FLOAT_EQ(camera.transform.position.x, 10.0f);
    EXPECT_FLOAT_EQ(camera.transform.position.z, -5.0f);
    EXPECT_NEAR(camera.transform.rotation.x, 3.1415927f - 1.5f, 1e-6f);

    Recorder lightsSeen;
    ASSERT_TRUE(loader->createLights(top.get(), &lightsSeen));
    // Only the top-level light: the one below "Root" is left to the objects.
    EXPECT_EQ(lightsSeen.seen, std::vector<std::string>{"Key:" + std::to_string(0x801)});
    Node* light = camera.nextSibling();
    ASSERT_TRUE(light);
    EXPECT_EQ(light->nextSibling(), nullptr);
    ASSERT_EQ(light->type(), 0x801);
    PointLight& point = static_cast<PointLight&>(*light);
    EXPECT_FLOAT_EQ(point.range, 20.0f);
    EXPECT_FLOAT_EQ(point.color.z, 0.25f);
    EXPECT_EQ(point.intensity, 0.0f);
    EXPECT_TRUE(hasController<LightIntensityController>(point));
    EXPECT_EQ(point.transform.flags, 0x01u);
    point.update(7.0f);
    EXPECT_FLOAT_EQ(point.intensity, 1.5f);
    EXPECT_FLOAT_EQ(point.transform.position.y, 5.0f);

    Ref<Mesh> mesh = meshWithBins(3);
    Recorder objectsSeen;
    ASSERT_TRUE(loader->createObjects(top.get(), mesh.get(), 1, 8, 4, &objectsSeen));
    EXPECT_EQ(objectsSeen.seen.size(), 7u);
    EXPECT_EQ(objectsSeen.seen.back(), "Child:" + std::to_string(0x101));  // a placeholder for the light

    // Under top, in file order Root, the orphan (unknown parent) and a
    // placeholder for the top-level light: first, last, second.
    const std::vector<Node*> topChildren = children(top.get());
    ASSERT_EQ(topChildren.size(), 3u);
    EXPECT_EQ(topChildren[1]->type(), 0x101);
    EXPECT_EQ(topChildren[2]->type(), 0x400);
    Node* root = topChildren[0];
    EXPECT_EQ(root->type(), 0x101);
    // Root's four children in file order were layer 1, 2, 3 and the light: first, last, ..., second.
    const std::vector<Node*> rootChildren = children(root);
    ASSERT_EQ(rootChildren.size(), 4u);
    EXPECT_EQ(static_cast<SubModel*>(rootChildren[0])->firstIndex, 0);
    EXPECT_EQ(rootChildren[1]->type(), 0x101);
    EXPECT_EQ(static_cast<SubModel*>(rootChildren[2])->firstIndex, 200);
    EXPECT_EQ(static_cast<SubModel*>(rootChildren[3])->firstIndex, 100);
    for (Node* n : rootChildren) {
        EXPECT_EQ(n->mask, 4);
        EXPECT_EQ(n->parent(), root);
    }
    const SubModel& layer3 = *static_cast<SubModel*>(rootChildren[2]);
    EXPECT_EQ(layer3.indexCount, 32);
    EXPECT_EQ(layer3.instances, 0);
    EXPECT_TRUE(hasController<ObjectDissolveController>(layer3));

    // One-key channels: static values, no controller, frozen by cacheTransforms.
    EXPECT_TRUE(root->controllers().empty());
    EXPECT_EQ(root->transform.flags, 0x09u);
    EXPECT_FLOAT_EQ(root->transform.position.z, 3.0f);
    Node* moving = rootChildren[3];
    EXPECT_EQ(moving->transform.flags, 0x41u);
    EXPECT_TRUE(hasController<PositionController>(*moving));
    EXPECT_EQ(rootChildren[0]->transform.flags, 0x00u);

    Ref<Scene> scene(new Scene(top.get()));
    lwtest::LogCapture log;
    scene->cacheTransforms();
    EXPECT_NE(root->transform.flags & 0x30u, 0u);
    EXPECT_EQ(moving->transform.flags & 0x10u, 0u);
    scene->update(7.0f);
    EXPECT_FLOAT_EQ(moving->transform.position.x, 6.0f);
    EXPECT_FALSE(layer3.enabled);  // dissolved (1 > 0.5) at beat 7
    EXPECT_TRUE(rootChildren[0]->enabled);
}

TEST(LightwaveBuild, EmptyLoaderAndBadRanges) {
    Ref<LightwaveSceneLoader> empty(new LightwaveSceneLoader(140));
    Ref<Node> top(new Group());
    std::vector<Ref<Camera>> cameras;
    EXPECT_FALSE(empty->createCameras(top.get(), cameras, 45, 1, 10));
    EXPECT_FALSE(empty->createLights(top.get()));
    EXPECT_FALSE(empty->createObjects(top.get(), nullptr, 0, 10, 0));
    EXPECT_EQ(top->nextSibling(), nullptr);

    ASSERT_TRUE(lwtest::writeFile("sample.lws", sampleScene(), false));
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    ASSERT_TRUE(loader->open("sample.lws"));
    // A layer the mesh lacks fails before anything is linked.
    lwtest::LogCapture log;
    Ref<Mesh> small = meshWithBins(2);
    EXPECT_FALSE(loader->createObjects(top.get(), small.get(), 0, 8, 0));
    EXPECT_EQ(top->firstChild(), nullptr);
    EXPECT_NE(log.contents().find("Object layer 3"), std::string::npos);
    // Ranges are clamped to the item list; an empty range builds nothing.
    EXPECT_TRUE(loader->createObjects(top.get(), small.get(), 6, 6, 0));
    EXPECT_EQ(top->firstChild(), nullptr);
    EXPECT_TRUE(loader->createObjects(top.get(), small.get(), 6, 1000, 0));  // two lights: placeholders
    EXPECT_EQ(children(top.get()).size(), 2u);
    EXPECT_FALSE(loader->createObjects(nullptr, small.get(), 0, 1, 0));
}

TEST(LightwaveBuild, UnknownParentLightIsTopLevel) {
    const std::string text =
        header() + "AddLight 20000000\nLightName Lost\nParentItem 3000FFFF\nLightType 0\n";
    ASSERT_TRUE(lwtest::writeFile("lost.lws", text, false));
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    ASSERT_TRUE(loader->open("lost.lws"));
    Ref<Node> top(new Group());
    ASSERT_TRUE(loader->createLights(top.get()));
    ASSERT_TRUE(top->nextSibling());
    EXPECT_EQ(top->nextSibling()->type(), 0x800);
}

struct Damaged {
    const char* what;
    std::string text;
    const char* logged;
};

TEST(LightwaveDamaged, FailCleanlyWithOneLogEntry) {
    // Starts with a NUL byte so the first line is certainly binary.
    std::string garbage("\x01\x02\x00", 3);
    uint32_t state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 16807u;
        garbage += static_cast<char>(state >> 24);
    }
    std::string manyItems = header();
    for (int i = 0; i <= LightwaveSceneLoader::MaxItems; ++i) manyItems += "AddBone 1\n";
    const std::string key = "  Key 0 0 3 0 0 0 0 0 0 0\n";
    const std::vector<Damaged> cases = {
        {"truncated envelope block", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  2\n" + key,
         "no closing"},
        {"file ends before the block", header() + "AddCamera 3\nChannel 0\n", "should begin"},
        {"file ends after the block opens", header() + "AddCamera 3\nChannel 0\n{ Envelope\n", "inside"},
        {"huge key count", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  99999999\n" + key + "}\n",
         "key count 99999999"},
        {"negative key count", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  -4\n" + key + "}\n",
         "key count -4"},
        {"key count out of int range", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  4294967296\n}\n",
         "out of range"},
        {"no key count", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  Key 0 0\n}\n",
         "without a key count"},
        {"projected image without \"}\"",
         header() + "AddLight 2\nLightProjImage\n{ Clip\n  Still \"a/b.png\"\n", "no closing"},
        {"over-long line", header() + "AddNullObject 1 " + std::string(300, 'x') + "\n", "longer than 256"},
        {"over-long line without a line feed", header() + std::string(5000, 'C'), "longer than 256"},
        {"binary garbage after the header", header() + garbage, "binary data"},
        {"binary garbage instead of a scene", garbage, "line 1:"},
        {"layer number out of range", header() + "LoadObjectLayer 99999999999 10000000 a.lwo\n",
         "out of range"},
        {"item id beyond 32 bits", header() + "AddNullObject 1 n\nParentItem 123456789\n", "out of range"},
        {"float beyond the float range", header() + "AddLight 2\nLightRange 1e39\n", "out of range"},
        {"not a number", header() + "AddLight 2\nLightIntensity nan\n", "out of range"},
        {"key time out of range", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  1\n  Key 0 1e300 3\n}\n",
         "out of range"},
        {"shape beyond a short", header() + "AddCamera 3\nChannel 0\n{ Envelope\n  1\n  Key 0 0 40000\n}\n",
         "out of range"},
        {"behaviour beyond a short",
         header() + "AddCamera 3\nChannel 0\n{ Envelope\n  1\n  Behaviors 1 -40000\n}\n", "out of range"},
        {"parent loop", header() + "AddNullObject 1 a\nParentItem 2\nAddNullObject 2 b\nParentItem 1\n",
         "descendants"},
        {"own parent", header() + "AddNullObject 1 a\nParentItem 1\n", "descendants"},
        {"too many items", manyItems, "more than 65536 items"},
    };
    for (const Damaged& c : cases) {
        lwtest::LogCapture log;
        ASSERT_TRUE(lwtest::writeFile("damaged.lws", c.text, false));
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        EXPECT_FALSE(loader->open("damaged.lws")) << c.what;
        EXPECT_TRUE(loader->items().empty()) << c.what;
        const std::string logged = log.contents();
        EXPECT_NE(logged.find(c.logged), std::string::npos) << c.what << "\nlog: " << logged;
        // One located entry: its location line and its message.
        size_t entries = 0;
        for (size_t at = logged.find("LightwaveSceneLoader::open"); at != std::string::npos;
             at = logged.find("LightwaveSceneLoader::open", at + 1))
            ++entries;
        EXPECT_EQ(entries, 1u) << c.what;
    }
}

TEST(LightwaveDamaged, BrokenCompressedStreams) {
    const std::string text = sampleScene() + std::string(20000, '\n') + "AddNullObject 5 last\n";
    ASSERT_TRUE(lwtest::writeFile("whole.lws", text, true));
    const auto size = std::filesystem::file_size("whole.lws");
    std::string bytes;
    {
        std::ifstream in("whole.lws", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string flipped = bytes;
    for (size_t i = 40; i < 60; ++i) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    std::string badCrc = bytes;
    badCrc[size - 6] = static_cast<char>(badCrc[size - 6] ^ 0xFF);
    for (const Case& c : {Case{"truncated", bytes.substr(0, bytes.size() / 2)}, Case{"corrupted", flipped},
                          Case{"bad checksum", badCrc}}) {
        lwtest::LogCapture log;
        ASSERT_TRUE(lwtest::writeFile("broken.lws", c.bytes, false));
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        EXPECT_FALSE(loader->open("broken.lws")) << c.what;
        EXPECT_TRUE(loader->items().empty()) << c.what;
        // Corrupted data may decode to text the reader refuses before zlib notices.
        const char* expected = c.bytes == flipped ? "LightwaveSceneLoader::open" : "stream error";
        EXPECT_NE(log.contents().find(expected), std::string::npos) << c.what << "\n" << log.contents();
    }
    Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
    EXPECT_TRUE(loader->open("whole.lws"));
    EXPECT_EQ(loader->findItem("last"), 8);
}

TEST(LightwaveDamaged, EveryCutAndFlipLoadsOrFailsCleanly) {
    // Cut the sample scene at many places and damage single bytes: each file
    // either loads (and then builds) or fails with an empty item list.
    const std::string text = sampleScene();
    Ref<Mesh> mesh = meshWithBins(3);
    uint32_t state = 99;
    int failed = 0, loaded = 0;
    for (size_t round = 0; round < 300; ++round) {
        std::string damaged = text;
        state *= 16807u;
        const size_t at = (state >> 8) % text.size();
        if (round % 2 == 0)
            damaged.resize(at);
        else
            damaged[at] = static_cast<char>(state >> 24);
        lwtest::LogCapture log;
        ASSERT_TRUE(lwtest::writeFile("cut.lws", damaged, round % 3 == 0));
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        if (!loader->open("cut.lws")) {
            EXPECT_TRUE(loader->items().empty());
            EXPECT_NE(log.contents().find("LightwaveSceneLoader::open"), std::string::npos) << at;
            ++failed;
            continue;
        }
        ++loaded;
        Ref<Node> top(new Group());
        std::vector<Ref<Camera>> cameras;
        loader->createCameras(top.get(), cameras, 45, 0.25f, 512);
        loader->createLights(top.get());
        loader->createObjects(top.get(), mesh.get(), 0, 1000, 0);
        Ref<Scene> scene(new Scene(top.get()));
        scene->cacheTransforms();
        scene->update(3.0f);
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(loaded, 0);
}
