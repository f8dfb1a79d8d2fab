// IPMyAddressCheck and IPGWAddressCheck: checks of the caller's IP settings; no interface needed.
#include "ralnet/j5.h"
#include "udp/ip_address_checks.h"

extern "C" {

J5_API J5Result IPMyAddressCheck(const J5IpSettings* settings) {
    if (!settings) return J5_FAILED;
    return ralnet::udp::myAddressCheck(*settings);
}

J5_API J5Result IPGWAddressCheck(const J5IpSettings* settings) {
    if (!settings) return J5_FAILED;
    return ralnet::udp::gatewayAddressCheck(*settings);
}

} // extern "C"
