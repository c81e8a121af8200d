// C_BlockTextParser: reads the typed blocks of a block text one after another.
//
//   type {
//   key=value
//   }
//
// The type is the text before the "{" (blanks and line ends around it removed). A block ends at
// the first "}" that starts a line. Its body is split into lines at carriage returns and line
// feeds; empty lines are skipped, leading spaces and tabs removed, and each line is split at its
// first "=" into key and value, neither of them trimmed. The key "Guid" (any case) sets the
// block's identifier instead of adding an entry.
//
// One linear pass: every character of the text is looked at a bounded number of times.
#pragma once
#include <cstddef>
#include <string_view>

#include "records/PropertyBlock.h"
#include "common/ZULErrorCodes.h"

class C_BlockTextParser {
public:
    // The text is used as it is (a NUL is an ordinary character here) and must outlive the parser.
    explicit C_BlockTextParser(std::string_view text) noexcept : m_text(text) {}

    // Parses the next block into `block`, which should be empty. ZULERR_NOT_FOUND when no "{"
    // is left. A faulty block gives ZULERR_PARSE_ERROR (no closing "}", a line without "="),
    // ZULERR_BAD_GUID (an identifier line that does not read as a GUID) or ZULERR_OUT_OF_MEMORY,
    // and leaves what was read of it in `block`.
    ZULError ParseNext(C_PropertyBlock& block) noexcept;

    // The number of blocks a text delimits ("{" and a closing "}" found), bodies unread. Blocks
    // after a faulty one are counted too, so this is the most a load can keep.
    static size_t CountBlocks(std::string_view text) noexcept;

    // Offset of the first character not yet read.
    size_t Position() const noexcept { return m_nPos; }

private:
    std::string_view m_text;
    size_t m_nPos = 0;
};
