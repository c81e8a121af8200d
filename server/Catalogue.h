// The publisher's catalogue: FileSet, Channel and Item blocks in the block text clients read.
// Parsing checks the whole text before anything is kept: every block of a known type with a
// GUID, items in a catalogue channel with a GUID type, file sets named by channels and items
// present, relative archive names plain file names. A fault names its block and line.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr std::string_view kFileSetType = "FileSet";
constexpr std::string_view kChannelType = "Channel";
constexpr std::string_view kItemType = "Item";

struct CatalogueBlock {
    std::string type;  // kFileSetType, kChannelType or kItemType
    std::string guid;  // canonical
    std::vector<std::pair<std::string, std::string>> entries;  // as written, in order
    size_t line = 0;   // where the block starts (1-based)

    // The first value of key (ASCII case ignored), or empty.
    std::string_view Value(std::string_view key) const;
    bool Has(std::string_view key) const;
    void Set(std::string_view key, std::string_view value);  // replaces or appends
    void Remove(std::string_view key);
    // The block as block text with CR LF line ends, the GUID line first.
    std::string Text() const;
};

struct CatalogueParse {
    bool ok = false;
    std::string error;  // "line N, Type block {GUID}: reason"
    std::vector<CatalogueBlock> blocks;
};

[[nodiscard]] CatalogueParse ParseCatalogue(std::string_view text);

// A "SourceURL" that a client fetches as it is: http:// or https://.
bool IsWebUrl(std::string_view url);
// The archive's file name under the server's files folder: a relative name as it is, or the
// last path part of a web URL; empty when it is not a plain file name.
std::string ArchiveFileName(std::string_view sourceUrl);
// The GUIDs of a "FileSets" value (comma or semicolon separated); false on one that is not a GUID.
bool FileSetList(std::string_view value, std::vector<std::string>& guids);
