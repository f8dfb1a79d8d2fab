#pragma once
// The error handler's work: for every error record, resynchronise the connection and send its
// held "HR" packets again when the peer only lost the connection, else give them up.
#include "reliable/error_record.h"
#include "reliable/send_calls.h"
#include "reliable/services.h"

#include <cstdint>

namespace ralnet::reliable {

struct ErrorHandlerCounters {
    std::uint32_t records = 0;
    std::uint32_t resent = 0;
    std::uint32_t resendFailures = 0;
    std::uint32_t resyncFailures = 0;
    std::uint32_t discarded = 0;    // held packets given up with their record
    std::uint32_t shortRecords = 0; // fewer held packets queued than the record counts
};

class ErrorHandler {
public:
    ErrorHandler(StackServices& services, SendCalls& calls, bool deliverHeldPackets)
        : services_(services), calls_(calls), deliverHeldPackets_(deliverHeldPackets) {}

    // Handles records until the interface stops. A failed resynchronisation or re-send costs
    // that record's packets only; the handler goes on with the next record.
    void run(ErrorQueueReader& queue);

    // One packet taken from the error queue (a record, or a stray packet), with whatever of its
    // held packets the queue gives.
    void handle(J5PacketObj* packet, ErrorQueueReader& queue);

    const ErrorHandlerCounters& counters() const { return counters_; }

private:
    J5PacketObj* handleOne(J5PacketObj* packet, ErrorQueueReader& queue);
    bool resynchronise(const ErrorRecord& record);
    void resendHeld(J5PacketObj* held);

    StackServices& services_;
    SendCalls& calls_;
    bool deliverHeldPackets_;
    ErrorHandlerCounters counters_;
};

} // namespace ralnet::reliable
