#include "options_table.h"

#include <array>

namespace kez::ombrel::detail {
namespace {

using O = OptionsClass;

const std::array<Setting, 41> kSettings{{
    {&O::nUIType, "UI", "Type", "2", false},
    {&O::sVuruvMacAddress, "Communications", "VuruvMac", "", false},
    {&O::lAudioBufferSize, "Audio", "AudioBufferSize", "5", false},
    {&O::lAudioBufferMultiplier, "Audio", "AudioBufferMultiplier", "2", false},
    {&O::bForceLayer3, "Communications", "ForceLayer3", "False", false},
    {&O::sVuruvIPAddress, "Communications", "VuruvIP", "", false},
    {&O::sDiscoveredRirovuruzIPAddress, "", "", "", false},
    {&O::sOverriddenRirovuruzIPAddress, "Communications", "RirovuruzIP", "111.111.111.111", false},
    {&O::sOverriddenRirovuruzSubnetMask, "Communications", "RirovuruzNetMask", "255.255.255.0", false},
    {&O::sOverriddenRirovuruzGateway, "Communications", "RirovuruzGateway", "111.111.111.111", false},
    {&O::bDefaultTransparent, "UI", "Transparent", "False", false},
    {&O::bControlMixer, "Audio", "ControlMixer", "False", true},
    {&O::bClickDTMF, "Audio", "ClickDTMF", "False", false},
    {&O::bSuppressStandby, "UI", "SuppressStandby", "True", false},
    {&O::bReadIPInfoAutomatically, "Communications", "ReadIPInfoAutomatically", "True", false},
    {&O::bLaunchWizard, "Wizard", "AutoLaunch", "True", false},
    {&O::bAllMulticast, "Communications", "AllMulticast", "False", false},
    {&O::nAdapterIndex, "Communications", "Adapter", "-1", false},
    {&O::nRecordAdapterIndex, "Audio", "RecordAdapter", "-1", false},
    {&O::nPlayAdapterIndex, "Audio", "PlayAdapter", "-1", false},
    {&O::lBeepFrequency, "Audio", "BeepFrequency", "1000", false},
    {&O::lBeepDuration, "Audio", "BeepDuration", "500", false},
    {&O::lCountry, "Communications", "Country", "1", false},
    {&O::lAdvanced, "Communications", "Advanced", "0", false},
    {&O::lDocumention, "Communications", "Documention", "1", false},
    {&O::lTonesCadences, "Communications", "TonesCadences", "1", false},
    {&O::bShareWave, "Audio", "ShareWave", "False", false},
    {&O::lToneVolume, "Audio", "ToneVolume", "100", true},
    {&O::nShutDownDelay, "Audio", "ShutDownDelay", "2", false},
    {&O::nXAVVersion, "Communications", "XAVVersion", "0", false},
    {&O::sMulticastMACAddress, "Communications", "MulticastMACAddress", "01:00:5E:00:01:3B", false},
    {&O::bUseMulticastMacAddress, "Communications", "UseMulticastMacAddress", "False", false},
    {&O::bUseKEZSystemTime, "Communications", "UseKEZSystemTime", "False", false},
    {&O::sLocalIP, "", "", "", false},
    {&O::sSubnet, "", "", "", false},
    {&O::sGateway, "", "", "", false},
    {&O::bDisplayIncomingPopUp, "Communications", "IncomingCallPopup", "True", true},
    {&O::bFinishCheckBox, "Wizard", "FinishCheckBox", "True", false},
    {&O::nProcessPriorityLevel, "Communications", "ProcessPriorityLevel", "1", false},
    {&O::nWinPosLeft, "UI", "WindowPosLeft", "-1", false},
    {&O::nWinPosRight, "UI", "WindowPosRight", "-1", false},
}};

constexpr std::array kPerUserLoadOrder{12, 37, 28};
constexpr std::array kLoadOrder{
    40, 41, 11, 14, 1,                                              // UI
    2,  6,  8,  9,  10, 5,  15, 18, 17, 23, 24, 25, 26, 30, 32, 31, // Communications
    27, 29, 3,  4,  19, 20, 13,                                     // Audio
    16, 21, 22, 38, 39, 33,                                         // Wizard, beep, priority, system time
};
constexpr std::array kPerUserSaveOrder{28, 37, 12};
constexpr std::array kSaveOrder{
    2,  6,  8,  9,  10, 5,  15, 18, 17, 23, 24, 25, 26, 30, 32, 31, // Communications
    29, 27, 3,  4,  13, 19, 20, 21, 22,                             // Audio
    16, 38, 39,                                                     // Wizard, priority
    40, 41, 14, 11, 1,                                              // UI
    33,
};

} // namespace

const Setting& setting(int number) { return kSettings.at(static_cast<std::size_t>(number - 1)); }

std::span<const int> perUserLoadOrder() { return kPerUserLoadOrder; }
std::span<const int> loadOrder() { return kLoadOrder; }
std::span<const int> perUserSaveOrder() { return kPerUserSaveOrder; }
std::span<const int> saveOrder() { return kSaveOrder; }

} // namespace kez::ombrel::detail
