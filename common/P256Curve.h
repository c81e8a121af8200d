// Whether a public point lies on the NIST P-256 curve (portable core): both coordinates below
// the field prime and y^2 = x^3 - 3x + b. The system's key import does not check this
// everywhere, and a publisher key off the curve must be refused when it is stored, not found out
// at the first answer.
#pragma once
#include "common/CryptoText.h"

[[nodiscard]] bool IsOnP256Curve(const P256Point& point);
