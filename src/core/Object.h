#pragma once
#include <cstdint>

namespace ember {

// Root of every engine class. The reference count is a plain signed integer
// used from the main thread only; an object destroys itself when the last
// counted reference lets go (count <= 0).
class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    void addRef() { ++refCount_; }
    // Drops one reference; deletes the object when the count falls to 0 or below.
    void release() {
        if (--refCount_ <= 0) delete this;
    }
    int32_t refCount() const { return refCount_; }

private:
    int32_t refCount_ = 0;
};

// Counted reference: takes a reference when set, drops it when cleared or destroyed.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(T* p) : p_(p) { if (p_) p_->addRef(); }
    Ref(const Ref& o) : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    template <class U>
    Ref(const Ref<U>& o) : Ref(static_cast<T*>(o.get())) {}
    ~Ref() { if (p_) p_->release(); }

    Ref& operator=(const Ref& o) { reset(o.p_); return *this; }
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) { T* old = p_; p_ = o.p_; o.p_ = nullptr; if (old) old->release(); }
        return *this;
    }
    Ref& operator=(T* p) { reset(p); return *this; }

    // Takes the new reference before dropping the old one, so self-assignment is safe.
    void reset(T* p = nullptr) {
        if (p) p->addRef();
        T* old = p_;
        p_ = p;
        if (old) old->release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const Ref& o) const { return p_ == o.p_; }
    bool operator!=(const Ref& o) const { return p_ != o.p_; }
    bool operator==(const T* p) const { return p_ == p; }
    bool operator!=(const T* p) const { return p_ != p; }

private:
    T* p_ = nullptr;
};

} // namespace ember
