#include "archive/CabinetDirectory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadCab(const std::string& group, const std::string& name) {
    std::ifstream in(std::string(ZUL_ARCHIVE_CABS_DIR) + "/" + group + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Check(const std::string& cab) {
    return CheckCabinetDirectory(reinterpret_cast<const unsigned char*>(cab.data()), cab.size());
}

void Put16(std::string& s, uint16_t v) { s += static_cast<char>(v & 0xFF); s += static_cast<char>(v >> 8); }
void Put32(std::string& s, uint32_t v) { Put16(s, static_cast<uint16_t>(v)); Put16(s, static_cast<uint16_t>(v >> 16)); }

// A one-folder, one-file cabinet directory (no data blocks are needed for the check).
struct Cab {
    uint16_t flags = 0;
    std::string headerTail;  // reserve fields and previous/next texts
    uint16_t compression = 0;
    uint16_t blocks = 1;
    uint16_t folderIndex = 0;
    uint32_t fileLength = 10;
    std::string name = "a.txt";
    uint8_t folderReserve = 0;

    std::string Build() const {
        std::string entries = headerTail;
        Put32(entries, 0);  // folder data offset, patched below
        Put16(entries, blocks);
        Put16(entries, compression);
        entries.append(folderReserve, 'r');
        const uint32_t filesOffset = static_cast<uint32_t>(36 + entries.size());
        Put32(entries, fileLength);
        Put32(entries, 0);
        Put16(entries, folderIndex);
        Put16(entries, 0x2E21);
        Put16(entries, 0x6000);
        Put16(entries, 0x20);
        entries += name;
        entries += '\0';
        const uint32_t total = static_cast<uint32_t>(36 + entries.size());
        std::string cab = "MSCF";
        Put32(cab, 0);
        Put32(cab, total);
        Put32(cab, 0);
        Put32(cab, filesOffset);
        Put32(cab, 0);
        cab += '\x03';
        cab += '\x01';
        Put16(cab, 1);
        Put16(cab, 1);
        Put16(cab, flags);
        Put16(cab, 0);
        Put16(cab, 0);
        cab += entries;
        // The folder's data starts at the end of the directory.
        const size_t folderAt = 36 + headerTail.size();
        for (int i = 0; i < 4; ++i) cab[folderAt + i] = static_cast<char>((total >> (8 * i)) & 0xFF);
        return cab;
    }
};

}  // namespace

TEST(CabinetDirectory, AcceptsEveryValidTestCabinet) {
    for (const char* name : {"case-ascii.cab", "dir.cab", "large-files-cab.cab", "mszip_lzx_qtm.cab",
                             "normal_255c_filename.cab", "normal_2files_1folder.cab", "normal_2files_2folders.cab",
                             "reserve_---.cab", "reserve_H--.cab", "reserve_HFD.cab", "simple.cab"})
        EXPECT_TRUE(Check(ReadCab("valid", name))) << name;
}

TEST(CabinetDirectory, RejectsInconsistentDirectories) {
    for (const char* name : {"bad_folderindex.cab", "bad_nofiles.cab", "bad_nofolders.cab", "bad_signature.cab",
                             "cve-2014-9556-qtm-infinite-loop.cab", "cve-2014-9732-folders-segfault.cab",
                             "cve-2015-4470-mszip-over-read.cab", "cve-2015-4471-lzx-under-read.cab",
                             "cve-2017-11423-fname-overread.cab", "partial_nodata.cab", "partial_nofiles.cab",
                             "partial_shortfile1.cab", "partial_shortheader.cab"})
        EXPECT_FALSE(Check(ReadCab("hostile", name))) << name;
    // Faults inside compressed data are the decoder's to find.
    for (const char* name : {"cve-2010-2800-mszip-infinite-loop.cab", "lzx-main-tree-no-lengths.cab",
                             "lzx-premature-matches.cab"})
        EXPECT_TRUE(Check(ReadCab("hostile", name))) << name;
}

TEST(CabinetDirectory, ChecksEachFieldOfASyntheticCabinet) {
    Cab base;
    ASSERT_TRUE(Check(base.Build()));

    Cab c = base;
    c.folderIndex = 1;  // no such folder
    EXPECT_FALSE(Check(c.Build()));
    for (uint16_t mark : {0xFFFD, 0xFFFE, 0xFFFF}) {
        c.folderIndex = mark;  // continuation marks are the decoder's business
        EXPECT_TRUE(Check(c.Build())) << mark;
    }

    c = base;
    c.fileLength = 32768;
    EXPECT_TRUE(Check(c.Build()));
    c.fileLength = 32769;  // more than one block can hold
    EXPECT_FALSE(Check(c.Build()));
    c.blocks = 0;
    c.fileLength = 0;
    EXPECT_TRUE(Check(c.Build()));

    c = base;
    c.name = std::string(255, 'n');
    EXPECT_TRUE(Check(c.Build()));
    c.name = std::string(256, 'n');
    EXPECT_FALSE(Check(c.Build()));
    c.name = "";
    EXPECT_FALSE(Check(c.Build()));

    c = base;
    for (uint16_t type : {0x0001, 0x0F03, 0x1503, 0x0A02, 0x1502}) {
        c.compression = type;
        EXPECT_TRUE(Check(c.Build())) << type;
    }
    for (uint16_t type : {0x0004, 0x000F, 0x0E03, 0x1603, 0x0902, 0x1602}) {
        c.compression = type;
        EXPECT_FALSE(Check(c.Build())) << type;
    }
}

TEST(CabinetDirectory, ReservedAreasAndCabinetNamesStayInside) {
    Cab c;
    c.flags = 0x0004;
    c.headerTail = std::string("\x04\x00\x02\x00rrrr", 8);  // 4 header bytes, 2 per folder
    c.folderReserve = 2;
    EXPECT_TRUE(Check(c.Build()));
    c.headerTail = std::string("\xFF\x7F\x02\x00rrrr", 8);  // a reserve past the end
    EXPECT_FALSE(Check(c.Build()));

    c = Cab();
    c.flags = 0x0003;
    c.headerTail = std::string("prev.cab\0disk 1\0next.cab\0\0", 26);
    EXPECT_TRUE(Check(c.Build()));
    c.headerTail = std::string(300, 'x') + '\0' + std::string("d\0next.cab\0\0", 12);
    EXPECT_FALSE(Check(c.Build()));

    // A block that holds less than the cabinet declares is truncated.
    const std::string whole = Cab().Build();
    EXPECT_FALSE(Check(whole.substr(0, whole.size() - 1)));
    EXPECT_TRUE(Check(whole + "trailing bytes after the cabinet"));
    EXPECT_FALSE(CheckCabinetDirectory(nullptr, 0));
}
