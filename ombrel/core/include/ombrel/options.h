#pragma once
// OptionsClass: the settings of both programs, loaded from and saved to the settings key (Registry module).
// Most values live in the machine hive; "ControlMixer", "IncomingCallPopup" and "ToneVolume" are also kept
// per user and the user's copy wins.
#include <cstdint>
#include <string>

namespace kez::ombrel {

class OptionsClass {
public:
    // Probes once whether the machine hive may be written (bWriteToRegistry).
    OptionsClass();

    // The 41 values, in their declaration order; until LoadSettings they are 0, false or empty.
    std::int16_t nUIType = 0;
    std::string sVuruvMacAddress;
    std::int16_t lAudioBufferSize = 0;
    std::int16_t lAudioBufferMultiplier = 0;
    bool bForceLayer3 = false;
    std::string sVuruvIPAddress;
    std::string sDiscoveredRirovuruzIPAddress; // never stored
    std::string sOverriddenRirovuruzIPAddress;
    std::string sOverriddenRirovuruzSubnetMask;
    std::string sOverriddenRirovuruzGateway;
    bool bDefaultTransparent = false;
    bool bControlMixer = false;
    bool bClickDTMF = false;
    bool bSuppressStandby = false;
    bool bReadIPInfoAutomatically = false;
    bool bLaunchWizard = false;
    bool bAllMulticast = false;
    std::int16_t nAdapterIndex = 0;
    std::int16_t nRecordAdapterIndex = 0;
    std::int16_t nPlayAdapterIndex = 0;
    std::int32_t lBeepFrequency = 0;
    std::int32_t lBeepDuration = 0;
    std::int32_t lCountry = 0;
    std::int32_t lAdvanced = 0;
    std::int32_t lDocumention = 0;
    std::int32_t lTonesCadences = 0;
    bool bShareWave = false;
    std::int16_t lToneVolume = 0;
    std::int16_t nShutDownDelay = 0;
    std::int16_t nXAVVersion = 0;
    std::string sMulticastMACAddress;
    bool bUseMulticastMacAddress = false;
    bool bUseKEZSystemTime = false;
    std::string sLocalIP; // never stored
    std::string sSubnet;  // never stored
    std::string sGateway; // never stored
    bool bDisplayIncomingPopUp = false;
    bool bFinishCheckBox = false;
    std::int16_t nProcessPriorityLevel = 0;
    std::int16_t nWinPosLeft = 0;
    std::int16_t nWinPosRight = 0; // the window's top edge

    // The addresses the engine gets: placeholders while the PC's own are read automatically.
    std::string sActiveRirovuruzIPAddress() const;
    std::string sActiveRirovuruzSubnetMask() const;
    std::string sActiveRirovuruzGateway() const;

    // Reads every stored value; a missing one takes its default, and so does one that does not fit its
    // width (logged). Sets the face images from nUIType.
    void LoadSettings();
    // Writes every stored value, stopping at the first refused write. Refused access sets
    // `rbErrorOccurred` and, when `vbDisplayMsg`, shows the failure box.
    void SaveSettings(bool vbDisplayMsg, bool& rbErrorOccurred);
    void SaveSettings(bool vbDisplayMsg);

    // Whether the machine-wide settings can be written: rewrites "Safety" "InitializedProperly" as a probe.
    bool bWriteToRegistry();

    // "Safety" "InitializedProperly": the user's copy over the machine's. Writing goes to the machine hive
    // when it may be written, and always to the user's (failures are ignored).
    bool bInitializedProperly() const;
    void bInitializedProperly(bool value);

    // Writes the settings to the log, one entry a line.
    void DumpSettings() const;

private:
    bool mbMayWriteMachine = false;
};

// The face's bitmap folder and files, set by LoadSettings (and the Options dialog) from the face type.
struct FaceImages {
    std::string ImagePath;
    std::string BackgroundImage;
    std::string RedLCDImage;
};
FaceImages& faceImages();
// Type 1 the large face, 2 the small one; any other the small one with the red display left as it was.
void setFaceImages(std::int16_t uiType);

} // namespace kez::ombrel
