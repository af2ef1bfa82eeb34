#include "scene/Node.h"

#include <algorithm>

namespace ember {

Node::Node(int32_t type) : type_(type) {}

// The default destruction would release the sibling chain and the subtree
// recursively (one nested destructor per node); scenes with tens of thousands
// of siblings would exhaust the stack. Links of nodes that die with this one
// are moved onto a work list instead, and nodes that survive because someone
// else holds them lose their (borrowed) parent link.
Node::~Node() {
    std::vector<Ref<Node>> work;
    auto detach = [&work](Node* n) {
        if (n->firstChild_) work.push_back(std::move(n->firstChild_));
        if (n->nextSibling_) work.push_back(std::move(n->nextSibling_));
    };
    detach(this);
    while (!work.empty()) {
        Ref<Node> n = std::move(work.back());
        work.pop_back();
        // Every node reaching the list has a dying (or no) parent.
        if (n->refCount() == 1) {
            n->parent_ = nullptr;
            detach(n.get());
        } else {
            for (Node* s = n.get(); s; s = s->nextSibling_.get()) s->parent_ = nullptr;
        }
    }
}

void Node::preUpdate(float) {}

void Node::postUpdate(float) {}

void Node::update(float time) {
    preUpdate(time);
    for (const Ref<Controller>& c : controllers_) c->update(*this, time);
    transform.updateLocal();
    postUpdate(time);
    transform.updateWorld(parent_ ? &parent_->transform : nullptr);
}

void Node::addChild(Node* child, bool append) {
    if (!child) return;
    if (!firstChild_) {
        insertChild(child);
        return;
    }
    firstChild_->insertSibling(child, append);
}

void Node::insertSibling(Node* other, bool append) {
    if (!other) return;
    Ref<Node> keep(other);
    other->parent_ = parent_;
    if (append && nextSibling_) {
        Node* last = nextSibling_.get();
        while (last->nextSibling_) last = last->nextSibling_.get();
        last->nextSibling_ = other;
        return;
    }
    Ref<Node> former = std::move(nextSibling_);
    nextSibling_ = other;
    if (former) {
        Node* end = other;
        while (end->nextSibling_) end = end->nextSibling_.get();
        end->nextSibling_ = std::move(former);
    }
}

void Node::insertChild(Node* child) {
    if (!child) return;
    Ref<Node> keep(child);
    Ref<Node> former = std::move(firstChild_);
    firstChild_ = child;
    child->parent_ = this;
    if (former) {
        Node* deepest = child;
        while (deepest->firstChild_) deepest = deepest->firstChild_.get();
        former->parent_ = deepest;
        deepest->firstChild_ = std::move(former);
    }
}

void Node::addController(Controller* controller) {
    if (!controller) return;
    auto same = [controller](const Ref<Controller>& c) { return c.get() == controller; };
    if (std::find_if(controllers_.begin(), controllers_.end(), same) != controllers_.end()) return;
    controllers_.emplace_back(controller);
}

}  // namespace ember
