// recorderprobe's report: the count first, then one line per device, failures included.
#include "record_devices.h"

#include "kez/audio/devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kez::recorderprobe {
namespace {

TEST(RecordDevicesReport, CountThenOneLinePerDevice) {
    using audio::Result;
    const std::string longName(40, 'M');
    struct Case {
        const char* what;
        std::vector<RecordDevice> devices;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"none", {}, "0 record devices found\n"},
        {"names, a long one cut as the layer cuts it",
         {{Result::Ok, "Default device"}, {Result::Ok, audio::cutDeviceName(longName)}},
         "2 record devices found\nRecording device Default device\nRecording device " + std::string(31, 'M') + "\n"},
        {"a failing device in the middle",
         {{Result::Ok, "USB: Mic"}, {Result::BadDeviceId, {}}, {Result::Ok, "HDA: Analog"}},
         "3 record devices found\nRecording device USB: Mic\nwaveInGetDevCaps failed 2\nRecording device HDA: Analog\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        printRecordDevices(c.devices);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected) << c.what;
    }
}

} // namespace
} // namespace kez::recorderprobe
