// GUIDs and their text: the canonical braced upper-case form, and the reading of the forms
// accepted on input (36 to 38 characters, braces optional) with the system GUID parser's rules.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A GUID laid out like the system's GUID structure, so that the two convert by copying bytes.
struct GuidValue {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    // All sixteen bytes zero: no identifier.
    bool IsNull() const noexcept;
    friend bool operator==(const GuidValue&, const GuidValue&) = default;
};
static_assert(sizeof(GuidValue) == 16);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" without its terminator.
constexpr size_t kGuidTextLength = 38;
// The same without braces: the shortest text accepted on input.
constexpr size_t kGuidBareTextLength = 36;

// Outcomes of ParseGuidText. They carry the HRESULT values of the system's GUID parser, so that
// Win32 callers can hand them on unchanged.
constexpr int32_t kGuidParsed = 0;                                       // S_OK
constexpr int32_t kGuidWrongLength = static_cast<int32_t>(0x80070057u);  // E_INVALIDARG
constexpr int32_t kGuidMalformed = static_cast<int32_t>(0x800401F4u);    // CO_E_IIDSTRING

// Reads a GUID given in 36 to 38 characters: a missing "{" or "}" is added, and the result must
// then be exactly the braced form with hexadecimal digits of either case. Another input length
// gives kGuidWrongLength, and so does a text that is not 38 characters long once the braces are
// added; any other defect gives kGuidMalformed. `guid` is written only on success.
int32_t ParseGuidText(std::string_view text, GuidValue& guid) noexcept;

// True when ParseGuidText accepts the text.
bool IsGuidText(std::string_view text) noexcept;

// The canonical text, zero-terminated.
using GuidTextBuffer = std::array<char, kGuidTextLength + 1>;

// The text of the all-zero GUID.
inline constexpr GuidTextBuffer kNullGuidText = [] {
    constexpr char kText[] = "{00000000-0000-0000-0000-000000000000}";
    static_assert(sizeof(kText) == kGuidTextLength + 1);
    GuidTextBuffer text{};
    for (size_t i = 0; i < sizeof(kText); ++i) text[i] = kText[i];
    return text;
}();

void FormatGuidText(const GuidValue& guid, GuidTextBuffer& text) noexcept;
std::string GuidToText(const GuidValue& guid);
