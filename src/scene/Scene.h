#pragma once
#include <cstdint>

#include "core/Math.h"
#include "core/Object.h"
#include "scene/Node.h"
#include "scene/StateSet.h"

namespace ember {

class Device;

// Owns the root of one node tree and walks it: the per-frame update
// (controllers, then matrices), the one-time freezing of matrices that never
// change, and the draw walk that brackets drawables with render state and
// feeds the standard matrix uniforms. All walks are pre-order, recursive over
// child links and iterative over sibling links, so long sibling chains cost no
// stack. A null root makes every walk do nothing. Nothing here reports errors.
class Scene : public Object {
public:
    Scene();
    explicit Scene(Node* root);
    ~Scene() override;

    void setRoot(Node* root);
    Node* root() const { return root_.get(); }

    // Stores time, then calls update(time) on every node, parents before
    // children. Disabled nodes are updated too (a controller may enable them).
    void update(float time);

    // Draw walk. Stores view, the inverse of view and the upper 3x3 of view in
    // the device's ViewMatrix, ViewMatrixInverse and ViewNormalMatrix without
    // uploading them (setProgram uploads ViewNormalMatrix on binding). Then
    // walks the tree, skipping a node with its subtree when it is disabled or,
    // with mask not 0, when node.mask & mask is 0. A render-state node (type
    // 0x103) is applied before and unapplied after its subtree; a drawable gets
    // its model-dependent standard matrices for the program on top of the
    // context's program stack (setDrawableMatrices) and is drawn with the
    // context's device and the scene's time. Needs a context with a device;
    // without one nothing is drawn.
    virtual void render(const Mat4& view, StateSet* context, int32_t mask);

    // Run once the tree is complete: every node that is not animated (0x40)
    // gets its local matrix composed and frozen (0x10); one whose ancestors up
    // to the top, or up to the first ancestor with a frozen world matrix, all
    // have frozen locals, gets its world matrix composed and frozen too (0x20).
    // Logs "Scene node count : %d " and "Cached node transforms - local:%d
    // world:%d".
    void cacheTransforms();

    const Mat4& view() const { return view_; }
    // view * world of the drawable being drawn (last drawn after a render).
    const Mat4& modelView() const { return modelView_; }
    StateSet* context() const { return context_.get(); }
    float time() const { return time_; }
    int32_t drawMask() const { return drawMask_; }
    int32_t nodeCount() const { return nodeCount_; }
    int32_t cachedLocalCount() const { return cachedLocalCount_; }
    int32_t cachedWorldCount() const { return cachedWorldCount_; }

private:
    void updateChain(Node* first, float time);
    void cacheChain(Node* first);
    void drawChain(Node* first);

    Ref<Node> root_;
    Mat4 view_;
    Mat4 modelView_;
    Ref<StateSet> context_;
    float time_ = 0.0f;
    int32_t drawMask_ = 0;
    int32_t nodeCount_ = 0;
    int32_t cachedLocalCount_ = 0;
    int32_t cachedWorldCount_ = 0;
};

// The model-dependent standard matrices of one drawable, sent (setMatrix /
// setNormalMatrix) only for the bits set in usageBits (a program's
// usedMatrices): with MV = view * world and P the device's stored
// ProjectionMatrix, ModelViewMatrix = MV, ModelViewMatrixInverse =
// inverse(MV), ModelViewProjectionMatrix = P * MV and its inverse,
// NormalMatrix N = transpose(inverse3(upper 3x3 of MV)), NormalMatrixInverse =
// inverse3(N), WorldMatrix = world, WorldNormalMatrix = upper 3x3 of world.
// Returns MV.
Mat4 setDrawableMatrices(const Mat4& view, const Mat4& world, Device& device, uint32_t usageBits);

// For parts that draw outside the walk: treats modelView as MV and sends, for
// the bits set, the model-view, model-view-projection and normal matrices (and
// their inverses) as setDrawableMatrices; never WorldMatrix or WorldNormalMatrix.
void setModelMatrices(const Mat4& modelView, Device& device, uint32_t usageBits);

}  // namespace ember
