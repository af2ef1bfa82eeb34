#include <vector>

#include "SceneTestSupport.h"
#include "application/Logger.h"
#include "scene/AmbientLight.h"
#include "scene/Camera.h"
#include "scene/DirectionalLight.h"
#include "scene/Group.h"
#include "scene/PointLight.h"
#include "scene/ProjectiveLight.h"
#include "scene/Scene.h"
#include "scene/SpotLight.h"

namespace {

using namespace ember;
using scenetest::expectMatNear;
using scenetest::FunctionController;

Mat4 rh(float a) {
    Mat4 m;
    m(0, 0) = std::cos(a);
    m(0, 2) = -std::sin(a);
    m(2, 0) = std::sin(a);
    m(2, 2) = std::cos(a);
    return m;
}
Mat4 rp(float a) {
    Mat4 m;
    m(1, 1) = std::cos(a);
    m(1, 2) = std::sin(a);
    m(2, 1) = -std::sin(a);
    m(2, 2) = std::cos(a);
    return m;
}
Mat4 rb(float a) {
    Mat4 m;
    m(0, 0) = std::cos(a);
    m(0, 1) = std::sin(a);
    m(1, 0) = -std::sin(a);
    m(1, 1) = std::cos(a);
    return m;
}

const Vec3 kPos(1.5f, -2.0f, 3.0f);
const Vec3 kRot(0.3f, -0.7f, 1.1f);
const Vec3 kScale(2.0f, 0.5f, 3.0f);
const Vec3 kPivot(0.25f, 1.0f, -0.5f);

Mat4 T() {
    return Mat4::translation(kPos.x, kPos.y, kPos.z);
}
Mat4 R() {
    return rh(kRot.x) * rp(kRot.y) * rb(kRot.z);
}
Mat4 S() {
    return Mat4::scaling(kScale.x, kScale.y, kScale.z);
}
Mat4 withT(Mat4 m) {
    m.m[3] = kPos.x;
    m.m[7] = kPos.y;
    m.m[11] = kPos.z;
    return m;
}

// Every component is set in every row; the flag bits alone decide which take part.
TEST(TransformTest, CompositionTableRowByRow) {
    struct Row {
        uint32_t flags;
        Mat4 expected;
    };
    const Mat4 full = T() * R() * S() * Mat4::translation(-kPivot.x, -kPivot.y, -kPivot.z);
    const Row rows[] = {
        {0x1, T()},  {0x2, R()},  {0x4, S()},  {0x3, withT(R())}, {0x5, withT(S())}, {0x7, withT(R() * S())},
        {0x6, full}, {0x8, full}, {0x9, full}, {0xF, full},
    };
    for (const Row& row : rows) {
        Transform t;
        t.position = kPos;
        t.rotation = kRot;
        t.scale = kScale;
        t.pivot = kPivot;
        t.flags = row.flags;
        t.updateLocal();
        SCOPED_TRACE(row.flags);
        expectMatNear(t.local, row.expected);
    }
}

TEST(TransformTest, RotationAppliesBankFirstAndHeadingLast) {
    // Heading a quarter turn maps +Z to -X (row (s, 0, c) of Rh gives z' = c).
    Transform t;
    t.rotation = Vec3(1.5707964f, 0, 0);
    t.flags = Transform::Rotation;
    t.updateLocal();
    Vec3 z = t.local.transformVector(Vec3(0, 0, 1));
    EXPECT_NEAR(z.x, -1.0f, 1e-6f);
    EXPECT_NEAR(z.z, 0.0f, 1e-6f);
    // Order: the composed matrix differs from the reverse product.
    expectMatNear(Transform::rotationMatrix(kRot), rh(kRot.x) * rp(kRot.y) * rb(kRot.z));
    Mat4 reverse = rb(kRot.z) * rp(kRot.y) * rh(kRot.x);
    EXPECT_GT(std::fabs(reverse.m[2] - Transform::rotationMatrix(kRot).m[2]), 1e-3f);
}

TEST(TransformTest, PivotOnlyIsTranslationByMinusPivot) {
    Transform t;
    t.pivot = kPivot;
    t.flags = Transform::Pivot;
    t.updateLocal();
    expectMatNear(t.local, Mat4::translation(-kPivot.x, -kPivot.y, -kPivot.z));
}

TEST(TransformTest, FlagsZeroOrFrozenLeaveTheLocalMatrixAlone) {
    Mat4 handWritten = Mat4::translation(7, 8, 9) * Mat4::scaling(2, 2, 2);
    for (uint32_t flags : {0x0u, 0x10u | 0x7u, 0x40u}) {
        Transform t;
        t.position = kPos;
        t.rotation = kRot;
        t.local = handWritten;
        t.flags = flags;
        t.updateLocal();
        SCOPED_TRACE(flags);
        expectMatNear(t.local, handWritten, 0.0f);
    }
}

TEST(TransformTest, WorldIsParentWorldTimesLocalUnlessFrozen) {
    Transform parent, child;
    parent.world = Mat4::translation(10, 0, 0) * rh(0.5f);
    child.local = Mat4::translation(0, 0, 2);
    child.updateWorld(&parent);
    expectMatNear(child.world, parent.world * child.local);
    Vec3 expected = parent.world.transformPoint(Vec3(0, 0, 2));
    EXPECT_NEAR(child.worldPosition.x, expected.x, 1e-5f);
    EXPECT_NEAR(child.worldPosition.z, expected.z, 1e-5f);
    child.updateWorld(nullptr);
    expectMatNear(child.world, child.local);
    child.flags = Transform::WorldFrozen;
    child.updateWorld(&parent);
    expectMatNear(child.world, child.local);
}

std::vector<Node*> children(Node* parent) {
    std::vector<Node*> out;
    for (Node* n = parent->firstChild(); n; n = n->nextSibling()) out.push_back(n);
    return out;
}

TEST(NodeTest, AddChildWithoutAppendPutsEachNewChildSecond) {
    Ref<Group> parent(new Group());
    Ref<Node> a(new Group()), b(new Group()), c(new Group()), d(new Group());
    for (Node* n : {a.get(), b.get(), c.get(), d.get()}) parent->addChild(n, false);
    // first, last, ..., second
    EXPECT_EQ(children(parent.get()), (std::vector<Node*>{a.get(), d.get(), c.get(), b.get()}));
    for (Node* n : children(parent.get())) EXPECT_EQ(n->parent(), parent.get());
    Ref<Node> e(new Group());
    parent->addChild(e.get(), true);
    EXPECT_EQ(children(parent.get()).back(), e.get());
}

TEST(NodeTest, InsertSiblingSplicesAWholeChain) {
    Ref<Group> parent(new Group());
    Ref<Node> a(new Group()), b(new Group()), x(new Group()), y(new Group());
    parent->addChild(a.get());
    parent->addChild(b.get());
    x->insertSibling(y.get(), true);  // chain x, y without parent
    a->insertSibling(x.get(), false);
    EXPECT_EQ(children(parent.get()), (std::vector<Node*>{a.get(), x.get(), y.get(), b.get()}));
    EXPECT_EQ(x->parent(), parent.get());
}

TEST(NodeTest, InsertChildMovesFormerChildrenBelowTheDeepestFirstChild) {
    Ref<Group> parent(new Group());
    Ref<Node> old1(new Group()), old2(new Group());
    parent->addChild(old1.get());
    parent->addChild(old2.get());
    Ref<Node> inserted(new Group()), grandChild(new Group());
    inserted->insertChild(grandChild.get());
    parent->insertChild(inserted.get());
    EXPECT_EQ(children(parent.get()), std::vector<Node*>{inserted.get()});
    EXPECT_EQ(children(grandChild.get()), (std::vector<Node*>{old1.get(), old2.get()}));
    EXPECT_EQ(old1->parent(), grandChild.get());
    EXPECT_EQ(inserted->parent(), parent.get());
}

TEST(NodeTest, AddControllerIgnoresDuplicatesAndRunsInOrder) {
    Ref<Group> node(new Group());
    std::vector<int> order;
    Ref<Controller> first(new FunctionController([&](Node&, float) { order.push_back(1); }));
    Ref<Controller> second(new FunctionController([&](Node&, float) { order.push_back(2); }));
    node->addController(first.get());
    node->addController(second.get());
    node->addController(first.get());
    node->addController(nullptr);
    ASSERT_EQ(node->controllers().size(), 2u);
    node->update(0.0f);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(NodeTest, AChildOutlivingItsParentLosesTheParentLink) {
    Ref<Node> kept(new Group()), keptSibling;
    {
        Ref<Group> parent(new Group());
        parent->addChild(new Group());
        parent->addChild(kept.get());
        parent->addChild(new Group());
        keptSibling = kept->nextSibling();
        EXPECT_EQ(keptSibling->parent(), parent.get());
    }
    EXPECT_EQ(kept->parent(), nullptr);
    EXPECT_EQ(keptSibling->parent(), nullptr);
    EXPECT_EQ(kept->refCount(), 1);
}

TEST(SceneWalkTest, NullRootDoesNothingAndCacheLogsZeroCounts) {
    ASSERT_TRUE(Logger::instance().open("log.txt"));
    Ref<Scene> scene(new Scene());
    scene->update(3.0f);
    EXPECT_EQ(scene->time(), 3.0f);
    scene->cacheTransforms();
    Logger::instance().close();
    const std::string log = scenetest::readLog();
    EXPECT_NE(log.find("Scene node count : 0 \n"), std::string::npos) << log;
    EXPECT_NE(log.find("Cached node transforms - local:0 world:0\n"), std::string::npos) << log;
}

TEST(SceneWalkTest, UpdateIsPreOrderAndDisabledNodesAreUpdated) {
    std::vector<std::string> visits;
    auto tag = [&](const char* name) {
        return new FunctionController([&visits, name](Node&, float) { visits.push_back(name); });
    };
    Ref<Group> root(new Group());
    Ref<Group> a(new Group()), a1(new Group()), b(new Group());
    root->addController(tag("root"));
    a->addController(tag("a"));
    a1->addController(tag("a1"));
    b->addController(tag("b"));
    a->enabled = false;
    root->addChild(a.get());
    root->addChild(b.get());
    a->addChild(a1.get());
    Ref<Scene> scene(new Scene(root.get()));
    scene->update(1.0f);
    EXPECT_EQ(visits, (std::vector<std::string>{"root", "a", "a1", "b"}));
}

TEST(SceneWalkTest, FrozenLocalUnderAnimatedParentFollowsTheParent) {
    ASSERT_TRUE(Logger::instance().open("log.txt"));
    Ref<Group> root(new Group());
    Ref<Group> arm(new Group()), hand(new Group()), still(new Group());
    arm->transform.flags = Transform::Animated | Transform::Position;
    arm->addController(
        new FunctionController([](Node& n, float t) { n.transform.position = Vec3(t, 0, 0); }));
    hand->transform.position = Vec3(0, 1, 0);
    hand->transform.flags = Transform::Position;
    still->transform.position = Vec3(0, 0, 5);
    still->transform.flags = Transform::Position;
    root->addChild(arm.get());
    root->addChild(still.get());
    arm->addChild(hand.get());
    Ref<Scene> scene(new Scene(root.get()));
    scene->cacheTransforms();
    Logger::instance().close();
    EXPECT_EQ(scene->nodeCount(), 4);
    EXPECT_EQ(scene->cachedLocalCount(), 3);  // root, hand, still
    EXPECT_EQ(scene->cachedWorldCount(), 2);  // root, still
    const std::string log = scenetest::readLog();
    EXPECT_NE(log.find("Scene node count : 4 \n"), std::string::npos) << log;
    EXPECT_NE(log.find("Cached node transforms - local:3 world:2\n"), std::string::npos) << log;

    for (float t : {2.0f, -3.0f}) {
        scene->update(t);
        EXPECT_TRUE(hand->transform.flags & Transform::LocalFrozen);
        EXPECT_FALSE(hand->transform.flags & Transform::WorldFrozen);
        EXPECT_NEAR(hand->transform.worldPosition.x, t, 1e-6f);
        EXPECT_NEAR(hand->transform.worldPosition.y, 1.0f, 1e-6f);
        EXPECT_NEAR(still->transform.worldPosition.z, 5.0f, 1e-6f);
    }
    // A frozen local ignores later component changes.
    hand->transform.position = Vec3(0, 9, 0);
    scene->update(0.0f);
    EXPECT_NEAR(hand->transform.worldPosition.y, 1.0f, 1e-6f);
}

TEST(SceneWalkTest, CameraBuildsItsViewFromItsLocalMatrixAlone) {
    Ref<Group> parent(new Group());
    parent->transform.position = Vec3(100, 0, 0);
    parent->transform.flags = Transform::Position;
    Ref<Camera> camera(new Camera(60.0f, 0.5f, 50.0f));
    camera->transform.position = Vec3(0, 2, 10);
    camera->transform.rotation = Vec3(0.4f, 0, 0);
    camera->transform.flags = Transform::Position | Transform::Rotation;
    parent->addChild(camera.get());
    Ref<Scene> scene(new Scene(parent.get()));
    scene->update(0.0f);
    expectMatNear(camera->view, camera->transform.local.inverse());
    expectMatNear(camera->view * camera->transform.local, Mat4());
    EXPECT_NEAR(camera->transform.worldPosition.x, 100.0f, 1e-4f);
}

TEST(SceneWalkTest, CameraProjectionIsTheFrustumOfFovNearFarAspect) {
    Ref<Camera> camera(new Camera(90.0f, 1.0f, 101.0f));
    camera->setProjection(2.0f);
    const Mat4& p = camera->projection;
    EXPECT_NEAR(p(0, 0), 0.5f, 1e-6f);  // 2n / (r - l) with t = 1, r = 2
    EXPECT_NEAR(p(1, 1), 1.0f, 1e-6f);
    EXPECT_NEAR(p(2, 2), -102.0f / 100.0f, 1e-6f);
    EXPECT_NEAR(p(2, 3), -2.0f * 101.0f / 100.0f, 1e-5f);
    EXPECT_EQ(p(3, 2), -1.0f);
    EXPECT_EQ(p(3, 3), 0.0f);
    // A point on the near plane maps to depth -1, on the far plane to +1.
    Vec4 nearPoint = p * Vec4(0, 0, -1, 1), farPoint = p * Vec4(0, 0, -101, 1);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, -1.0f, 1e-5f);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-5f);
}

