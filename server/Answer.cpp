#include "server/Answer.h"

#include <algorithm>
#include <set>

Answer::Answer(const CatalogueIndex& catalogue, const CheckinForm& form, const MachineState& state)
    : m_catalogue(catalogue) {
    std::set<std::string> listed;
    for (const ListedChannel& channel : form.channels) listed.insert(channel.guid);
    for (const IndexedChannel& channel : catalogue.Channels()) {
        const bool isListed = listed.count(channel.block.guid) > 0;
        if (!isListed && !channel.preset) continue;
        const auto found = state.deliveries.find(channel.block.guid);
        const ChannelDelivery delivery = found == state.deliveries.end() ? ChannelDelivery{} : found->second;
        const bool pushSubscribe = channel.preset && !delivery.subscribeConfirmed;
        if (!isListed && !pushSubscribe) continue;  // a preset the user turned off
        if (pushSubscribe || delivery.confirmedVersion != channel.version) {
            m_channels.push_back({&channel, pushSubscribe});
            m_deliveries.push_back({channel.block.guid, channel.version, pushSubscribe});
            NameFileSets(channel.filesets);
        }
        for (size_t index : channel.items) {
            const IndexedItem& item = catalogue.Items()[index];
            if (state.installed.count(item.block.guid)) continue;
            m_items.push_back(&item);
            NameFileSets(item.filesets);
        }
    }
}

void Answer::NameFileSets(const std::vector<std::string>& guids) {
    for (const std::string& guid : guids)
        if (std::find(m_filesets.begin(), m_filesets.end(), guid) == m_filesets.end() && m_catalogue.FileSet(guid))
            m_filesets.push_back(guid);
}

std::string CheckinResultBlock(std::string_view status, int intervalMinutes) {
    return "CheckinResult\r\n{\r\nStatus=" + std::string(status) + "\r\nInterval=" + std::to_string(intervalMinutes) +
           "\r\n}\r\n";
}

std::string Answer::Text(int intervalMinutes, const std::string& filesBase) const {
    std::string text = CheckinResultBlock("ok", intervalMinutes);
    for (const std::string& guid : m_filesets) {
        const IndexedFileSet& fileset = *m_catalogue.FileSet(guid);
        text += fileset.head;
        if (fileset.relative) text += filesBase;
        text += fileset.url;
        text += fileset.tail;
    }
    for (const ChannelSend& send : m_channels) text += send.subscribe ? send.channel->subscribeText : send.channel->text;
    for (const IndexedItem* item : m_items) text += item->text;
    return text;
}
