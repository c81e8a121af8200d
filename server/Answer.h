// The answer to one check-in, per machine: a "CheckinResult" block, then the file sets, channels
// and items this machine is to take over, as block text with CR LF line ends.
//
// A channel goes to a machine that lists it or when it is a preset ("Subscribe=1"), until the
// machine has checked in once after receiving its current "Version". A preset's "Subscribe=1"
// goes only until the machine has checked in after receiving it, so that a channel the user
// turned off stays off. Items go for channels the machine subscribes to (or is being subscribed
// to by this answer), never once the machine has reported them installed. Every file set those
// channels and items name comes along, its relative "SourceURL" made absolute.
#pragma once
#include <string>
#include <vector>

#include "server/CatalogueIndex.h"
#include "server/CheckinForm.h"
#include "server/Store.h"

class Answer {
public:
    // Chooses the blocks for this machine.
    Answer(const CatalogueIndex& catalogue, const CheckinForm& form, const MachineState& state);

    const std::vector<DeliveryRecord>& Deliveries() const { return m_deliveries; }
    size_t ItemCount() const { return m_items.size(); }
    size_t ChannelCount() const { return m_channels.size(); }
    // The answer text; `filesBase` is what a relative "SourceURL" is appended to.
    std::string Text(int intervalMinutes, const std::string& filesBase) const;

private:
    struct ChannelSend { const IndexedChannel* channel; bool subscribe; };
    void NameFileSets(const std::vector<std::string>& guids);

    const CatalogueIndex& m_catalogue;
    std::vector<ChannelSend> m_channels;
    std::vector<const IndexedItem*> m_items;
    std::vector<std::string> m_filesets;
    std::vector<DeliveryRecord> m_deliveries;
};

// The "CheckinResult" block that opens every answer.
std::string CheckinResultBlock(std::string_view status, int intervalMinutes);
