#include "archive/CabinetMemberWalk.h"

#include <algorithm>

#include "archive/CabinetFolderReader.h"

bool CanWalkCabinetMembers(const CabinetDirectory& directory) {
    if (directory.flags & (kCabinetFlagPrevious | kCabinetFlagNext)) return false;
    if (!std::all_of(directory.folders.begin(), directory.folders.end(), C_CabinetFolderReader::Decodes))
        return false;
    return std::none_of(directory.files.begin(), directory.files.end(), IsContinuedMember);
}

bool WalkCabinetMembers(const unsigned char* block, const CabinetDirectory& directory, CabinetMemberSink& sink) {
    if (!CanWalkCabinetMembers(directory)) return false;
    C_CabinetFolderReader reader;
    int openFolder = -1;
    for (const CabinetMember& member : directory.files) {
        const CabinetMemberSink::Take take = sink.Begin(member);
        if (take == CabinetMemberSink::Take::Abort) return false;
        if (take == CabinetMemberSink::Take::Skip) continue;
        // Members usually follow each other through a folder; one that lies behind the
        // position (or in another folder) restarts that folder's decoding.
        if (openFolder != member.folder || reader.position() > member.offset) {
            if (!reader.Open(block, directory, directory.folders[member.folder])) return false;
            openFolder = member.folder;
        }
        if (!reader.Skip(member.offset - reader.position())) return false;
        for (uint32_t left = member.length; left > 0;) {
            const unsigned char* data = nullptr;
            size_t got = 0;
            if (!reader.Next(left, &data, &got) || !sink.Write(data, got)) return false;
            left -= static_cast<uint32_t>(got);
        }
        if (!sink.End(member)) return false;
    }
    return true;
}
