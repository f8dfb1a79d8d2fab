#include "reliable/config.h"

#include <algorithm>

namespace ralnet::reliable {

std::uint32_t retransmitTimeout(std::uint16_t retries, bool largeBuffer) {
    const std::size_t index = std::min<std::size_t>(retries, kRetransmitTimeouts.size() - 1);
    const std::uint32_t timeout = kRetransmitTimeouts[index];
    return largeBuffer ? 2 * timeout : timeout;
}

} // namespace ralnet::reliable
