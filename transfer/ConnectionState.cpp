#include "transfer/ConnectionState.h"

bool IsUsableAddress(const uint8_t (&address)[4]) {
    const bool zero = address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] == 0;
    const bool loopback = address[0] == 127 && address[1] == 0 && address[2] == 0 && address[3] == 1;
    return !zero && !loopback;
}

bool ConfiguredWithoutDialUp(uint32_t flags) {
    return (flags & kConnectionConfigured) != 0 &&
           (flags & (kConnectionModem | kConnectionRasInstalled)) == 0;
}
