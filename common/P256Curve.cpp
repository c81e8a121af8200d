#include "common/P256Curve.h"

#include <cstdint>

namespace {

// 256-bit numbers as eight 32-bit limbs, least significant first; products use sixteen.
constexpr int kLimbs = 8;
using Number = std::array<uint32_t, kLimbs>;
using Wide = std::array<uint32_t, 2 * kLimbs>;

// p = 2^256 - 2^224 + 2^192 + 2^96 - 1 and the curve's b, least significant limb first.
constexpr Number kPrime = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x00000000, 0x00000000, 0x00000000, 0x00000001, 0xFFFFFFFF};
constexpr Number kB = {0x27D2604B, 0x3BCE3C3E, 0xCC53B0F6, 0x651D06B0, 0x769886BC, 0xB3EBBD55, 0xAA3A93E7, 0x5AC635D8};

Number FromBigEndian(const uint8_t* bytes) {
    Number n{};
    for (int i = 0; i < kLimbs; ++i) {
        const uint8_t* b = bytes + 4 * (kLimbs - 1 - i);
        n[i] = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
    }
    return n;
}

bool Less(const Number& a, const Number& b) {
    for (int i = kLimbs - 1; i >= 0; --i)
        if (a[i] != b[i]) return a[i] < b[i];
    return false;
}

// a - b, assuming a >= b (or a value with a carry above bit 255, which the borrow cancels).
Number Subtract(const Number& a, const Number& b) {
    Number out{};
    int64_t borrow = 0;
    for (int i = 0; i < kLimbs; ++i) {
        int64_t d = int64_t{a[i]} - b[i] - borrow;
        borrow = d < 0;
        out[i] = static_cast<uint32_t>(d);
    }
    return out;
}

// (a + b) mod p for a, b < p.
Number AddMod(const Number& a, const Number& b) {
    Number out{};
    uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
        const uint64_t s = uint64_t{a[i]} + b[i] + carry;
        out[i] = static_cast<uint32_t>(s);
        carry = s >> 32;
    }
    return (carry || !Less(out, kPrime)) ? Subtract(out, kPrime) : out;
}

// (a - b) mod p for a, b < p.
Number SubMod(const Number& a, const Number& b) { return Less(a, b) ? AddMod(a, Subtract(kPrime, b)) : Subtract(a, b); }

// (a * b) mod p: the 512-bit product reduced bit by bit (a handful of operations per key).
Number MulMod(const Number& a, const Number& b) {
    Wide product{};
    for (int i = 0; i < kLimbs; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < kLimbs; ++j) {
            const uint64_t t = uint64_t{a[i]} * b[j] + product[i + j] + carry;
            product[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        product[i + kLimbs] = static_cast<uint32_t>(carry);
    }
    Number r{};
    for (int bit = 2 * kLimbs * 32 - 1; bit >= 0; --bit) {
        // r = 2r + bit, then one subtraction of p keeps r below p (r < p before, so 2r + 1 < 2p).
        const uint32_t top = r[kLimbs - 1] >> 31;
        for (int i = kLimbs - 1; i > 0; --i) r[i] = (r[i] << 1) | (r[i - 1] >> 31);
        r[0] = (r[0] << 1) | ((product[bit / 32] >> (bit % 32)) & 1);
        if (top || !Less(r, kPrime)) r = Subtract(r, kPrime);
    }
    return r;
}

}  // namespace

bool IsOnP256Curve(const P256Point& point) {
    if (point[0] != kUncompressedPointTag) return false;
    const Number x = FromBigEndian(point.data() + 1);
    const Number y = FromBigEndian(point.data() + 1 + kP256CoordinateSize);
    if (!Less(x, kPrime) || !Less(y, kPrime)) return false;
    const Number left = MulMod(y, y);
    const Number x3 = MulMod(MulMod(x, x), x);
    const Number threeX = AddMod(AddMod(x, x), x);
    const Number right = AddMod(SubMod(x3, threeX), kB);
    return left == right;
}
