#pragma once
// The routines both programs share: country tables, address text, the log and error reports, the program's
// folder checks, single instance, the browser and the help files.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "kez/com/variant.h"

class QWidget;

namespace kez::ui {
class InstanceBeacon;
}

namespace kez::ombrel {

// Engine errors that come with an explanation.
inline constexpr std::int32_t kAudioStreamError = static_cast<std::int32_t>(0x80044802u);
inline constexpr std::int32_t kAudioCodecError = static_cast<std::int32_t>(0x80070200u);

// Country tables: codes 2 to 20 have their own tone table and help language; every other code gives 1.
std::int32_t gCountryToToneTable(std::int32_t country);
std::int32_t gCountryToHelpLanguage(std::int32_t country);
// "english.hlp" for language 1 to "SIMPLIFIED.hlp" for 8; "english.hlp" for any other.
std::string_view helpFileName(std::int32_t helpLanguage);
// "Help\" and the help file of the machine's country ("Documention" instead when "Advanced" is set).
std::string gHelpFileForCountry();
std::string gDefaultHelpFile();

// Address text. MAC: 17 characters, six hexadecimal pairs (separators not examined). IP: four decimal
// fields of 0 to 255 separated by points, nothing else.
com::Variant gMacTextToBytes(std::string_view text);
com::Variant gIPTextToBytes(std::string_view text);
// "0.0.0.0" when the value holds no four bytes.
std::string gBytesToIPText(const com::Variant& bytes);
bool gIsValidIPAddress(std::string_view text);
bool gIsValidMacAddress(std::string_view text);
// "&H" b a as a 16-bit number: true for any four hexadecimal digits.
bool gIsHexPair(std::string_view a, std::string_view b);
// Key filters of the address boxes: the key, or 0 to drop it.
std::int16_t gFilterMacKeyAscii(std::int16_t key);
std::int16_t gFilterIPKeyAscii(std::int16_t key);

// The log "Ombrel.log" in the state folder; writing it never fails the caller.
void gLogMessage(std::string_view text);
// "ERROR:  " context " [" number in hexadecimal "H] - " and the hint for the number.
void gLogError(std::int32_t number, std::string_view context, std::string_view message);
// Runs `body`; a run-time error or any other exception is logged through gLogError under `context`.
// False when it failed.
bool gRunLogged(std::string_view context, const std::function<void()>& body) noexcept;
// The explanation of the two engine errors above; `message` for any other number.
std::string gEngineErrorHint(std::int32_t number, std::string_view message);
// Logs (when asked) and shows the critical box "Error code [<hex>H]", two line breaks, the hint.
void gReportError(std::int32_t number, std::string_view title, std::string_view context, bool log);

// Windows 2000 or later: always 1 here.
int gGetWindowsVersion();
// Whether the state folder takes a file: writes and removes "temp.log".
bool gHasWriteAccess();
// The program's arguments after the ones Qt took, joined by one blank.
std::string gCommandLine();
// Whether the command line holds "/DEBUGHELP" (in any case): extra information boxes. Tests set it.
bool gDebugHelp();
void gSetDebugHelp(bool on);
// The single-instance and partner check: false when this copy must end (another copy runs and was asked
// to come to the front, or the partner program runs and this one was not started by it with "INTERNAL").
bool gPreventMultipleInstances(bool isOmbrel);
// The flag this program holds once gPreventMultipleInstances let it run; null before.
ui::InstanceBeacon* instanceBeacon();
void gCenterForm(QWidget& form);

// Opens a web address or a local file in the default browser; failures are shown in a box.
void gLaunchWebBrowser(const std::string& url);
// False for the empty text, wildcards, folders and anything that cannot be looked at.
bool gFileExists(std::string_view path);

} // namespace kez::ombrel
