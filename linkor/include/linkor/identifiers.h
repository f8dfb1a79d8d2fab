#pragma once
// Identifiers of the Linkor server. Frozen: registrations, peers and the engine name them.
#include "kez/com/guid.h"

namespace kez::linkor {

using com::operator""_guid;

inline constexpr com::Guid kLinkorTypeLibrary = "{1ED394E1-C0E6-11D2-BA6F-0000216C6CB1}"_guid;

// Classes.
inline constexpr com::Guid kClsidEndPoint = "{1ED394F0-C0E6-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidSystemStateMsg = "{1ED394F5-C0E6-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidKzSetInitMsg = "{1ED394F7-C0E6-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidRealTimeAudioMsg = "{0BF7CC67-C1A8-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidReliableAudioMsg = "{DF1AD307-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidUIStateControlMsg = "{DF1AD309-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidCallStateControlMsg = "{DF1AD30B-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidLEDMappingMsg = "{DF1AD30D-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidPageCommandMsg = "{DF1AD30F-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidPlayDTMFMsg = "{DF1AD311-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidCommandMsg = "{DF1AD313-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidStatusMsg = "{DF1AD315-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidUnsupportedFeatureMsg = "{DF1AD317-C595-11D2-BA77-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidKzSetEventMsg = "{58227FD4-CA4D-11D2-BA7C-0000216C6CB1}"_guid;
inline constexpr com::Guid kClsidSlavePageCmdMsg = "{C3CF9752-D015-11D2-A9FD-0050040527B4}"_guid;
inline constexpr com::Guid kClsidReportIPInfoMsg = "{C8C0E204-8226-11D3-BBD2-A8D566000000}"_guid;

// Interfaces with published identifiers.
inline constexpr com::Guid kIidIEndPoint = "{1ED394EF-C0E6-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kIidIJIPMessage = "{1ED394ED-C0E6-11D2-BA6F-0000216C6CB1}"_guid;

// Interfaces whose identifiers were minted for this system.
inline constexpr com::Guid kIidIEndPointEvents = "{3E12B3A8-49B6-49EB-AFD1-B840D672EBCC}"_guid;
inline constexpr com::Guid kIidIUIStateControlMsg = "{977812E8-A4F5-4C24-AE97-097D418BE5E9}"_guid;
inline constexpr com::Guid kIidIKzSetInitMsg = "{75AB6008-6F97-43D3-B65D-0F5F8924B930}"_guid;
inline constexpr com::Guid kIidISystemStateMsg = "{92E6EE0B-C7BA-487E-A02E-B107C77C6E77}"_guid;
inline constexpr com::Guid kIidICallStateControlMsg = "{353DD4BE-1906-4DA8-9AC9-D447F8570AE2}"_guid;
inline constexpr com::Guid kIidILEDMappingMsg = "{E52252FB-A431-4EB4-8B6D-81BC4A59FC5A}"_guid;
inline constexpr com::Guid kIidIPlayDTMFMsg = "{FBD5E3C1-98CE-49F9-8DCA-2211EBA3B97D}"_guid;
inline constexpr com::Guid kIidICommandMsg = "{B4794A37-157F-4B01-9400-3704CC3A857E}"_guid;
inline constexpr com::Guid kIidISlavePageCmdMsg = "{DA5A9313-8849-4772-88C6-84C39F4D6C01}"_guid;
inline constexpr com::Guid kIidIPageCommandMsg = "{61CC41FF-209F-41E3-8A16-50E989611730}"_guid;
inline constexpr com::Guid kIidIUnsupportedFeatureMsg = "{831E2571-9CD2-4AB1-80E0-4A5399CAA4A6}"_guid;
inline constexpr com::Guid kIidIKzSetEventMsg = "{1A4E03F6-416A-42BB-BDA8-ABF426072B91}"_guid;
inline constexpr com::Guid kIidIStatusMsg = "{30D07336-B9E5-4A2E-B234-E80EA5126FC7}"_guid;
inline constexpr com::Guid kIidIReportIPInfoMsg = "{263E173E-8792-43D8-9476-2A79253658CE}"_guid;
inline constexpr com::Guid kIidIRealTimeAudioMsg = "{148EF1A9-82CF-40A1-B309-C6F5B01E3511}"_guid;
inline constexpr com::Guid kIidIReliableAudioMsg = "{F313D655-E83D-489F-9B7E-B1B4AA11FFA5}"_guid;

} // namespace kez::linkor
