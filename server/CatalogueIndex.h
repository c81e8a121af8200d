// The published catalogue read back from the store, indexed for answering: channels in order,
// each channel's items, file sets by GUID.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "server/Catalogue.h"
#include "server/Store.h"

// Block texts are made once per catalogue, so that an answer only joins them.
struct IndexedChannel {
    CatalogueBlock block;
    std::string version;  // "Version" as written ("" when absent)
    bool preset = false;  // "Subscribe=1"
    std::vector<std::string> filesets;
    std::vector<size_t> items;  // indexes into CatalogueIndex::items
    std::string text;           // as written; for a preset, without "Subscribe"
    std::string subscribeText;  // a preset's block with "Subscribe=1"
};

struct IndexedItem {
    CatalogueBlock block;
    std::vector<std::string> filesets;  // "FileSets" and "InstallFileSet"
    std::string text;
};

// A file set's text is head + SourceURL + tail, where a relative SourceURL is the files' base
// address followed by the name.
struct IndexedFileSet {
    CatalogueBlock block;
    bool relative = false;
    std::string head, url, tail;
};

class CatalogueIndex {
public:
    CatalogueIndex() = default;
    // Blocks that do not read back are left out (the store only holds checked blocks).
    explicit CatalogueIndex(const StoredCatalogue& stored);

    int64_t Revision() const { return m_revision; }
    const std::vector<IndexedChannel>& Channels() const { return m_channels; }
    const std::vector<IndexedItem>& Items() const { return m_items; }
    // nullptr when the catalogue has no such file set.
    const IndexedFileSet* FileSet(const std::string& guid) const;
    // A block's "Name" by GUID, for reports ("" when unknown).
    std::string NameOf(const std::string& guid) const;

private:
    int64_t m_revision = 0;
    std::vector<IndexedChannel> m_channels;
    std::vector<IndexedItem> m_items;
    std::map<std::string, IndexedFileSet> m_filesets;
    std::map<std::string, std::string> m_names;
};
