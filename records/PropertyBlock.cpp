#include "records/PropertyBlock.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

#include "common/TextCompare.h"

namespace {
// Garbage below this many bytes is never worth a rebuild of the text buffer.
constexpr size_t kCompactMinimum = 256;
// Texts of one block are addressed by 32-bit offsets.
constexpr size_t kMaxTextBytes = std::numeric_limits<uint32_t>::max();

size_t StoredSize(std::string_view text) noexcept { return text.empty() ? 0 : text.size() + 1; }

// True when `more` bytes after `used` stay addressable (written so that nothing overflows).
bool FitsOffsets(size_t used, size_t more) noexcept { return used <= kMaxTextBytes && more <= kMaxTextBytes - used; }
}  // namespace

bool IsGuidKey(std::string_view key) noexcept { return EqualsNoCase(key, kGuidKey); }

std::string_view C_PropertyBlock::TextAt(TextRef ref) const noexcept {
    if (ref.length == 0) return std::string_view("", 0);
    return std::string_view(m_sTexts.data() + ref.offset, ref.length);
}

// The caller guarantees the room, so no append here reallocates.
void C_PropertyBlock::AppendTexts(std::string& buffer, const std::string_view* texts, TextRef* refs,
                                  size_t count) noexcept {
    for (size_t i = 0; i < count; ++i) {
        refs[i] = {static_cast<uint32_t>(buffer.size()), static_cast<uint32_t>(texts[i].size())};
        if (!texts[i].empty()) buffer.append(texts[i]).push_back('\0');
    }
}

void C_PropertyBlock::MoveLiveTexts(std::string& buffer) noexcept {
    auto move = [&](TextRef& ref) {
        std::string_view text = TextAt(ref);
        ref.offset = static_cast<uint32_t>(buffer.size());
        if (!text.empty()) buffer.append(text).push_back('\0');
    };
    move(m_type);
    for (Entry& entry : m_entries) {
        move(entry.key);
        move(entry.value);
    }
}

bool C_PropertyBlock::Store(const std::string_view* texts, TextRef* refs, size_t count) noexcept {
    size_t needed = 0;
    for (size_t i = 0; i < count; ++i) needed += StoredSize(texts[i]);
    const bool compact = m_nGarbage >= kCompactMinimum && 2 * size_t{m_nGarbage} > m_sTexts.size();
    if (!compact && m_sTexts.capacity() - m_sTexts.size() >= needed) {
        // Appending within the capacity cannot move the buffer, so texts that point into it
        // stay readable while they are copied.
        AppendTexts(m_sTexts, texts, refs, count);
        return true;
    }
    // A new buffer, filled before the old one goes, since `texts` may point into the old one.
    const size_t kept = compact ? m_sTexts.size() - m_nGarbage : m_sTexts.size();
    if (!FitsOffsets(kept, needed)) return false;
    const size_t doubled = kept > kMaxTextBytes / 2 ? kMaxTextBytes : 2 * kept;
    const size_t capacity = compact ? kept + needed : std::max(kept + needed, doubled);
    std::string fresh;
    try {
        fresh.reserve(capacity);
    } catch (const std::exception&) {
        return false;
    }
    if (compact)
        MoveLiveTexts(fresh);
    else
        fresh.append(m_sTexts);
    AppendTexts(fresh, texts, refs, count);
    m_sTexts.swap(fresh);
    if (compact) m_nGarbage = 0;
    return true;
}

