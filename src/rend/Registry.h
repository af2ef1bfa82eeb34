#pragma once
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "core/Object.h"

namespace ember {

class Texture;
class Framebuffer;
class Program;

namespace detail {
template <class T, class = void>
struct HasSetName : std::false_type {};
template <class T>
struct HasSetName<T, std::void_t<decltype(std::declval<T&>().setName(std::declval<const std::string&>()))>>
    : std::true_type {};
}  // namespace detail

// Whether registering an object renames it to the registered name: textures and
// meshes (any kind with setName) do; programs keep their own name.
template <class T>
struct RegistryGivesName : detail::HasSetName<T> {};
template <>
struct RegistryGivesName<Program> : std::false_type {};

// Shared resources by name: a writer registers an object, readers look it up by
// the same name. Names compare exactly (case-sensitive). The first registration
// of a name wins. Textures and meshes take the registered name as their own
// (see RegistryGivesName). Main thread only.
template <class T>
class Registry {
public:
    // The process-wide registry of this kind. It is never destroyed, so nothing
    // it still holds is released after the GL context has gone; the demo clears
    // the registries when it terminates.
    static Registry& instance() {
        static Registry* registry = new Registry();
        return *registry;
    }

    // Stores a reference under name when the name is absent and returns true.
    // When the name is present the first object stays and the new one is not
    // retained (destroyed if nobody else holds it); returns false. A null
    // object is refused.
    bool add(const std::string& name, Ref<T> object) {
        if (!object) return false;
        auto found = entries_.find(name);
        if (found != entries_.end()) return false;
        if constexpr (RegistryGivesName<T>::value) object->setName(name);
        entries_.emplace(name, std::move(object));
        return true;
    }

    // The registered object, or an empty reference when the name is absent (no message).
    Ref<T> get(const std::string& name) const {
        auto found = entries_.find(name);
        return found != entries_.end() ? found->second : Ref<T>();
    }

    bool contains(const std::string& name) const { return entries_.count(name) != 0; }

    // Drops the entry and its reference; an absent name is ignored.
    void remove(const std::string& name) { entries_.erase(name); }

    // Drops every entry. The map is swapped out first, so destructors that look
    // into the registry see it empty.
    void clear() {
        std::unordered_map<std::string, Ref<T>> old;
        old.swap(entries_);
    }

    size_t size() const { return entries_.size(); }

private:
    std::unordered_map<std::string, Ref<T>> entries_;
};

// The shared registries of the rendering layer (the mesh registry lives with Mesh).
using TextureRegistry = Registry<Texture>;
using FramebufferRegistry = Registry<Framebuffer>;
using ProgramRegistry = Registry<Program>;

// The process-wide registries (Registry.cpp, where the kinds are complete).
TextureRegistry& textureRegistry();
FramebufferRegistry& framebufferRegistry();
ProgramRegistry& programRegistry();

}  // namespace ember
