#include "scene/Scene.h"

#include "application/Logger.h"
#include "rend/Device.h"
#include "rend/Program.h"
#include "scene/Drawable.h"
#include "scene/State.h"

namespace ember {

Scene::Scene() = default;

Scene::Scene(Node* root) : root_(root) {}

Scene::~Scene() = default;

void Scene::setRoot(Node* root) {
    root_ = root;
}

void Scene::update(float time) {
    time_ = time;
    updateChain(root_.get(), time);
}

void Scene::updateChain(Node* first, float time) {
    for (Node* n = first; n; n = n->nextSibling()) {
        n->update(time);
        if (n->firstChild()) updateChain(n->firstChild(), time);
    }
}

void Scene::cacheTransforms() {
    nodeCount_ = 0;
    cachedLocalCount_ = 0;
    cachedWorldCount_ = 0;
    cacheChain(root_.get());
    Logger::instance().writeFormatted("Scene node count : %d ", nodeCount_);
    Logger::instance().writeFormatted("Cached node transforms - local:%d world:%d", cachedLocalCount_,
                                      cachedWorldCount_);
}

void Scene::cacheChain(Node* first) {
    for (Node* n = first; n; n = n->nextSibling()) {
        ++nodeCount_;
        Transform& t = n->transform;
        if (!(t.flags & Transform::Animated)) {
            t.updateLocal();
            t.flags |= Transform::LocalFrozen;
            ++cachedLocalCount_;
            // The world matrix can be frozen only when nothing above it can
            // move: every ancestor up to the top (or up to one whose world is
            // already frozen) must have a frozen local.
            bool still = true;
            for (Node* a = n->parent(); a; a = a->parent()) {
                if (a->transform.flags & Transform::WorldFrozen) break;
                if (!(a->transform.flags & Transform::LocalFrozen)) {
                    still = false;
                    break;
                }
            }
            if (still) {
                t.updateWorld(n->parent() ? &n->parent()->transform : nullptr);
                t.flags |= Transform::WorldFrozen;
                ++cachedWorldCount_;
            }
        }
        if (n->firstChild()) cacheChain(n->firstChild());
    }
}

void Scene::render(const Mat4& view, StateSet* context, int32_t mask) {
    if (!context || !context->device()) return;
    Device& device = *context->device();
    device.storeMatrix(StandardMatrix::ViewMatrix, view);
    device.storeMatrix(StandardMatrix::ViewMatrixInverse, view.inverse());
    device.storeNormalMatrix(StandardMatrix::ViewNormalMatrix, view.upper3());
    drawMask_ = mask;
    view_ = view;
    context_ = context;
    drawChain(root_.get());
}

void Scene::drawChain(Node* first) {
    StateSet& context = *context_;
    Device& device = *context.device();
    for (Node* n = first; n; n = n->nextSibling()) {
        if (!n->enabled || (drawMask_ != 0 && (n->mask & drawMask_) == 0)) continue;
        const bool isState = n->type() == NodeType::State;
        if (isState) {
            static_cast<State*>(n)->apply(context);
        } else if (n->isDrawable()) {
            Program* program = context.program();
            modelView_ = setDrawableMatrices(view_, n->transform.world, device,
                                             program ? program->usedMatrices() : 0u);
            static_cast<Drawable*>(n)->draw(device, time_);
        }
        if (n->firstChild()) drawChain(n->firstChild());
        if (isState) static_cast<State*>(n)->unapply(context);
    }
}

namespace {

// The matrices both entry points share; world is sent by the caller.
void sendModelViewMatrices(const Mat4& mv, Device& device, uint32_t u) {
    if (u & standardMatrixBit(StandardMatrix::ModelViewMatrix))
        device.setMatrix(StandardMatrix::ModelViewMatrix, mv);
    if (u & standardMatrixBit(StandardMatrix::ModelViewMatrixInverse))
        device.setMatrix(StandardMatrix::ModelViewMatrixInverse, mv.inverse());
    if (u & 0x30u) {
        Mat4 p;
        const float* stored = device.matrix(StandardMatrix::ProjectionMatrix);
        for (int i = 0; i < 16; ++i) p.m[i] = stored[i];
        Mat4 mvp = p * mv;
        if (u & standardMatrixBit(StandardMatrix::ModelViewProjectionMatrix))
            device.setMatrix(StandardMatrix::ModelViewProjectionMatrix, mvp);
        if (u & standardMatrixBit(StandardMatrix::ModelViewProjectionMatrixInverse))
            device.setMatrix(StandardMatrix::ModelViewProjectionMatrixInverse, mvp.inverse());
    }
    if (u & 0x1800u) {
        Mat3 n = inverse3(mv.upper3()).transposed();
        if (u & standardMatrixBit(StandardMatrix::NormalMatrix))
            device.setNormalMatrix(StandardMatrix::NormalMatrix, n);
        if (u & standardMatrixBit(StandardMatrix::NormalMatrixInverse))
            device.setNormalMatrix(StandardMatrix::NormalMatrixInverse, inverse3(n));
    }
}

}  // namespace

Mat4 setDrawableMatrices(const Mat4& view, const Mat4& world, Device& device, uint32_t usageBits) {
    Mat4 mv = view * world;
    sendModelViewMatrices(mv, device, usageBits);
    if (usageBits & standardMatrixBit(StandardMatrix::WorldMatrix))
        device.setMatrix(StandardMatrix::WorldMatrix, world);
    if (usageBits & standardMatrixBit(StandardMatrix::WorldNormalMatrix))
        device.setNormalMatrix(StandardMatrix::WorldNormalMatrix, world.upper3());
    return mv;
}

void setModelMatrices(const Mat4& modelView, Device& device, uint32_t usageBits) {
    sendModelViewMatrices(modelView, device, usageBits);
}

}  // namespace ember
