#include "reports.h"

#include "collaborators.h"
#include "linkor/identifiers.h"
#include "linkor/jip_message.h"
#include "linkor/outgoing_interfaces.h"

namespace kez::corvane {
namespace {

using linkor::IJIPMessage;

constexpr std::int16_t kFlowControlInfo2 = 20;

std::int16_t word(std::uint16_t value) { return static_cast<std::int16_t>(value); }

com::HRESULT address(IJIPMessage& jip, const Addressing& a) {
    return firstFailure([&] { return jip.put_nHeaderBitMap(word(a.headerBits)); },
                        [&] { return jip.put_nIPTOS(word(a.tos)); }, [&] { return jip.put_nTCI(word(a.tci)); },
                        [&] { return jip.put_varDestMac(a.destMac); }, [&] { return jip.put_varDestIP(a.destIp); });
}

// The fields both reports set, in the reports' order.
template <class Report>
com::HRESULT fillReport(Report& report, const ReportFields& f, std::uint32_t systemStateCount) {
    return firstFailure(
        [&] { return report.put_nProtocolRevision(f.revision); },
        [&] { return report.put_nDeviceHandle(f.deviceHandle); }, [&] { return report.put_nDeviceType(kDeviceType); },
        [&] { return report.put_varMyIP(f.myIp); }, [&] { return report.put_varGatewayIP(f.gatewayIp); },
        [&] { return report.put_varSubNetMask(f.subnetMask); }, [&] { return report.put_varVuruvIP(f.vuruvIp); },
        [&] { return report.put_nDiscoveryState(f.discoveryState); },
        [&] { return report.put_nSystemStateMsgCount(static_cast<std::int16_t>(systemStateCount)); },
        [&] { return report.put_nDeviceLocation(f.location); });
}

template <class Report>
com::HRESULT sendReport(const com::Guid& clsid, linkor::IEndPoint& endPoint, const ReportFields& f,
                        const std::function<com::HRESULT(Report&)>& fill) {
    com::Ptr<Report> report;
    com::HRESULT hr = createMessage(clsid, report);
    if (com::FAILED(hr)) return hr;
    com::Ptr<IJIPMessage> jip;
    if (com::FAILED(hr = com::query(report, jip))) return hr;
    return firstFailure([&] { return report->InitPacket(); }, [&] { return address(*jip, f.address); },
                        [&] { return fill(*report); }, [&] { return endPoint.SendPacket(report); });
}

} // namespace

ReportFields reportFields(const SharedFields& s, const com::Variant& defaultMac) {
    ReportFields f;
    f.address = {s.controlBits, s.controlTos, s.controlTci, holdsBytes(s.vuruvMac) ? s.vuruvMac : defaultMac,
                 s.vuruvIp};
    f.revision = s.protocolRevision;
    f.deviceHandle = s.deviceHandle;
    f.myIp = s.localIp;
    f.subnetMask = s.subnetMask;
    f.gatewayIp = s.gatewayIp;
    f.vuruvIp = s.vuruvIp;
    f.discoveryState = s.initReceived ? kDiscoveryStateInitialised : 0;
    f.location = com::isVariantTrue(s.forceLevel3) ? kLocationLayer3 : kLocationEthernet;
    f.softDevice = com::isVariantTrue(s.softDevice);
    return f;
}

com::HRESULT sendStatusMessage(linkor::IEndPoint& endPoint, const ReportFields& f, const com::Variant& ownMac,
                               std::uint32_t systemStateCount) {
    return sendReport<linkor::IStatusMsg>(linkor::kClsidStatusMsg, endPoint, f, [&](linkor::IStatusMsg& status) {
        com::HRESULT hr = firstFailure([&] { return status.put_varMacAddress(ownMac); },
                                       [&] { return fillReport(status, f, systemStateCount); });
        if (com::FAILED(hr)) return hr;
        for (const DeviceEntry& device : kHardDevices)
            if (com::FAILED(hr = status.AddDevice(device.type, device.vdn, device.status))) return hr;
        return f.softDevice ? status.AddDevice(kSoftDevice.type, kSoftDevice.vdn, kSoftDevice.status) : com::S_OK;
    });
}

com::HRESULT sendReportIPInfo(linkor::IEndPoint& endPoint, const ReportFields& f, std::uint32_t systemStateCount) {
    return sendReport<linkor::IReportIPInfoMsg>(
        linkor::kClsidReportIPInfoMsg, endPoint, f,
        [&](linkor::IReportIPInfoMsg& report) { return fillReport(report, f, systemStateCount); });
}

com::HRESULT sendKzSetEvent(linkor::IEndPoint& endPoint, const KzSetEventFields& f) {
    com::Ptr<linkor::IKzSetEventMsg> event;
    com::HRESULT hr = createMessage(linkor::kClsidKzSetEventMsg, event);
    if (com::FAILED(hr)) return hr;
    com::Ptr<IJIPMessage> jip;
    if (com::FAILED(hr = com::query(event, jip))) return hr;
    return firstFailure([&] { return event->InitPacket(); }, [&] { return address(*jip, f.address); },
                        [&] { return f.srcVdn ? jip->put_nSrcVDN(*f.srcVdn) : com::S_OK; },
                        [&] { return event->put_nProtocolRevision(f.revision); },
                        [&] { return event->put_nDeviceHandle(f.deviceHandle); },
                        [&] { return event->put_nEventID(f.eventId); }, [&] { return event->put_nEventInfo1(f.info1); },
                        [&] { return f.info2 ? event->put_nEventInfo2(*f.info2) : com::S_OK; },
                        [&] { return endPoint.SendPacket(event); });
}

KzSetEventFields controlEvent(const SharedFields& s, KzSetEventId id, std::int16_t info1) {
    KzSetEventFields f;
    f.address = {s.controlBits, s.controlTos, s.controlTci, s.vuruvMac, s.vuruvIp};
    f.deviceHandle = s.deviceHandle;
    f.revision = s.protocolRevision;
    f.eventId = id;
    f.info1 = info1;
    return f;
}

KzSetEventFields flowControlEvent(const Addressing& audio, std::int16_t deviceHandle, std::int16_t revision,
                                  KzSetEventId id, std::int16_t lastReliableSequence) {
    KzSetEventFields f;
    f.address = audio;
    f.address.headerBits = reliableOnAudioHeader(audio.headerBits);
    f.deviceHandle = deviceHandle;
    f.revision = revision;
    f.eventId = id;
    f.info1 = lastReliableSequence;
    f.info2 = kFlowControlInfo2;
    f.srcVdn = kAudioVdn;
    return f;
}

} // namespace kez::corvane
