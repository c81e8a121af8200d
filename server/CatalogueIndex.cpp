#include "server/CatalogueIndex.h"

#include <algorithm>

#include "common/TextCompare.h"
#include "records/GuidText.h"

namespace {

std::vector<std::string> Referenced(const CatalogueBlock& block) {
    std::vector<std::string> guids;
    (void)FileSetList(block.Value("FileSets"), guids);
    std::vector<std::string> install;
    if (FileSetList(block.Value("InstallFileSet"), install))
        for (std::string& guid : install)
            if (std::find(guids.begin(), guids.end(), guid) == guids.end()) guids.push_back(std::move(guid));
    return guids;
}

IndexedFileSet MakeFileSet(const CatalogueBlock& block) {
    IndexedFileSet fileset{block, !IsWebUrl(block.Value("SourceURL")), {}, std::string(block.Value("SourceURL")), {}};
    constexpr std::string_view kMarker = "\x01";
    CatalogueBlock marked = block;
    marked.Set("SourceURL", kMarker);
    const std::string text = marked.Text();
    const size_t at = text.find(kMarker);
    fileset.head = text.substr(0, at);
    fileset.tail = text.substr(at + kMarker.size());
    return fileset;
}

IndexedChannel MakeChannel(const CatalogueBlock& block) {
    IndexedChannel channel{block, std::string(block.Value("Version")), EqualsNoCase(block.Value("Subscribe"), "1"),
                           Referenced(block), {}, {}, {}};
    CatalogueBlock plain = block;
    if (channel.preset) {
        plain.Remove("Subscribe");
        CatalogueBlock subscribe = block;
        subscribe.Set("Subscribe", "1");
        channel.subscribeText = subscribe.Text();
    }
    channel.text = plain.Text();
    return channel;
}

}  // namespace

CatalogueIndex::CatalogueIndex(const StoredCatalogue& stored) : m_revision(stored.revision) {
    std::string all;
    for (const std::string& text : stored.blocks) all += text;
    const CatalogueParse parsed = ParseCatalogue(all);
    std::map<std::string, size_t> channelAt;
    for (const CatalogueBlock& block : parsed.blocks) {
        m_names[block.guid] = std::string(block.Value("Name"));
        if (block.type == kFileSetType) {
            m_filesets[block.guid] = MakeFileSet(block);
        } else if (block.type == kChannelType) {
            channelAt[block.guid] = m_channels.size();
            m_channels.push_back(MakeChannel(block));
        }
    }
    for (const CatalogueBlock& block : parsed.blocks) {
        if (block.type != kItemType) continue;
        GuidValue channel;
        if (ParseGuidText(block.Value("Channel"), channel) != kGuidParsed) continue;
        const auto at = channelAt.find(GuidToText(channel));
        if (at == channelAt.end()) continue;
        m_channels[at->second].items.push_back(m_items.size());
        m_items.push_back({block, Referenced(block), block.Text()});
    }
}

const IndexedFileSet* CatalogueIndex::FileSet(const std::string& guid) const {
    const auto found = m_filesets.find(guid);
    return found == m_filesets.end() ? nullptr : &found->second;
}

std::string CatalogueIndex::NameOf(const std::string& guid) const {
    const auto found = m_names.find(guid);
    return found == m_names.end() ? std::string() : found->second;
}
