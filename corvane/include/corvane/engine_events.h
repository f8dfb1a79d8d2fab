#pragma once
// The engine's events to its owner, described once. KEZ_ENGINE_EVENTS(X) calls
// X(name, dispatch number, (parameters), (arguments)) for each event in interface slot order;
// _IEngineEvents, its event numbers and every sink are made from that list.
//   PlayDTMFReceived: varCodes and varTimes as the call server sent them.
//   LEDUpdate: varLEDs holds 12 16-bit line-LED values, lower bound 1.
//   XAVDiscovered: pvarMac 6 bytes; pVarIP 4 bytes, or empty when the call server was heard over Ethernet.
// Dispatch numbers 2 and 4 are not used.
#include <cstdint>
#include <string>

#include "corvane/identifiers.h"
#include "kez/com/connection_point.h"
#include "kez/com/date.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"

#define KEZ_ENGINE_EVENTS(X)                                                                                           \
    X(InitReceived, 1, (), ())                                                                                         \
    X(PlayDTMFReceived, 3, (std::int16_t nID, const com::Variant& varCodes, const com::Variant& varTimes),             \
      (nID, varCodes, varTimes))                                                                                       \
    X(Error, 5, (std::int32_t lNumber, const std::string& sDesciption), (lNumber, sDesciption))                        \
    X(ResetReceived, 6, (), ())                                                                                        \
    X(CallProgressUpdate, 7, (std::int16_t nTone, std::int16_t nMode, std::int16_t nDuration),                         \
      (nTone, nMode, nDuration))                                                                                       \
    X(AlertUpdate, 8, (std::int16_t nTone, std::int16_t nMode, std::int16_t nCadence, std::int16_t nCycles),           \
      (nTone, nMode, nCadence, nCycles))                                                                               \
    X(DisplayUpdate, 9,                                                                                                \
      (std::int16_t nTODMode, const std::string& sLine1, const std::string& sLine2, std::int16_t nDeviceIdleStatus),   \
      (nTODMode, sLine1, sLine2, nDeviceIdleStatus))                                                                   \
    X(KeyControlUpdate, 10,                                                                                            \
      (com::VariantBool bProgUp, com::VariantBool bFixedUp, com::VariantBool bDTMFUp, com::VariantBool bProgDown,      \
       com::VariantBool bFixedDown, com::VariantBool bDTMFDown),                                                       \
      (bProgUp, bFixedUp, bDTMFUp, bProgDown, bFixedDown, bDTMFDown))                                                  \
    X(LEDUpdate, 11,                                                                                                   \
      (std::int16_t nProgram, std::int16_t nSpeaker, std::int16_t nHandsFree, std::int16_t nVM, std::int16_t nFwdVM,   \
       const com::Variant& varLEDs),                                                                                   \
      (nProgram, nSpeaker, nHandsFree, nVM, nFwdVM, varLEDs))                                                          \
    X(XAVDiscovered, 12, (const com::Variant& pvarMac, const com::Variant& pVarIP), (pvarMac, pVarIP))                 \
    X(AutoIPComplete, 13, (), ())                                                                                      \
    X(SystemDateUpdate, 14, (com::Date dtSystem), (dtSystem))

namespace kez::corvane {

enum EngineEventId : com::DispId {
#define KEZ_ENGINE_EVENT_ID(name, id, parameters, arguments) kDispId##name = id,
    KEZ_ENGINE_EVENTS(KEZ_ENGINE_EVENT_ID)
#undef KEZ_ENGINE_EVENT_ID
};

class _IEngineEvents : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIEngineEvents;

#define KEZ_ENGINE_EVENT_MEMBER(name, id, parameters, arguments) virtual com::HRESULT name parameters = 0;
    KEZ_ENGINE_EVENTS(KEZ_ENGINE_EVENT_MEMBER)
#undef KEZ_ENGINE_EVENT_MEMBER
};

// A sink that hands each event to the receiver's member of the same name with "on" before it
// (InitReceived to onInitReceived), with the same arguments. The receiver must outlive the sink's advice.
template <class Receiver>
class EngineEventsTo final : public com::Implements<_IEngineEvents> {
public:
    explicit EngineEventsTo(Receiver& receiver) : receiver_(receiver) {}

#define KEZ_ENGINE_EVENT_FORWARD(name, id, parameters, arguments)                                                      \
    com::HRESULT name parameters override {                                                                            \
        receiver_.on##name arguments;                                                                                  \
        return com::S_OK;                                                                                              \
    }
    KEZ_ENGINE_EVENTS(KEZ_ENGINE_EVENT_FORWARD)
#undef KEZ_ENGINE_EVENT_FORWARD

private:
    Receiver& receiver_;
};

} // namespace kez::corvane
