// adapterprobe: shows, without starting the telephone, which network adapters the packet driver
// offers and whether the one the telephone is set to use opens. Arguments are ignored; everything
// goes to standard output and the exit status is always 0.
#include "adapter_probe.h"

#include <cstdio>

int main() {
    try {
        kez::adapterprobe::run(kez::adapterprobe::consoleClient());
    } catch (...) {
        // A technician's probe reports what it could; it never fails.
    }
    std::fflush(stdout);
    return 0;
}
