#pragma once
// The messages the engine sends on its own: the status message, the IP-information report
// and the KzSetEvent messages (key press, DTMF played, reliable-audio flow control). Each is
// made by class identifier, filled member by member and handed to the endpoint. A failure
// ends the message and leaves the failed call's error object on this thread.
#include <cstdint>
#include <optional>

#include "engine_state.h"
#include "linkor/end_point.h"

namespace kez::corvane {

// The J5 header fields and destination of one message.
struct Addressing {
    std::uint16_t headerBits = 0, tos = 0, tci = 0;
    com::Variant destMac, destIp;
};

// What both reports carry, copied from the shared fields.
struct ReportFields {
    Addressing address;
    std::int16_t revision = 0, deviceHandle = kNoDeviceHandle;
    com::Variant myIp, subnetMask, gatewayIp, vuruvIp;
    std::int16_t discoveryState = 0, location = kLocationEthernet;
    bool softDevice = true;
};

// The control addressing: the configured or bound call server, else `defaultMac`.
ReportFields reportFields(const SharedFields& fields, const com::Variant& defaultMac);

// `ownMac` is the adapter's own MAC; `systemStateCount` the messages since the last report.
com::HRESULT sendStatusMessage(linkor::IEndPoint& endPoint, const ReportFields& fields, const com::Variant& ownMac,
                               std::uint32_t systemStateCount);
com::HRESULT sendReportIPInfo(linkor::IEndPoint& endPoint, const ReportFields& fields, std::uint32_t systemStateCount);

struct KzSetEventFields {
    Addressing address;
    std::int16_t deviceHandle = kNoDeviceHandle, revision = 0;
    std::int16_t eventId = 0, info1 = 0;
    std::optional<std::int16_t> info2;  // else the message's own
    std::optional<std::int16_t> srcVdn; // else the message's own
};
com::HRESULT sendKzSetEvent(linkor::IEndPoint& endPoint, const KzSetEventFields& fields);

// A key press or DTMF completion to the configured call server, with the control header.
KzSetEventFields controlEvent(const SharedFields& fields, KzSetEventId id, std::int16_t info1);

// A flow-control event about an audio connection: as a reliable control packet on the
// connection's audio header, to its other party, from the audio VDN.
KzSetEventFields flowControlEvent(const Addressing& audio, std::int16_t deviceHandle, std::int16_t revision,
                                  KzSetEventId id, std::int16_t lastReliableSequence);

} // namespace kez::corvane
