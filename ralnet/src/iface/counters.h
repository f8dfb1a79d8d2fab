#pragma once
// What an interface counts: sends by kind, receives by type, drops and errors.
#include <atomic>
#include <cstdint>

namespace ralnet::iface {

struct InterfaceCounters {
    using Counter = std::atomic<std::uint64_t>;
    Counter sentHu{0};
    Counter sentHa{0};
    Counter sentDl{0};
    Counter framesWritten{0};
    Counter writeFailures{0};
    Counter noBuffer{0}; // a send found no packet object
    Counter framesRead{0};
    Counter framesRefused{0}; // failed the receive filter
    Counter framesLost{0};    // accepted, but no object was left to keep reading
    Counter readFailures{0};
    Counter receiveQueueFull{0};
    Counter receivedReliable{0}; // "HR", "HI", "HH", "HY", "HE"
    Counter reliableDropped{0};  // truncated, or the transmit-control queue was full
    Counter receivedHa{0};
    Counter receivedHu{0};
    Counter receivedDl{0};
    Counter deliveryQueueFull{0}; // data or audio queue
    Counter audioSwitchedOff{0};
    Counter errors{0}; // unknown or truncated packets
};

} // namespace ralnet::iface
