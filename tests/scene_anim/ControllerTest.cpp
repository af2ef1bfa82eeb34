// Controllers: each writes its envelopes' values into the node it runs on, and
// only what the table says (components, enabled, intensity), never the flags.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "scene/CameraController.h"
#include "scene/Group.h"
#include "scene/LightIntensityController.h"
#include "scene/ObjectDissolveController.h"
#include "scene/PointLight.h"
#include "scene/PositionController.h"
#include "scene/PositionRotationController.h"
#include "scene/RotationController.h"
#include "scene/ScaleController.h"
#include "scene/StartStopController.h"

using namespace ember;

namespace {

// value(t) = a + b * t, linear between keys at 0 and 10 and extended beyond.
Ref<Envelope> ramp(float a, float b) {
    Ref<Envelope> e(new Envelope());
    Envelope::Key k;
    k.shape = Envelope::Linear;
    k.time = 0;
    k.value = a;
    e->addKey(k);
    k.time = 10;
    k.value = a + 10 * b;
    e->addKey(k);
    e->preBehavior = e->postBehavior = Envelope::LinearExtend;
    return e;
}

void expectVec(const Vec3& v, float x, float y, float z, const std::string& what) {
    EXPECT_NEAR(v.x, x, 1e-5f) << what;
    EXPECT_NEAR(v.y, y, 1e-5f) << what;
    EXPECT_NEAR(v.z, z, 1e-5f) << what;
}

}  // namespace

TEST(Controllers, WriteTheirComponentsAtTheGivenTime) {
    Ref<Envelope> x = ramp(1, 1), y = ramp(2, -1), z = ramp(-3, 0.5f);
    Ref<Envelope> h = ramp(0.1f, 0.1f), p = ramp(0.2f, 0), b = ramp(-0.3f, 0.2f);
    const float t = 2.5f;
    const float X = 3.5f, Y = -0.5f, Z = -1.75f, H = 0.35f, P = 0.2f, B = 0.2f;
    const float pi = 3.1415927f;

    struct Case {
        const char* name;
        Ref<Controller> controller;
        std::function<void(const Transform&)> check;
    };
    const std::vector<Case> cases = {
        {"position", new PositionController(x.get(), y.get(), z.get()),
         [&](const Transform& tr) {
             expectVec(tr.position, X, Y, Z, "position");
             expectVec(tr.rotation, 7, 7, 7, "rotation untouched");
             expectVec(tr.scale, 7, 7, 7, "scale untouched");
         }},
        {"rotation", new RotationController(h.get(), p.get(), b.get()),
         [&](const Transform& tr) {
             expectVec(tr.rotation, -H, -P, -B, "rotation negated");
             expectVec(tr.position, 7, 7, 7, "position untouched");
         }},
        {"scale", new ScaleController(x.get(), y.get(), z.get()),
         [&](const Transform& tr) {
             expectVec(tr.scale, X, Y, Z, "scale");
             expectVec(tr.position, 7, 7, 7, "position untouched");
         }},
        {"position and rotation",
         new PositionRotationController(x.get(), y.get(), z.get(), h.get(), p.get(), b.get()),
         [&](const Transform& tr) {
             expectVec(tr.position, X, Y, Z, "position");
             expectVec(tr.rotation, -H, -P, -B, "rotation negated");
             expectVec(tr.scale, 7, 7, 7, "scale untouched");
         }},
        {"camera", new CameraController(x.get(), y.get(), z.get(), h.get(), p.get(), b.get()),
         [&](const Transform& tr) {
             expectVec(tr.position, X, Y, Z, "position");
             expectVec(tr.rotation, pi - H, P, B, "heading turned, pitch and bank as they are");
         }},
    };
    for (const Case& c : cases) {
        Ref<Node> node(new Group());
        node->transform.flags = 0x05;
        node->transform.position = node->transform.rotation = node->transform.scale = Vec3(7, 7, 7);
        c.controller->update(*node, t);
        c.check(node->transform);
        EXPECT_EQ(node->transform.flags, 0x05u) << c.name << ": controllers leave the flags alone";
        EXPECT_TRUE(node->enabled) << c.name;
    }
}

TEST(Controllers, MissingChannelsReadTheirRestValue) {
    Ref<Node> node(new Group());
    Ref<Envelope> x = ramp(1, 1);
    ScaleController(x.get(), nullptr, nullptr).update(*node, 1);
    expectVec(node->transform.scale, 2, 1, 1, "scale");
    PositionRotationController(nullptr, x.get(), nullptr, nullptr, nullptr, x.get()).update(*node, 1);
    expectVec(node->transform.position, 0, 2, 0, "position");
    expectVec(node->transform.rotation, 0, 0, -2, "rotation");
}

TEST(Controllers, DissolveAndStartStopSwitchEnabled) {
    Ref<Envelope> dissolve = ramp(0, 0.1f);  // 0.5 at t = 5
    ObjectDissolveController d(dissolve.get());
    StartStopController s(2.0f, 4.0f);
    struct Row {
        float t;
        bool dissolveEnabled;
        bool startStopEnabled;
    };
    for (const Row& r :
         {Row{0, true, false}, Row{1.999f, true, false}, Row{2, true, true}, Row{4, true, true},
          Row{4.001f, true, false}, Row{5, true, false}, Row{5.01f, false, false}}) {
        Ref<Node> node(new Group());
        node->enabled = !r.dissolveEnabled;
        d.update(*node, r.t);
        EXPECT_EQ(node->enabled, r.dissolveEnabled) << "dissolve at " << r.t;
        node->enabled = !r.startStopEnabled;
        s.update(*node, r.t);
        EXPECT_EQ(node->enabled, r.startStopEnabled) << "start/stop at " << r.t;
    }
}

TEST(Controllers, IntensityDrivesALightAndNothingElse) {
    Ref<Envelope> e = ramp(0.5f, 0.25f);
    Ref<PointLight> light(new PointLight(Vec3(1, 1, 1), 9.0f, 10.0f));
    light->addController(new LightIntensityController(e.get()));
    light->update(2.0f);  // through the node's own update, as the scene walk runs it
    EXPECT_FLOAT_EQ(light->intensity, 1.0f);
    Ref<Node> group(new Group());
    LightIntensityController(e.get()).update(*group, 2.0f);  // a non-light is left as it is
    EXPECT_TRUE(group->enabled);
}

TEST(Controllers, HoldTheirEnvelopesAlive) {
    Ref<Envelope> e = ramp(1, 0);
    Ref<Controller> c(new PositionController(e.get(), e.get(), e.get()));
    EXPECT_EQ(e->refCount(), 4);
    c.reset();
    EXPECT_EQ(e->refCount(), 1);
}
