#include "platform/Guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstddef>
#include <random>

namespace pv::platform {

namespace {

// The kernel's random bytes; should getrandom ever fail (it does not block
// for 16 bytes once the pool is ready), the standard library's device.
std::array<uint8_t, 16> RandomBytes() {
    std::array<uint8_t, 16> bytes{};
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (n > 0) filled += static_cast<size_t>(n);
        else if (errno != EINTR) break;
    }
    if (filled < bytes.size()) {
        std::random_device device;
        for (size_t i = filled; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(device());
    }
    return bytes;
}

}  // namespace

std::string GuidText(std::array<uint8_t, 16> bytes) {
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

std::string NewGuidText() { return GuidText(RandomBytes()); }

}  // namespace pv::platform
