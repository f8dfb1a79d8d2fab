#pragma once
// The error handler's work: for every error record, put the connection's held "HR" packets back
// behind a new connect request when the peer only lost the connection, else give them up.
#include "reliable/error_record.h"
#include "reliable/reliable_sender.h"
#include "reliable/services.h"

#include <cstdint>

namespace ralnet::reliable {

struct ErrorHandlerCounters {
    std::uint32_t records = 0;
    std::uint32_t resent = 0;
    std::uint32_t resyncFailures = 0; // records whose held packets could not follow a new connect
    std::uint32_t discarded = 0;      // held packets given up with their record
    std::uint32_t shortRecords = 0;   // fewer held packets queued than the record counts
};

class ErrorHandler {
public:
    ErrorHandler(StackServices& services, ReliableSender& sender, bool deliverHeldPackets)
        : services_(services), sender_(sender), deliverHeldPackets_(deliverHeldPackets) {}

    // Handles records until the interface stops. A failed reconnect costs that record's
    // packets only; the handler goes on with the next record.
    void run(ErrorQueueReader& queue);

    // One packet taken from the error queue (a record, or a stray packet), with whatever of its
    // held packets the queue gives.
    void handle(J5PacketObj* packet, ErrorQueueReader& queue);

    const ErrorHandlerCounters& counters() const { return counters_; }

private:
    J5PacketObj* handleOne(J5PacketObj* packet, ErrorQueueReader& queue);

    StackServices& services_;
    ReliableSender& sender_;
    bool deliverHeldPackets_;
    ErrorHandlerCounters counters_;
};

} // namespace ralnet::reliable
