// Walks the members of a cabinet whose folders are stored or MSZIP-compressed, in the order of
// its file table, handing each member's data to a sink: begin, data in pieces, end. This is the
// decoder behind extraction for such cabinets (the system's decoder keeps the others). Portable.
#pragma once
#include <cstddef>

#include "archive/CabinetDirectory.h"

class CabinetMemberSink {
public:
    enum class Take { Skip, Write, Abort };

    virtual ~CabinetMemberSink() = default;
    // Whether the member's data is wanted.
    virtual Take Begin(const CabinetMember& member) = 0;
    // A piece of the member's data, in order; false ends the walk.
    virtual bool Write(const unsigned char* data, size_t size) = 0;
    // The member's data is complete; false ends the walk.
    virtual bool End(const CabinetMember& member) = 0;
};

// Whether WalkCabinetMembers can decode the cabinet: one cabinet alone (no previous or next),
// no member continued across cabinets, every folder stored or MSZIP.
bool CanWalkCabinetMembers(const CabinetDirectory& directory);

// Decodes every member of the cabinet in block (checked and read into directory) into sink.
// False when the data is corrupt, a member lies beyond its folder's data, or the sink ends the
// walk; members finished before that stay with the sink.
bool WalkCabinetMembers(const unsigned char* block, const CabinetDirectory& directory, CabinetMemberSink& sink);
