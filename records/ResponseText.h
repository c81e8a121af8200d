// C_ResponseText: a loaded block text as an ordered list of blocks, with a walk over the blocks
// by type and editing of the current block. It holds the state of a ResponseData object.
//
// Every method other than the loads answers ZULERR_NOT_FOUND until a text has been loaded. Once
// the block walk has run past the last block, the block-level methods act on an empty spare
// block (no entries, no identifier, empty type). Nothing here throws.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "records/PropertyBlock.h"
#include "common/ZULErrorCodes.h"

class C_ResponseText {
public:
    // The least room for blocks a load reserves. A load reserves room for every block the text
    // delimits before it parses the first, so the list never moves while it fills.
    static constexpr size_t kInitialBlockCapacity = 16;

    // Loads a zero-terminated text, replacing everything loaded before. The result is
    // ZULERR_SUCCESS when the text ran out of blocks, otherwise the error of the first faulty
    // block; the blocks before it stay loaded. A null text gives ZULERR_INVALID_ARGUMENT and
    // changes nothing.
    ZULError LoadMem(const char* text) noexcept;
    // The same for a text of known length; it ends at its first NUL like a zero-terminated one.
    ZULError Load(std::string_view text) noexcept;

    // True once a load has started (and kept its block list). A load that could not allocate
    // its block list answers ZULERR_OUT_OF_MEMORY and leaves the object unloaded.
    bool IsLoaded() const noexcept { return m_bLoaded; }
    size_t BlockCount() const noexcept { return m_blocks.size(); }
    const C_PropertyBlock& BlockAt(size_t index) const noexcept { return m_blocks[index]; }
    // Index of the current block; BlockCount() once the walk has run past the end.
    size_t CurrentIndex() const noexcept { return m_nCurrent; }

    // Block walk by type (ignoring ASCII case; a null type matches only blocks without type,
    // which parsed blocks never are). Both leave the current block at the block found, or past
    // the end with ZULERR_NOT_FOUND.
    ZULError RewindBlock(const char* type) noexcept;
    ZULError NextBlock(const char* type) noexcept;

    // The current block (the spare one past the end); ZULERR_NOT_FOUND before the first load.
    ZULError CurrentBlock(C_PropertyBlock*& block) noexcept;
    ZULError CurrentBlock(const C_PropertyBlock*& block) const noexcept;

    // Operations on the current block. Views stay valid until the object changes.
    ZULError GetBlockType(std::string_view& type) const noexcept;
    // The first entry with that key; "GUID" gives the identifier text.
    ZULError GetKeyValue(std::string_view key, std::string_view& value) const noexcept;
    ZULError NextValue() noexcept;
    ZULError RewindValue() noexcept;
    ZULError GetCurrentValue(std::string_view& key, std::string_view& value) const noexcept;
    // Replaces the first entry with that key or appends one; "GUID" sets the identifier.
    ZULError SetKeyValue(std::string_view key, std::string_view value) noexcept;
    // Removes the first entry with that key, moving the last entry into its place.
    ZULError RemoveKeyValue(std::string_view key) noexcept;

private:
    ZULError ParseAll(std::string_view text) noexcept;
    ZULError FindFrom(size_t index, const char* type) noexcept;
    C_PropertyBlock& Current() noexcept;
    const C_PropertyBlock& Current() const noexcept;

    std::vector<C_PropertyBlock> m_blocks;
    C_PropertyBlock m_spare;
    size_t m_nCurrent = 0;
    bool m_bLoaded = false;
};
