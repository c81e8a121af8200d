// The decision of the connection detector (portable core), apart from the system queries.
#pragma once
#include <cstdint>

// Connected-state flags of the Internet library.
constexpr uint32_t kConnectionModem = 0x01;
constexpr uint32_t kConnectionConfigured = 0x10;
constexpr uint32_t kConnectionRasInstalled = 0x40;

// An IPv4 address (network byte order, as four bytes) that can reach other machines: neither
// 0.0.0.0 nor 127.0.0.1.
bool IsUsableAddress(const uint8_t (&address)[4]);

// When the library does not report a connection: connected only when the state is configured,
// neither modem nor RAS is involved, and the machine has a usable address.
bool ConfiguredWithoutDialUp(uint32_t flags);
