#include "records/BlockTextParser.h"

#include <cstring>

#include "common/TextCompare.h"

namespace {

// The key of the line that sets a block's identifier.
constexpr std::string_view kIdentifierKey = "Guid";

bool IsLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }
bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }
bool IsBlankOrLineEnd(char c) noexcept { return IsBlank(c) || IsLineEnd(c); }

std::string_view TrimBlanksAndLineEnds(std::string_view text) noexcept {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlankOrLineEnd(text[first])) ++first;
    while (last > first && IsBlankOrLineEnd(text[last - 1])) --last;
    return text.substr(first, last - first);
}

const char* Find(const char* from, const char* end, char c) noexcept {
    const void* found = std::memchr(from, c, static_cast<size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}

// Offset of the first "}" after `open` whose preceding character is a line end, or npos.
size_t FindClosingBrace(std::string_view text, size_t open) noexcept {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // A "}" right after the "{" is preceded by the "{" itself and cannot close.
    for (const char* p = begin + open + 1; p < end; ++p) {
        p = Find(p, end, '}');
        if (p == end) break;
        if (IsLineEnd(p[-1])) return static_cast<size_t>(p - begin);
    }
    return std::string_view::npos;
}

// Calls onLine(key, value) for each non-empty line of the body in order (leading spaces and
// tabs removed, split at the first "="); a line without "=" is a parse error. The first error
// ends the walk.
template <typename OnLine>
ZULError ForEachLine(std::string_view body, OnLine onLine) noexcept {
    const char* p = body.data();
    const char* end = p + body.size();
    while (p < end) {
        const char* lineFeed = Find(p, end, '\n');
        const char* lineEnd = Find(p, lineFeed, '\r');
        const char* start = p;
        p = lineEnd + 1;
        if (lineEnd == start) continue;
        while (start < lineEnd && IsBlank(*start)) ++start;
        const char* equals = Find(start, lineEnd, '=');
        if (equals == lineEnd) return ZULERR_PARSE_ERROR;
        ZULError error = onLine(std::string_view(start, static_cast<size_t>(equals - start)),
                                std::string_view(equals + 1, static_cast<size_t>(lineEnd - equals - 1)));
        if (error != ZULERR_SUCCESS) return error;
    }
    return ZULERR_SUCCESS;
}

bool IsIdentifierLine(std::string_view key) noexcept { return EqualsNoCase(key, kIdentifierKey); }

// Two passes over the body: the first checks every line, sets the identifier and sizes the
// entries, the second stores them into room reserved once.
ZULError ParseBody(std::string_view body, C_PropertyBlock& block) noexcept {
    body = TrimBlanksAndLineEnds(body);
    size_t entries = 0;
    size_t textBytes = 0;
    ZULError error = ForEachLine(body, [&](std::string_view key, std::string_view value) {
        if (IsIdentifierLine(key)) return block.SetIdText(value);
        ++entries;
        textBytes += key.size() + value.size() + 2;
        return ZULERR_SUCCESS;
    });
    if (error != ZULERR_SUCCESS) return error;
    if (entries == 0) return ZULERR_SUCCESS;
    error = block.Reserve(entries, textBytes);
    if (error != ZULERR_SUCCESS) return error;
    return ForEachLine(body, [&](std::string_view key, std::string_view value) {
        return IsIdentifierLine(key) ? ZULERR_SUCCESS : block.AppendEntry(key, value);
    });
}

}  // namespace

ZULError C_BlockTextParser::ParseNext(C_PropertyBlock& block) noexcept {
    size_t open = m_text.find('{', m_nPos);
    if (open == std::string_view::npos) return ZULERR_NOT_FOUND;
    ZULError error = block.SetType(TrimBlanksAndLineEnds(m_text.substr(m_nPos, open - m_nPos)));
    if (error != ZULERR_SUCCESS) return error;
    size_t close = FindClosingBrace(m_text, open);
    if (close == std::string_view::npos) {
        m_nPos = m_text.size();
        return ZULERR_PARSE_ERROR;
    }
    m_nPos = close + 1;
    return ParseBody(m_text.substr(open + 1, close - open - 1), block);
}

size_t C_BlockTextParser::CountBlocks(std::string_view text) noexcept {
    size_t count = 0;
    for (size_t pos = 0;; ++count) {
        size_t open = text.find('{', pos);
        if (open == std::string_view::npos) return count;
        size_t close = FindClosingBrace(text, open);
        if (close == std::string_view::npos) return count;
        pos = close + 1;
    }
}
