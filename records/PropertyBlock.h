// C_PropertyBlock: one record in memory. A type word, a GUID identifier and an ordered list of
// key/value texts with a walk position. It is both a block of a loaded block text and the
// property bag of a registry record.
//
// Keys compare without regard to ASCII case. The key "GUID" (any case) never names an entry: it
// addresses the identifier. Nothing here throws: allocation failures are reported as
// ZULERR_OUT_OF_MEMORY. Texts are handed out as views that stay valid until the block changes;
// the character after each view is a NUL, so view.data() is a zero-terminated text.
//
// All texts of a block live in one buffer (type, then keys and values, each zero-terminated), so
// a block costs two allocations however many entries it has. Replaced and removed texts leave
// garbage in the buffer, which is squeezed out once it outweighs the live texts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/GuidText.h"
#include "common/ZULErrorCodes.h"

// The key that addresses a block's identifier instead of an entry.
constexpr std::string_view kGuidKey = "GUID";

// True for "GUID" in any letter case.
bool IsGuidKey(std::string_view key) noexcept;

class C_PropertyBlock {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // Type word. A block may have no type at all, which differs from an empty one.
    bool HasType() const noexcept { return m_bHasType; }
    std::string_view Type() const noexcept { return TextAt(m_type); }  // empty when absent
    ZULError SetType(std::string_view type) noexcept;
    // True when the type equals `type` ignoring ASCII case; a null `type` matches only a block
    // without type.
    bool IsOfType(const char* type) const noexcept;

    // Identifier; all zeros means none. Its text is always the canonical one.
    const GuidValue& Id() const noexcept { return m_id; }
    bool HasId() const noexcept { return !m_id.IsNull(); }
    void SetId(const GuidValue& id) noexcept;
    // Sets the identifier from a GUID text; ZULERR_BAD_GUID (identifier unchanged) when the
    // text does not read as one. `parseResult`, when given, receives the parser's outcome.
    ZULError SetIdText(std::string_view text, int32_t* parseResult = nullptr) noexcept;
    std::string_view IdText() const noexcept { return {m_idText.data(), kGuidTextLength}; }

    // Entries in list order; duplicate keys are possible (a parsed text appends).
    size_t EntryCount() const noexcept { return m_entries.size(); }
    std::string_view Key(size_t index) const noexcept { return TextAt(m_entries[index].key); }
    std::string_view Value(size_t index) const noexcept { return TextAt(m_entries[index].value); }
    // Index of the first entry whose key equals `key`, or npos.
    size_t FindEntry(std::string_view key) const noexcept;
    // Appends an entry without looking for an equal key.
    ZULError AppendEntry(std::string_view key, std::string_view value) noexcept;
    // Makes room for `count` more entries holding `textBytes` bytes of keys and values in all,
    // so that appending them allocates nothing.
    ZULError Reserve(size_t count, size_t textBytes) noexcept;

    // Record operations; "GUID" addresses the identifier.
    // The first entry named `name`, or the identifier text; ZULERR_NOT_FOUND when absent.
    ZULError GetProp(std::string_view name, std::string_view& value) const noexcept;
    // Replaces the value of the first entry named `name` (the entry keeps its spelling) or
    // appends a new entry; "GUID" sets the identifier (ZULERR_BAD_GUID when it cannot).
    ZULError SetProp(std::string_view name, std::string_view value) noexcept;
    // Removes the first entry named `name`; the last entry moves into its place. "GUID" gives
    // ZULERR_INVALID_OPERATION, an absent name ZULERR_NOT_FOUND.
    ZULError RemoveProp(std::string_view name) noexcept;

    // Value walk over the entries; the position belongs to the block.
    // Back to the first entry; ZULERR_NOT_FOUND when the block has never held an entry.
    ZULError RewindValue() noexcept;
    // One entry on; ZULERR_NOT_FOUND when already past the last entry (nothing moves) or when
    // this step went past it.
    ZULError NextValue() noexcept;
    // The entry at the walk position; ZULERR_NOT_FOUND past the last entry.
    ZULError GetCurrentValue(std::string_view& key, std::string_view& value) const noexcept;
    size_t CurrentEntry() const noexcept { return m_nCurrentEntry; }

    // Back to a block without type, identifier or entries that has never held an entry.
    void Clear() noexcept;
    // Makes this block a copy of `other` (walk position included); unchanged on failure.
    ZULError CopyFrom(const C_PropertyBlock& other) noexcept;

private:
    // A text in m_sTexts: offset and length (the NUL after it not counted).
    struct TextRef {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    struct Entry {
        TextRef key;
        TextRef value;
    };

    std::string_view TextAt(TextRef ref) const noexcept;
    // Stores the texts one after another, each with its NUL; refs[i] receives where text i went.
    bool Store(const std::string_view* texts, TextRef* refs, size_t count) noexcept;
    static void AppendTexts(std::string& buffer, const std::string_view* texts, TextRef* refs,
                            size_t count) noexcept;
    // Copies the type and the entries' texts into `buffer`, leaving the garbage behind.
    void MoveLiveTexts(std::string& buffer) noexcept;
    void Discard(TextRef ref) noexcept { m_nGarbage += ref.length ? ref.length + 1 : 0; }
    bool GrowEntries() noexcept;

    std::string m_sTexts;
    std::vector<Entry> m_entries;
    GuidValue m_id;
    TextRef m_type;
    size_t m_nCurrentEntry = 0;
    uint32_t m_nGarbage = 0;
    GuidTextBuffer m_idText = kNullGuidText;
    bool m_bHasType = false;
    bool m_bHeldEntries = false;
};
