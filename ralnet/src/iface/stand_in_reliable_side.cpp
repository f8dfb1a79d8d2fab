// Until reliable delivery is plugged in: reliable packets are counted and given back, and
// the transmit-control and error queues are kept empty.
#include "iface/interface.h"
#include "iface/reliable_seam.h"

namespace ralnet::iface {
namespace {

class StandInReliableSide final : public ReliableSide {
public:
    explicit StandInReliableSide(J5Interface& iface) : iface_(iface) {}

    void receivedReliable(J5PacketObj& packet) override {
        ++iface_.counters.reliableDropped;
        PacketPools::giveBackToOwner(&packet);
    }

    void transmitControlWake() override {
        iface_.tickFlag.store(false);
        iface_.transmitControlQueue.freeAll();
    }

    void errorSignalled() override { iface_.errorQueue.freeAll(); }

private:
    J5Interface& iface_;
};

} // namespace

std::unique_ptr<ReliableSide> makeReliableSide(J5Interface& iface) {
    return std::make_unique<StandInReliableSide>(iface);
}

} // namespace ralnet::iface
