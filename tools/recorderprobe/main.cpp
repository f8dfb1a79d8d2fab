// recorderprobe: lists the wave recording devices the telephone would offer. Arguments are
// ignored; everything goes to standard output and the exit status is always 0.
#include "record_devices.h"

#include <cstdio>

int main() {
    try {
        kez::recorderprobe::printRecordDevices(kez::recorderprobe::recordDevices());
    } catch (...) {
        // A technician's probe reports what it could; it never fails.
    }
    std::fflush(stdout);
    return 0;
}
