// The PUBLISHERKEY property: the publisher's ECDSA P-256 public key that the client pins.
#pragma once

#include <string_view>

// Base64 (standard alphabet, padded) of the 65-byte uncompressed point 0x04||X||Y, and the
// point lies on the curve (the system's cryptography imports it as a P-256 public key).
[[nodiscard]] bool IsValidPublisherKey(std::string_view base64);
