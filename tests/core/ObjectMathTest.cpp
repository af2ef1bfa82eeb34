#include <gtest/gtest.h>

#include "core/Math.h"
#include "core/Object.h"

using namespace ember;

namespace {
struct Probe : Object {
    explicit Probe(int* d) : deaths(d) {}
    ~Probe() override { ++*deaths; }
    int* deaths;
};
}

TEST(Object, CountedReferencesDestroyAtZero) {
    int deaths = 0;
    Probe* p = new Probe(&deaths);
    EXPECT_EQ(p->refCount(), 0);
    {
        Ref<Probe> a(p);
        Ref<Probe> b = a;
        EXPECT_EQ(p->refCount(), 2);
        a.reset();
        EXPECT_EQ(deaths, 0);
        b = b;  // self-assignment keeps the object
        EXPECT_EQ(p->refCount(), 1);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(Math, ProductAppliesRightOperandFirst) {
    Mat4 t = Mat4::translation(1, 2, 3);
    Mat4 s = Mat4::scaling(2, 2, 2);
    Vec3 p = (t * s).transformPoint({1, 1, 1});  // scale, then translate
    EXPECT_FLOAT_EQ(p.x, 3);
    EXPECT_FLOAT_EQ(p.y, 4);
    EXPECT_FLOAT_EQ(p.z, 5);
    EXPECT_FLOAT_EQ(t.m[3], 1);
    EXPECT_FLOAT_EQ(t.m[7], 2);
    EXPECT_FLOAT_EQ(t.m[11], 3);
}

TEST(Math, InverseUndoesTransform) {
    Mat4 m = Mat4::translation(4, -1, 2) * Mat4::rotationY(0.7f) * Mat4::scaling(1, 3, 2);
    Mat4 i = m * m.inverse();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(i(r, c), r == c ? 1.0f : 0.0f, 1e-5f);
    EXPECT_DOUBLE_EQ(DEGREE, 0.01745329238474369);
}