TEST(SceneWalkTest, DeepSiblingChainCostsNoStack) {
    // Enough siblings that one stack frame per sibling (in a walk or in
    // destruction) would overflow an 8 MiB stack.
    const int count = 300000;
    Ref<Group> root(new Group());
    Node* last = nullptr;
    {
        Ref<Group> first(new Group());
        root->addChild(first.get());
        last = first.get();
        for (int i = 1; i < count; ++i) {
            Ref<Group> n(new Group());
            n->transform.flags = Transform::Position;
            n->transform.position = Vec3(float(i), 0, 0);
            last->insertSibling(n.get(), false);
            last = n.get();
        }
    }
    ASSERT_TRUE(Logger::instance().open("log.txt"));
    Ref<Scene> scene(new Scene(root.get()));
    scene->update(0.0f);
    EXPECT_EQ(last->transform.worldPosition.x, float(count - 1));
    scene->cacheTransforms();
    Logger::instance().close();
    EXPECT_EQ(scene->nodeCount(), count + 1);
    root.reset();
    scene.reset();  // the whole chain is released here
}

TEST(LightTest, TypeCodesAndConstructorRules) {
    Ref<SpotLight> spot(new SpotLight(Vec3(1, 0.5f, 0.25f), 2.0f, 30.0f, 0.6f, 0.2f));
    EXPECT_EQ(spot->type(), 0x802);
    EXPECT_EQ(spot->kind(), 2);
    EXPECT_TRUE(spot->isLight());
    EXPECT_FLOAT_EQ(spot->cosCone, std::cos(0.6f));
    EXPECT_FLOAT_EQ(spot->cosEdge, std::cos(0.4f));
    EXPECT_FALSE(spot->castsShadow);
    EXPECT_FALSE(spot->shadowMap);
    Ref<SpotLight> hard(new SpotLight(Vec3(1, 1, 1), 1.0f, 10.0f, 0.5f, 0.0f));
    EXPECT_EQ(hard->cosEdge, hard->cosCone);
    Ref<DirectionalLight> dir(new DirectionalLight(Vec3(1, 1, 1), 1.0f));
    EXPECT_EQ(dir->type(), 0x800);
    EXPECT_EQ(dir->parameter0, 1.0f / 6.0f);
    EXPECT_EQ(dir->parameter1, 256.0f);
    Ref<AmbientLight> ambient(new AmbientLight(Vec3(0.1f, 0.1f, 0.1f), 1.0f));
    EXPECT_EQ(ambient->type(), 0x806);
    Ref<PointLight> point(new PointLight(Vec3(1, 1, 1), 3.0f, 12.0f));
    EXPECT_EQ(point->type(), 0x801);
    point->setIntensity(0.5f);
    EXPECT_EQ(point->intensity, 0.5f);
}

