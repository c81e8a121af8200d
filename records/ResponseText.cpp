#include "records/ResponseText.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <type_traits>

#include "records/BlockTextParser.h"

// Growing the block list moves blocks; it must never copy them.
static_assert(std::is_nothrow_move_constructible_v<C_PropertyBlock>);

ZULError C_ResponseText::LoadMem(const char* text) noexcept {
    if (!text) return ZULERR_INVALID_ARGUMENT;
    return ParseAll(std::string_view(text, std::strlen(text)));
}

ZULError C_ResponseText::Load(std::string_view text) noexcept {
    if (!text.data()) return ParseAll({});
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul) text = text.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    return ParseAll(text);
}

ZULError C_ResponseText::ParseAll(std::string_view text) noexcept {
    m_blocks = {};
    m_spare.Clear();
    m_nCurrent = 0;
    m_bLoaded = false;
    // Room for every block the text delimits and for the attempt that ends the load.
    try {
        m_blocks.reserve(std::max(kInitialBlockCapacity, C_BlockTextParser::CountBlocks(text) + 1));
    } catch (const std::exception&) {
        return ZULERR_OUT_OF_MEMORY;
    }
    m_bLoaded = true;

    C_BlockTextParser parser(text);
    for (;;) {
        // Parse straight into a new slot; a faulty block is dropped again.
        try {
            m_blocks.emplace_back();
        } catch (const std::exception&) {
            return ZULERR_OUT_OF_MEMORY;
        }
        ZULError error = parser.ParseNext(m_blocks.back());
        if (error != ZULERR_SUCCESS) {
            m_blocks.pop_back();
            return error == ZULERR_NOT_FOUND ? ZULERR_SUCCESS : error;
        }
    }
}

ZULError C_ResponseText::FindFrom(size_t index, const char* type) noexcept {
    while (index < m_blocks.size() && !m_blocks[index].IsOfType(type)) ++index;
    m_nCurrent = index;
    return index < m_blocks.size() ? ZULERR_SUCCESS : ZULERR_NOT_FOUND;
}

ZULError C_ResponseText::RewindBlock(const char* type) noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return FindFrom(0, type);
}

ZULError C_ResponseText::NextBlock(const char* type) noexcept {
    if (!m_bLoaded || m_nCurrent >= m_blocks.size()) return ZULERR_NOT_FOUND;
    return FindFrom(m_nCurrent + 1, type);
}

C_PropertyBlock& C_ResponseText::Current() noexcept {
    return m_nCurrent < m_blocks.size() ? m_blocks[m_nCurrent] : m_spare;
}

const C_PropertyBlock& C_ResponseText::Current() const noexcept {
    return m_nCurrent < m_blocks.size() ? m_blocks[m_nCurrent] : m_spare;
}

ZULError C_ResponseText::CurrentBlock(C_PropertyBlock*& block) noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    block = &Current();
    return ZULERR_SUCCESS;
}

ZULError C_ResponseText::CurrentBlock(const C_PropertyBlock*& block) const noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    block = &Current();
    return ZULERR_SUCCESS;
}

ZULError C_ResponseText::GetBlockType(std::string_view& type) const noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    type = Current().Type();
    return ZULERR_SUCCESS;
}

ZULError C_ResponseText::GetKeyValue(std::string_view key, std::string_view& value) const noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().GetProp(key, value);
}

ZULError C_ResponseText::NextValue() noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().NextValue();
}

ZULError C_ResponseText::RewindValue() noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().RewindValue();
}

ZULError C_ResponseText::GetCurrentValue(std::string_view& key,
                                         std::string_view& value) const noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().GetCurrentValue(key, value);
}

ZULError C_ResponseText::SetKeyValue(std::string_view key, std::string_view value) noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().SetProp(key, value);
}

ZULError C_ResponseText::RemoveKeyValue(std::string_view key) noexcept {
    if (!m_bLoaded) return ZULERR_NOT_FOUND;
    return Current().RemoveProp(key);
}
