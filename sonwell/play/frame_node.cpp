// The node pool and the node queue.
#include "frame_node.h"

#include <algorithm>
#include <utility>

namespace kez::sonwell {

NodePtr NodePool::take() {
    NodePtr node;
    if (free_.empty()) {
        node = std::make_unique<FrameNode>();
        node->samples.resize(frameSamples_);
        ++made_;
        free_.reserve(made_);
    } else {
        node = std::move(free_.back());
        free_.pop_back();
    }
    node->sequence = 0;
    node->kind = NodeKind::Data;
    node->readPosition = 0;
    node->count = 0;
    return node;
}

void NodePool::give(NodePtr node) {
    if (node) free_.push_back(std::move(node));
}

void FrameQueue::push(NodePtr node) {
    if (size_ == slots_.size()) {
        std::vector<NodePtr> grown(std::max<std::size_t>(8, slots_.size() * 2));
        for (std::size_t i = 0; i < size_; ++i)
            grown[i] = std::move(slots_[(head_ + i) % slots_.size()]);
        slots_ = std::move(grown);
        head_ = 0;
    }
    slots_[(head_ + size_) % slots_.size()] = std::move(node);
    ++size_;
}

void FrameQueue::pushInSequence(NodePtr node) {
    push(std::move(node));
    for (std::size_t i = size_ - 1; i > 0 && sequenceBefore(slot(i)->sequence, slot(i - 1)->sequence); --i)
        std::swap(slot(i), slot(i - 1));
}

NodePtr FrameQueue::pop() {
    if (empty()) return nullptr;
    NodePtr node = std::move(slots_[head_]);
    head_ = (head_ + 1) % slots_.size();
    --size_;
    return node;
}

void FrameQueue::giveAll(NodePool& pool) {
    while (!empty())
        pool.give(pop());
}

} // namespace kez::sonwell