TEST(LightTest, ProjectorUsesQuarterScaleAndFlippedY) {
    // fov 90, aspect 1: a point on the light's view frustum edge (x = -z)
    // lands at s = 0.75, not 1.0; one at the top edge (y = -z) lands at t = 0.25.
    Ref<ProjectiveLight> light(
        new ProjectiveLight(Vec3(1, 1, 1), 1.0f, 10.0f, 90.0f, 0.5f, 0.1f, 1.0f, nullptr));
    light->transform.flags = 0;  // identity world: light space == world space
    const Mat4 view;             // camera at the origin, identity
    light->updateProjector(view);
    auto project = [&](const Vec3& p) {
        Vec4 c = light->projectorMatrix * Vec4(p, 1.0f);
        return Vec3(c.x / c.w, c.y / c.w, c.z / c.w);
    };
    Vec3 centre = project(Vec3(0, 0, -5));
    EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
    Vec3 right = project(Vec3(5, 0, -5));
    EXPECT_NEAR(right.x, 0.75f, 1e-5f);
    Vec3 top = project(Vec3(0, 5, -5));
    EXPECT_NEAR(top.y, 0.25f, 1e-5f);
    // The matrix starts from camera view space: moving the camera changes it.
    Mat4 before = light->projectorMatrix;
    light->updateProjector(Mat4::translation(0, 0, -3));
    EXPECT_GT(std::fabs(light->projectorMatrix.m[3 + 8] - before.m[3 + 8]) +
                  std::fabs(light->projectorMatrix.m[11] - before.m[11]) +
                  std::fabs(light->projectorMatrix.m[15] - before.m[15]),
              1e-4f);
}

TEST(MathTest, Inverse3ReturnsTheAdjugateForNearSingularMatrices) {
    Mat3 m;
    m(0, 0) = 2;
    m(1, 1) = 4;
    m(2, 2) = 0.5f;
    scenetest::expectMat3Near(inverse3(m) * m, Mat3());
    Mat3 flat;
    flat(0, 0) = 1e-4f;
    flat(1, 1) = 1e-4f;
    flat(2, 2) = 1.0f;  // det 1e-8
    Mat3 adj = inverse3(flat);
    EXPECT_FLOAT_EQ(adj(0, 0), 1e-4f);
    EXPECT_FLOAT_EQ(adj(2, 2), 1e-8f);
}

}  // namespace
