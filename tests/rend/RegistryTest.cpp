#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "application/Logger.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Registry.h"
#include "rend/Texture2D.h"

namespace {

using ember::Ref;
using ember::Registry;

// Counts live instances so the tests can see which objects a registry keeps.
struct Named : ember::Object {
    explicit Named(int tag) : tag(tag) { ++alive; }
    ~Named() override { --alive; }
    void setName(const std::string& n) { name = n; }
    int tag;
    std::string name;
    static int alive;
};
int Named::alive = 0;

struct Plain : ember::Object {
    std::string name = "own";
};

struct DerivedNamed : Named {
    DerivedNamed() : Named(99) {}
};

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Registry<Named>::instance().clear(); }
    void TearDown() override { Registry<Named>::instance().clear(); }
};

TEST_F(RegistryTest, FirstRegistrationWinsAndTheSecondIsNotRetained) {
    auto& registry = Registry<Named>::instance();
    Ref<Named> first(new Named(1));
    EXPECT_TRUE(registry.add("gbuffer", first));
    EXPECT_EQ(first->refCount(), 2);

    // Nobody else holds the second object: it is destroyed, not kept.
    EXPECT_FALSE(registry.add("gbuffer", new Named(2)));
    EXPECT_EQ(Named::alive, 1);
    ASSERT_TRUE(registry.get("gbuffer"));
    EXPECT_EQ(registry.get("gbuffer")->tag, 1);

    // Held elsewhere, the second object lives on but the registry keeps no reference.
    Ref<Named> second(new Named(3));
    EXPECT_FALSE(registry.add("gbuffer", second));
    EXPECT_EQ(second->refCount(), 1);
    EXPECT_EQ(second->name, "");
    EXPECT_EQ(registry.get("gbuffer")->tag, 1);
}

TEST_F(RegistryTest, NamesAreExactAndCaseSensitive) {
    auto& registry = Registry<Named>::instance();
    registry.add("post/blit", new Named(1));
    registry.add("Post/Blit", new Named(2));
    EXPECT_EQ(registry.size(), 2u);
    EXPECT_EQ(registry.get("post/blit")->tag, 1);
    EXPECT_EQ(registry.get("Post/Blit")->tag, 2);
    EXPECT_FALSE(registry.get("post/blit "));
    EXPECT_FALSE(registry.get("post"));
}

TEST_F(RegistryTest, RegisteredNameIsGivenToNamedKinds) {
    auto& registry = Registry<Named>::instance();
    Ref<Named> object(new Named(1));
    object->name = "file.png";
    registry.add("noise", object);
    EXPECT_EQ(object->name, "noise");

    // A derived object registered through its base takes the name as well.
    Ref<DerivedNamed> derived(new DerivedNamed());
    registry.add("derived", derived);
    EXPECT_EQ(derived->name, "derived");

    // Kinds without a name are stored untouched.
    auto& plain = Registry<Plain>::instance();
    Ref<Plain> p(new Plain());
    EXPECT_TRUE(plain.add("x", p));
    EXPECT_EQ(p->name, "own");
    plain.clear();
}

TEST_F(RegistryTest, AbsentNameGivesEmptyReferenceWithoutLogging) {
    ASSERT_TRUE(ember::Logger::instance().open("log.txt"));
    auto& registry = Registry<Named>::instance();
    EXPECT_FALSE(registry.get("missing"));
    EXPECT_FALSE(registry.add("null", Ref<Named>()));
    EXPECT_FALSE(registry.contains("null"));
    ember::Logger::instance().close();
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "");
}

TEST_F(RegistryTest, RemoveAndClearDropReferences) {
    auto& registry = Registry<Named>::instance();
    registry.add("a", new Named(1));
    registry.add("b", new Named(2));
    Ref<Named> kept(new Named(3));
    registry.add("c", kept);
    EXPECT_EQ(Named::alive, 3);

    registry.remove("a");
    registry.remove("not there");
    EXPECT_FALSE(registry.get("a"));
    EXPECT_EQ(Named::alive, 2);

    registry.clear();
    EXPECT_EQ(registry.size(), 0u);
    for (const char* name : {"a", "b", "c"}) EXPECT_FALSE(registry.get(name)) << name;
    // An object still held elsewhere outlives the registry's reference.
    EXPECT_EQ(Named::alive, 1);
    EXPECT_EQ(kept->refCount(), 1);

    // After removal the name can be registered again.
    EXPECT_TRUE(registry.add("a", new Named(4)));
    EXPECT_EQ(registry.get("a")->tag, 4);
}

TEST_F(RegistryTest, EachKindHasItsOwnProcessWideRegistry) {
    EXPECT_EQ(&Registry<Named>::instance(), &Registry<Named>::instance());
    Registry<Named>::instance().add("shared", new Named(1));
    EXPECT_EQ(Registry<Plain>::instance().size(), 0u);
}

// The rendering layer's registries; no GL objects are created here.
TEST(RenderRegistries, TexturesTakeTheRegisteredNameProgramsKeepTheirs) {
    ember::TextureRegistry& textures = ember::textureRegistry();
    ember::ProgramRegistry& programs = ember::programRegistry();
    ember::FramebufferRegistry& framebuffers = ember::framebufferRegistry();
    EXPECT_EQ(&textures, &ember::TextureRegistry::instance());
    EXPECT_NE(static_cast<void*>(&textures), static_cast<void*>(&programs));

    Ref<ember::Texture2D> texture(new ember::Texture2D());
    texture->setName("data/textures/noise.png");
    EXPECT_TRUE(textures.add("noise", texture));
    EXPECT_EQ(texture->name(), "noise");
    Ref<ember::Texture> found = textures.get("noise");
    EXPECT_EQ(found.get(), texture.get());
    found.reset();

    Ref<ember::Program> program(new ember::Program("post/blit"));
    EXPECT_TRUE(programs.add("blit", program));
    EXPECT_EQ(program->name(), "post/blit");
    EXPECT_EQ(programs.get("blit").get(), program.get());

    Ref<ember::Framebuffer> framebuffer(new ember::Framebuffer());
    EXPECT_TRUE(framebuffers.add("gbuffer", framebuffer));
    EXPECT_FALSE(framebuffers.add("gbuffer", new ember::Framebuffer()));
    EXPECT_EQ(framebuffers.get("gbuffer").get(), framebuffer.get());

    textures.clear();
    programs.clear();
    framebuffers.clear();
    EXPECT_FALSE(textures.get("noise"));
    EXPECT_FALSE(programs.get("blit"));
    EXPECT_FALSE(framebuffers.get("gbuffer"));
    EXPECT_EQ(texture->refCount(), 1);
}

}  // namespace
