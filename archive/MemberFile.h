// C_MemberFile: one extracted member on its way to its place on disk. A member replaces nothing
// until it is complete: a name that is free is written in place (and deleted again if the member
// fails); an existing file is replaced through target + ".tmp", renamed over it once complete,
// and a read-only file is never replaced.
#pragma once
#include <windows.h>

#include <string>

#include "archive/ArchFile.h"

class C_MemberFile {
public:
    C_MemberFile() = default;
    ~C_MemberFile() { Discard(); }
    C_MemberFile(const C_MemberFile&) = delete;
    C_MemberFile& operator=(const C_MemberFile&) = delete;

    // Makes the directories that hold target (unless they are lastParentMade, the ones made for
    // the member before, which is then updated) and creates the file. False when no file can be
    // made.
    bool Create(const std::string& target, std::string& lastParentMade);
    bool Write(const void* data, size_t size);
    // Dates the member with time (when given) and puts it in place; false (with the new copy
    // deleted) when it cannot be placed. The object is empty afterwards either way.
    bool Place(const FILETIME* time);
    // Closes and deletes what was written of an unfinished member.
    void Discard();

    bool isOpen() const { return m_file.kind() == C_ArchFile::Kind::Disk; }

private:
    C_ArchFile m_file;
    std::string m_sTarget;
    // Where the bytes go until the member is complete: the target itself when it replaces
    // nothing (m_bInPlace), otherwise its ".tmp" file.
    std::string m_sUnfinished;
    bool m_bInPlace = false;
};
