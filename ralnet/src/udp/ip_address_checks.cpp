#include "udp/ip_address_checks.h"

namespace ralnet::udp {

bool isUsableAddress(const std::uint8_t* a) {
    const bool allZero = (a[0] | a[1] | a[2] | a[3]) == 0;
    const bool allOnes = (a[0] & a[1] & a[2] & a[3]) == 0xFF;
    return !allZero && !allOnes;
}

bool isGroupAddress(const std::uint8_t* a) { return a[0] >= 224 && a[0] <= 239; }

std::uint16_t destinationPort(const std::uint8_t* a) { return isGroupAddress(a) ? J5_UDP_MULTICAST_PORT : J5_UDP_PORT; }

J5Result myAddressCheck(const J5IpSettings& s) {
    return isUsableAddress(s.ownIp) && isUsableAddress(s.subnetMask) ? J5_OK : J5_FAILED;
}

J5Result gatewayAddressCheck(const J5IpSettings& s) {
    if (myAddressCheck(s) != J5_OK || !isUsableAddress(s.defaultGateway)) return J5_FAILED;
    for (int i = 0; i < 4; ++i) {
        if ((s.defaultGateway[i] & s.subnetMask[i]) != s.ownSubnet[i]) return J5_FAILED;
    }
    return J5_OK;
}

} // namespace ralnet::udp
