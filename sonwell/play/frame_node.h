#pragma once
// Queue elements of the play streams. Nodes are made on the callers' threads and recycled
// through the pool, so the mixing thread neither allocates nor frees.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kez::sonwell {

// True when 16-bit sequence `a` comes before `b` (b - a is 1..0x7FFF).
constexpr bool sequenceBefore(std::uint16_t a, std::uint16_t b) {
    const auto ahead = static_cast<std::uint16_t>(b - a);
    return ahead >= 1 && ahead <= 0x7FFF;
}

enum class NodeKind : std::uint8_t { Silence = 1, Comfort = 2, Data = 3, Partial = 4 };

struct FrameNode {
    std::vector<std::int16_t> samples; // one frame of room
    std::uint16_t sequence = 0;
    NodeKind kind = NodeKind::Data;
    std::size_t readPosition = 0;
    std::size_t count = 0; // samples held

    bool holdsSound() const { return kind == NodeKind::Data || kind == NodeKind::Partial; }
};

using NodePtr = std::unique_ptr<FrameNode>;

class NodePool {
public:
    explicit NodePool(std::size_t frameSamples) : frameSamples_(frameSamples) {}

    // A cleared node with a frame of room; allocates only when the pool is empty.
    NodePtr take();
    // Never allocates: room for every node made is kept in reserve.
    void give(NodePtr node);
    std::size_t frameSamples() const { return frameSamples_; }
    std::size_t made() const { return made_; }

private:
    std::size_t frameSamples_;
    std::size_t made_ = 0;
    std::vector<NodePtr> free_;
};

// A first-in first-out ring of nodes. It grows on push (a caller's thread) and only shrinks on
// the mixing thread, so popping never allocates.
class FrameQueue {
public:
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    FrameNode* front() const { return empty() ? nullptr : slots_[head_].get(); }
    FrameNode* back() const { return empty() ? nullptr : slots_[(head_ + size_ - 1) % slots_.size()].get(); }
    FrameNode& at(std::size_t index) const { return *slots_[(head_ + index) % slots_.size()]; }
    void push(NodePtr node);
    // Pushes and moves the node forward past every queued node whose sequence comes after its own.
    void pushInSequence(NodePtr node);
    NodePtr pop();
    void giveAll(NodePool& pool);

private:
    NodePtr& slot(std::size_t index) { return slots_[(head_ + index) % slots_.size()]; }

    std::vector<NodePtr> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace kez::sonwell
