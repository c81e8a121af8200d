#include "archive/CabinetMemberWalk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadCab(const std::string& name) { return ReadFile(std::string(ZUL_ARCHIVE_CABS_DIR) + "/" + name); }

// gcab's MSZIP cabinet of two members spanning many data blocks, and the members themselves.
std::string MszipFixture(const std::string& name) { return ReadFile(std::string(ZUL_MSZIP_FIXTURE_DIR) + "/" + name); }

// Collects every member, and checks the order of the calls.
class CollectingSink : public CabinetMemberSink {
public:
    struct Member {
        std::string name;
        std::string data;
        bool ended = false;
    };
    std::vector<Member> members;
    size_t abortAt = SIZE_MAX;

    Take Begin(const CabinetMember& member) override {
        if (members.size() == abortAt) return Take::Abort;
        EXPECT_TRUE(members.empty() || members.back().ended);
        members.push_back({member.name, {}, false});
        return Take::Write;
    }
    bool Write(const unsigned char* data, size_t size) override {
        members.back().data.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    bool End(const CabinetMember& member) override {
        EXPECT_EQ(members.back().data.size(), member.length) << member.name;
        members.back().ended = true;
        return true;
    }
};

bool Walk(const std::string& cab, CollectingSink& sink, bool* walkable = nullptr) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(cab.data());
    CabinetDirectory directory;
    if (!ReadCabinetDirectory(bytes, cab.size(), &directory)) return false;
    if (walkable) *walkable = CanWalkCabinetMembers(directory);
    return WalkCabinetMembers(bytes, directory, sink);
}

}  // namespace

TEST(CabinetMemberWalk, MszipMembersComeOutByteIdentical) {
    CollectingSink sink;
    ASSERT_TRUE(Walk(MszipFixture("mszip.cab"), sink));
    ASSERT_EQ(sink.members.size(), 2u);
    EXPECT_EQ(sink.members[0].name, "text.txt");
    EXPECT_TRUE(sink.members[0].data == MszipFixture("members/text.txt"));
    EXPECT_EQ(sink.members[1].name, "noise.bin");
    EXPECT_TRUE(sink.members[1].data == MszipFixture("members/noise.bin"));
}

// Every member whole and in table order (byte-for-byte agreement with cabextract is checked by the
// Windows extraction tests), and LZX/Quantum left to the system decoder.
TEST(CabinetMemberWalk, DecodesStoredCabinetsAndLeavesOthersAlone) {
    for (const char* name : {"simple.cab", "normal_2files_1folder.cab", "dir.cab", "reserve_HFD.cab",
                             "normal_255c_filename.cab"}) {
        CollectingSink sink;
        bool walkable = false;
        EXPECT_TRUE(Walk(ReadCab(std::string("valid/") + name), sink, &walkable)) << name;
        EXPECT_TRUE(walkable) << name;
        ASSERT_FALSE(sink.members.empty()) << name;
        EXPECT_TRUE(sink.members.back().ended) << name;
    }
    CollectingSink sink;
    bool walkable = true;
    EXPECT_FALSE(Walk(ReadCab("valid/mszip_lzx_qtm.cab"), sink, &walkable));
    EXPECT_FALSE(walkable);
    EXPECT_FALSE(Walk(ReadCab("valid/large-files-cab.cab"), sink, &walkable));
    EXPECT_FALSE(walkable);
}

TEST(CabinetMemberWalk, CorruptDataOrAnAbortEndsTheWalkWithoutFinishingTheMember) {
    std::string cab = MszipFixture("mszip.cab");
    CollectingSink whole;
    ASSERT_TRUE(Walk(cab, whole));

    CollectingSink aborted;
    aborted.abortAt = 1;
    EXPECT_FALSE(Walk(cab, aborted));
    EXPECT_EQ(aborted.members.size(), 1u);

    // A flipped byte in the last data block fails its checksum; without the checksum, the
    // decoded size no longer matches or the deflate data breaks.
    cab[cab.size() - 3] ^= 0x55;
    CollectingSink corrupt;
    EXPECT_FALSE(Walk(cab, corrupt));
    EXPECT_TRUE(corrupt.members.empty() || !corrupt.members.back().ended);
}

TEST(CabinetMemberWalk, HostileCabinetsFailCleanly) {
    for (const char* name : {"cve-2010-2800-mszip-infinite-loop.cab", "cve-2015-4470-mszip-over-read.cab",
                             "partial_shortfile1.cab", "partial_nodata.cab", "cve-2014-9732-folders-segfault.cab"}) {
        CollectingSink sink;
        const std::string cab = ReadCab(std::string("hostile/") + name);
        Walk(cab, sink);  // refused or decoded within bounds: the sanitizers watch
        for (const auto& member : sink.members)
            if (member.ended) EXPECT_LE(member.data.size(), cab.size() * 1032u) << name;
    }
}