bool C_PropertyBlock::GrowEntries() noexcept {
    if (m_entries.size() < m_entries.capacity()) return true;
    try {
        m_entries.reserve(std::max<size_t>(4, 2 * m_entries.size()));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

ZULError C_PropertyBlock::SetType(std::string_view type) noexcept {
    TextRef ref;
    if (!Store(&type, &ref, 1)) return ZULERR_OUT_OF_MEMORY;
    Discard(m_type);
    m_type = ref;
    m_bHasType = true;
    return ZULERR_SUCCESS;
}

bool C_PropertyBlock::IsOfType(const char* type) const noexcept {
    if (!type) return !m_bHasType;
    return m_bHasType && EqualsNoCase(Type(), type);
}

void C_PropertyBlock::SetId(const GuidValue& id) noexcept {
    m_id = id;
    FormatGuidText(m_id, m_idText);
}

ZULError C_PropertyBlock::SetIdText(std::string_view text, int32_t* parseResult) noexcept {
    GuidValue id;
    int32_t result = ParseGuidText(text, id);
    if (parseResult) *parseResult = result;
    if (result != kGuidParsed) return ZULERR_BAD_GUID;
    SetId(id);
    return ZULERR_SUCCESS;
}

size_t C_PropertyBlock::FindEntry(std::string_view key) const noexcept {
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (EqualsNoCase(Key(i), key)) return i;
    return npos;
}

ZULError C_PropertyBlock::AppendEntry(std::string_view key, std::string_view value) noexcept {
    if (!GrowEntries()) return ZULERR_OUT_OF_MEMORY;
    const std::string_view texts[2] = {key, value};
    TextRef refs[2];
    if (!Store(texts, refs, 2)) return ZULERR_OUT_OF_MEMORY;
    m_entries.push_back({refs[0], refs[1]});
    m_bHeldEntries = true;
    return ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::Reserve(size_t count, size_t textBytes) noexcept {
    if (!FitsOffsets(m_sTexts.size(), textBytes)) return ZULERR_OUT_OF_MEMORY;
    try {
        m_entries.reserve(m_entries.size() + count);
        if (m_sTexts.capacity() - m_sTexts.size() < textBytes) m_sTexts.reserve(m_sTexts.size() + textBytes);
    } catch (const std::exception&) {
        return ZULERR_OUT_OF_MEMORY;
    }
    return ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::GetProp(std::string_view name, std::string_view& value) const noexcept {
    if (IsGuidKey(name)) {
        value = IdText();
        return ZULERR_SUCCESS;
    }
    size_t index = FindEntry(name);
    if (index == npos) return ZULERR_NOT_FOUND;
    value = Value(index);
    return ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::SetProp(std::string_view name, std::string_view value) noexcept {
    if (IsGuidKey(name)) return SetIdText(value);
    size_t index = FindEntry(name);
    if (index == npos) return AppendEntry(name, value);
    TextRef ref;
    if (!Store(&value, &ref, 1)) return ZULERR_OUT_OF_MEMORY;
    Discard(m_entries[index].value);
    m_entries[index].value = ref;
    return ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::RemoveProp(std::string_view name) noexcept {
    if (IsGuidKey(name)) return ZULERR_INVALID_OPERATION;
    size_t index = FindEntry(name);
    if (index == npos) return ZULERR_NOT_FOUND;
    Discard(m_entries[index].key);
    Discard(m_entries[index].value);
    m_entries[index] = m_entries.back();
    m_entries.pop_back();
    return ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::RewindValue() noexcept {
    m_nCurrentEntry = 0;
    return m_bHeldEntries ? ZULERR_SUCCESS : ZULERR_NOT_FOUND;
}

ZULError C_PropertyBlock::NextValue() noexcept {
    if (m_nCurrentEntry >= m_entries.size()) return ZULERR_NOT_FOUND;
    ++m_nCurrentEntry;
    return m_nCurrentEntry == m_entries.size() ? ZULERR_NOT_FOUND : ZULERR_SUCCESS;
}

ZULError C_PropertyBlock::GetCurrentValue(std::string_view& key,
                                          std::string_view& value) const noexcept {
    if (m_nCurrentEntry >= m_entries.size()) return ZULERR_NOT_FOUND;
    key = Key(m_nCurrentEntry);
    value = Value(m_nCurrentEntry);
    return ZULERR_SUCCESS;
}

void C_PropertyBlock::Clear() noexcept {
    *this = C_PropertyBlock();
}

ZULError C_PropertyBlock::CopyFrom(const C_PropertyBlock& other) noexcept {
    if (this == &other) return ZULERR_SUCCESS;
    try {
        C_PropertyBlock copy(other);
        *this = std::move(copy);
    } catch (const std::exception&) {
        return ZULERR_OUT_OF_MEMORY;
    }
    return ZULERR_SUCCESS;
}
