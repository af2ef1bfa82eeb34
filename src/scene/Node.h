#pragma once
#include <cstdint>
#include <vector>

#include "core/Object.h"
#include "scene/Controller.h"
#include "scene/Transform.h"

namespace ember {

// Type codes fixed at construction. Walks test these instead of run-time type
// queries: render-state nodes by equality with State, drawables by the bit
// DrawableBit, lights by the bit LightBit (the low byte is the light kind).
namespace NodeType {
constexpr int32_t Group = 0x101;
constexpr int32_t State = 0x103;
constexpr int32_t Camera = 0x200;
constexpr int32_t Drawable = 0x400;
constexpr int32_t DrawableBit = 0x400;
constexpr int32_t LightBit = 0x800;
constexpr int32_t DirectionalLight = 0x800;
constexpr int32_t PointLight = 0x801;
constexpr int32_t SpotLight = 0x802;
constexpr int32_t AreaLight = 0x803;
constexpr int32_t LinearLight = 0x804;
constexpr int32_t CubeLight = 0x805;
constexpr int32_t AmbientLight = 0x806;
constexpr int32_t ProjectiveLight = 0x807;
constexpr int32_t LightKindMask = 0xFF;
}  // namespace NodeType

// A node of the scene tree: a transform, links to parent, next sibling and
// first child, and the controllers that animate it.
//
// Ownership runs downwards: a node holds counted references to its first child
// and its next sibling, so the head of a tree owns the whole tree. The parent
// link is borrowed (a counted parent link would make every parent/child pair a
// cycle that is never freed); when a node is destroyed, the children and
// siblings that outlive it because someone else holds them lose their parent
// link. Destruction releases sibling chains and subtrees iteratively, so long
// chains cost no stack.
class Node : public Object {
public:
    explicit Node(int32_t type);
    ~Node() override;

    // Per-frame hooks of the update walk, see update. Empty here.
    virtual void preUpdate(float time);
    virtual void postUpdate(float time);
    // preUpdate, the controllers in list order, transform.updateLocal,
    // postUpdate, then transform.updateWorld with the parent's transform (none
    // for a top-level node). The update walk visits parents before children, so
    // the parent's world matrix is already this frame's.
    virtual void update(float time);

    // Without children, child becomes the first child (as insertChild).
    // Otherwise it is placed by insertSibling on the first child: directly after
    // the first child when append is false, at the end of the children when
    // append is true. Null is ignored.
    void addChild(Node* child, bool append = true);
    // other gets this node's parent. With append true and siblings behind this
    // node, other is linked after the last of them. Otherwise other is linked
    // directly after this node and the former next sibling is re-attached behind
    // the end of other's own sibling chain (a whole chain can be spliced in).
    // Null is ignored.
    void insertSibling(Node* other, bool append);
    // child becomes the first child, with this node as parent. A former first
    // child (with its siblings) becomes the first child of the deepest node
    // reached by following first-child links from child, with that node as its
    // parent. Null is ignored.
    void insertChild(Node* child);
    // Appends controller unless the same object is already in the list; null is ignored.
    void addController(Controller* controller);

    Node* parent() const { return parent_; }
    Node* nextSibling() const { return nextSibling_.get(); }
    Node* firstChild() const { return firstChild_.get(); }
    const std::vector<Ref<Controller>>& controllers() const { return controllers_; }
    int32_t type() const { return type_; }
    bool isDrawable() const { return (type_ & NodeType::DrawableBit) != 0; }
    bool isLight() const { return (type_ & NodeType::LightBit) != 0; }

    Transform transform;
    // A disabled node and its whole subtree are not drawn (they are still updated).
    bool enabled = true;
    // Compared with the draw mask of a render; 0 means "no bits".
    int32_t mask = 0;

private:
    Node* parent_ = nullptr;
    Ref<Node> nextSibling_;
    Ref<Node> firstChild_;
    std::vector<Ref<Controller>> controllers_;
    int32_t type_;
};

}  // namespace ember
