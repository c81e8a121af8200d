// The nonce of a signed check-in: 16 bytes from the system's random generator, as 32 upper-case
// hexadecimal digits, new for every request.
#pragma once
#include <string>

[[nodiscard]] bool MakeRequestNonce(std::string& nonce);
