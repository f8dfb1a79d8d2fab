#include "kez/net/port_status.h"

#include <cstring>

namespace kez::net {

std::string_view codeName(PortCode code) {
    switch (code) {
    case PortCode::Ok: return "Ok";
    case PortCode::NotOpen: return "NotOpen";
    case PortCode::AlreadyOpen: return "AlreadyOpen";
    case PortCode::InvalidName: return "InvalidName";
    case PortCode::NoSuchAdapter: return "NoSuchAdapter";
    case PortCode::NotEthernet: return "NotEthernet";
    case PortCode::PermissionDenied: return "PermissionDenied";
    case PortCode::HelperUnavailable: return "HelperUnavailable";
    case PortCode::HelperFailed: return "HelperFailed";
    case PortCode::Unsupported: return "Unsupported";
    case PortCode::InvalidArgument: return "InvalidArgument";
    case PortCode::FrameTooLong: return "FrameTooLong";
    case PortCode::SystemError: return "SystemError";
    case PortCode::InvalidOption: return "InvalidOption";
    case PortCode::AdapterInUse: return "AdapterInUse";
    }
    return "Unknown";
}

std::string describe(const PortStatus& status) {
    std::string text(codeName(status.code));
    if (status.error != 0) {
        text += " (";
        text += std::strerror(status.error);
        text += ')';
    }
    return text;
}

} // namespace kez::net
