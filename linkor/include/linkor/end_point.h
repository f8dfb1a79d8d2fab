#pragma once
// The endpoint: the one creatable object through which the engine talks J5. Open starts a
// Ralnet interface on an adapter and two receive threads; every packet Ralnet delivers is
// raised as a typed message object through _IEndPointEvents on the thread that created the
// endpoint (AudioReceived on the audio receive thread while bUseThread is set). Close leaves
// the multicast groups, hands back what is queued and stops Ralnet. An endpoint opens once.
#include <cstdint>

#include "kez/com/connection_point.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"
#include "linkor/identifiers.h"

namespace kez::linkor {

using com::HRESULT;
using com::Variant;

// Event numbers of _IEndPointEvents.
enum EndPointEventId : com::DispId {
    kDispIdAudioReceived = 1,
    kDispIdSystemStateReceived = 2,
    kDispIdKzSetInitReceived = 3,
    kDispIdKzSetUIStateControlReceived = 4,
    kDispIdKzSetCallStateControlReceived = 5,
    kDispIdSlavePageCmdReceived = 6,
    kDispIdReliableAudioReceived = 7,
    kDispIdPlayDTMFMsgReceived = 8,
    kDispIdLEDMappingReceived = 9,
    kDispIdSlaveCommandReceived = 10,
};

// Each event passes one message object; the sink asks it for the class's interface.
class _IEndPointEvents : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIEndPointEvents;

    virtual HRESULT AudioReceived(const com::Ptr<com::Object>& pObj) = 0;                  // RealTimeAudioMsg
    virtual HRESULT SystemStateReceived(const com::Ptr<com::Object>& pObj) = 0;            // SystemStateMsg
    virtual HRESULT KzSetInitReceived(const com::Ptr<com::Object>& pDisp) = 0;             // KzSetInitMsg
    virtual HRESULT KzSetUIStateControlReceived(const com::Ptr<com::Object>& pDisp) = 0;   // UIStateControlMsg
    virtual HRESULT KzSetCallStateControlReceived(const com::Ptr<com::Object>& pDisp) = 0; // CallStateControlMsg
    virtual HRESULT SlavePageCmdReceived(const com::Ptr<com::Object>& pDisp) = 0;          // SlavePageCmdMsg
    virtual HRESULT ReliableAudioReceived(const com::Ptr<com::Object>& pDisp) = 0;         // ReliableAudioMsg
    virtual HRESULT PlayDTMFMsgReceived(const com::Ptr<com::Object>& pDisp) = 0;           // PlayDTMFMsg
    virtual HRESULT LEDMappingReceived(const com::Ptr<com::Object>& pDisp) = 0;            // LEDMappingMsg
    virtual HRESULT SlaveCommandReceived(const com::Ptr<com::Object>& pDisp) = 0;          // CommandMsg
};

// A sink that takes every event by its number, the way a dispatch interface would be invoked.
class EndPointEventsByNumber : public com::Implements<_IEndPointEvents> {
public:
    virtual HRESULT Invoke(com::DispId id, const com::Ptr<com::Object>& message) = 0;

    HRESULT AudioReceived(const com::Ptr<com::Object>& m) final { return Invoke(kDispIdAudioReceived, m); }
    HRESULT SystemStateReceived(const com::Ptr<com::Object>& m) final { return Invoke(kDispIdSystemStateReceived, m); }
    HRESULT KzSetInitReceived(const com::Ptr<com::Object>& m) final { return Invoke(kDispIdKzSetInitReceived, m); }
    HRESULT KzSetUIStateControlReceived(const com::Ptr<com::Object>& m) final {
        return Invoke(kDispIdKzSetUIStateControlReceived, m);
    }
    HRESULT KzSetCallStateControlReceived(const com::Ptr<com::Object>& m) final {
        return Invoke(kDispIdKzSetCallStateControlReceived, m);
    }
    HRESULT SlavePageCmdReceived(const com::Ptr<com::Object>& m) final {
        return Invoke(kDispIdSlavePageCmdReceived, m);
    }
    HRESULT ReliableAudioReceived(const com::Ptr<com::Object>& m) final {
        return Invoke(kDispIdReliableAudioReceived, m);
    }
    HRESULT PlayDTMFMsgReceived(const com::Ptr<com::Object>& m) final { return Invoke(kDispIdPlayDTMFMsgReceived, m); }
    HRESULT LEDMappingReceived(const com::Ptr<com::Object>& m) final { return Invoke(kDispIdLEDMappingReceived, m); }
    HRESULT SlaveCommandReceived(const com::Ptr<com::Object>& m) final {
        return Invoke(kDispIdSlaveCommandReceived, m);
    }
};

class IEndPoint : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIEndPoint;

    virtual HRESULT Open() = 0;
    virtual HRESULT Close() = 0;
    // Sends a control message's payload reliably or not, as its packet type says.
    virtual HRESULT SendPacket(const com::Ptr<com::Object>& pDisp) = 0;
    // The own MAC address of the open interface (zeros before Open).
    virtual HRESULT get_varSourceMac(Variant& value) = 0;
    virtual HRESULT SendAudioPacket(const com::Ptr<com::Object>& pDisp) = 0;
    // Copies of the adapter names and descriptions (text arrays), listed once.
    virtual HRESULT get_varRawAdapters(Variant& value) = 0;
    // Index into the names used by the next Open; -1 is Ralnet's default adapter.
    virtual HRESULT get_nAdapter(std::int16_t& value) = 0;
    virtual HRESULT put_nAdapter(std::int16_t value) = 0;
    virtual HRESULT get_varAdapterDescriptions(Variant& value) = 0;
    // Set (the default): AudioReceived fires on the audio receive thread.
    virtual HRESULT get_bUseThread(com::VariantBool& value) = 0;
    virtual HRESULT put_bUseThread(com::VariantBool value) = 0;
    // Counted joins and leaves of IP multicast groups (4-byte arrays).
    virtual HRESULT AddMulticastIP(const Variant& varIP) = 0;
    virtual HRESULT DeleteMulticastIP(const Variant& varIP) = 0;
    // Counted multicast MAC addresses the adapter accepts (6-byte arrays).
    virtual HRESULT AddMulticastMac(const Variant& varMac) = 0;
    virtual HRESULT DeleteMulticastMac(const Variant& varMac) = 0;
    // The own IP address given to Ralnet at the next Open.
    virtual HRESULT get_varLocalIP(Variant& value) = 0;
    virtual HRESULT put_varLocalIP(const Variant& value) = 0;
    // The reliable channel's parameters for one peer, by its MAC.
    virtual HRESULT SetChannelParameters(const Variant& varMac) = 0;
    // Set: the adapter takes every multicast frame, and the MAC table is left alone.
    virtual HRESULT get_bAllMulticast(com::VariantBool& value) = 0;
    virtual HRESULT put_bAllMulticast(com::VariantBool value) = 0;
};

} // namespace kez::linkor
