#include "archive/CabExtractor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"

using namespace archivetest;

namespace {

std::string Cab(const std::string& group, const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadBytes(CabsDirectory() + "\\" + group + "\\" + name, &bytes)) << name;
    return bytes;
}

std::string RawCab(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadBytes(FixturesDirectory() + "\\raw\\" + name, &bytes)) << name;
    return bytes;
}

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

std::vector<std::string> CabinetNames(const std::string& group) {
    std::vector<std::string> names;
    for (const std::string& name : ListDirectory(CabsDirectory() + "\\" + group))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cab") == 0) names.push_back(name);
    return names;
}

// Compares the extracted tree with what cabextract made: the same entries, the same bytes, the
// same modification times.
void ExpectSameTree(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> entries = ListTree(expected);
    ASSERT_FALSE(entries.empty()) << expected;
    EXPECT_EQ(ListTree(actual), entries) << actual;
    for (const std::string& entry : entries) {
        if (entry.back() == '\\') continue;
        std::string want, got;
        ASSERT_TRUE(ReadBytes(expected + "\\" + entry, &want)) << entry;
        ASSERT_TRUE(ReadBytes(actual + "\\" + entry, &got)) << entry;
        EXPECT_TRUE(want == got) << entry << ": " << got.size() << " bytes instead of " << want.size();
        FILETIME wantTime = LastWriteTime(expected + "\\" + entry);
        FILETIME gotTime = LastWriteTime(actual + "\\" + entry);
        EXPECT_EQ(CompareFileTime(&wantTime, &gotTime), 0) << entry;
    }
}

struct Received {
    std::map<std::string, std::string> files;
    std::vector<std::string> order;
    int answer = 0;
};

int SelectAll(void* context, const char* name) {
    static_cast<Received*>(context)->order.push_back(name);
    return 1;
}

int CollectData(void* context, const char*, void* data, uint32_t size) {
    auto* received = static_cast<Received*>(context);
    received->files[received->order.back()] = std::string(static_cast<char*>(data), size);
    return received->answer;
}

void ExtractEveryValidCabinetLikeCabextract() {
    Sandbox sandbox;
    const std::vector<std::string> names = CabinetNames("valid");
    ASSERT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string cabinet = Cab("valid", name);
        C_CabExtractor extractor;
        ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
        EXPECT_TRUE(extractor.isCabinet());
        EXPECT_TRUE(extractor.inMemory());
        // A trailing separator on the directory is dropped.
        const std::string target = sandbox / Stem(name);
        ASSERT_TRUE(extractor.ExtractToDir((target + "\\").c_str()));
        ExpectSameTree(FixturesDirectory() + "\\expected\\" + Stem(name), target);
    }
}

}  // namespace

// Members are written by a thread of their own, or at once when the process may use one
// processor only: the same files either way.
TEST(CabExtractor, EveryValidCabinetExtractsLikeCabextract) {
    DWORD_PTR processors = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processors, &system));
    for (const bool oneProcessor : {false, true}) {
        SCOPED_TRACE(oneProcessor ? "one processor" : "every processor");
        if (oneProcessor) {
            ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), processors & (~processors + 1)));
        }
        ExtractEveryValidCabinetLikeCabextract();
    }
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), processors));
}

TEST(CabExtractor, HostileCabinetsFailWithoutWritingOutside) {
    Sandbox sandbox;
    const std::vector<std::string> names = CabinetNames("hostile");
    ASSERT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string cabinet = Cab("hostile", name);
        const std::string place = sandbox / Stem(name);
        CreateDirectoryA(place.c_str(), nullptr);
        C_CabExtractor extractor;
        if (extractor.OpenMemory(cabinet.data(), cabinet.size())) {
            EXPECT_FALSE(extractor.ExtractToDir((place + "\\out").c_str()));
            EXPECT_FALSE(extractor.ExtractToMemory());
        } else {
            EXPECT_FALSE(extractor.isCabinet());
            EXPECT_FALSE(extractor.ExtractToDir((place + "\\out").c_str()));
        }
        const std::vector<std::string> beside = ListDirectory(place);
        EXPECT_TRUE(beside.empty() || beside == std::vector<std::string>{"out"});
        for (const std::string& entry : ListTree(place + "\\out"))
            EXPECT_EQ(entry.find(".tmp"), std::string::npos) << entry;
    }
}

TEST(CabExtractor, UnsafeMemberNamesAreNeverWritten) {
    Sandbox sandbox;
    const std::string cabinet = RawCab("unsafe_names.cab");
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    const std::string target = sandbox / "a\\b\\out";
    EXPECT_FALSE(extractor.ExtractToDir(target.c_str()));
    // The safe members before and after the hostile ones are extracted.
    EXPECT_EQ(ListTree(target), (std::vector<std::string>{"first.txt", "last.txt"}));
    EXPECT_EQ(ListTree(sandbox.path()), (std::vector<std::string>{"a\\", "a\\b\\", "a\\b\\out\\",
                                                                  "a\\b\\out\\first.txt", "a\\b\\out\\last.txt"}));
    EXPECT_FALSE(Exists("C:\\evil4.txt"));
}

TEST(CabExtractor, MembersOfOtherCabinetsAreRefused) {
    Sandbox sandbox;
    // A member continued from an earlier cabinet ends the extraction after the complete one.
    const std::string fromPrevious = RawCab("continued_from_prev.cab");
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(fromPrevious.data(), fromPrevious.size()));
    EXPECT_FALSE(extractor.ExtractToDir((sandbox / "prev").c_str()));
    EXPECT_EQ(ListTree(sandbox / "prev"), std::vector<std::string>{"whole.txt"});

    // A member continued into a next cabinet named by the cabinet: the name is never opened,
    // and the cut-off member leaves nothing behind.
    const std::string toNext = RawCab("continued_to_next.cab");
    ASSERT_TRUE(extractor.OpenMemory(toNext.data(), toNext.size()));
    EXPECT_FALSE(extractor.ExtractToDir((sandbox / "next").c_str()));
    EXPECT_EQ(ListTree(sandbox / "next"), std::vector<std::string>{"whole.txt"});
    EXPECT_FALSE(extractor.ExtractToMemory());
    EXPECT_EQ(extractor.receivedData(), nullptr);
}

TEST(CabExtractor, AnIncompleteMemberReplacesNothing) {
    Sandbox sandbox;
    const std::string cabinet = RawCab("short_member.cab");
    WriteBytes(sandbox / "short.txt", "previous content");
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    EXPECT_FALSE(extractor.ExtractToDir(sandbox.path().c_str()));
    std::string content;
    ASSERT_TRUE(ReadBytes(sandbox / "short.txt", &content));
    EXPECT_EQ(content, "previous content");
    EXPECT_EQ(ListTree(sandbox.path()), std::vector<std::string>{"short.txt"});
}

TEST(CabExtractor, AReadOnlyTargetStaysAsItWas) {
    Sandbox sandbox;
    const std::string cabinet = Cab("valid", "simple.cab");
    const std::string locked = sandbox / "hello.c";
    WriteBytes(locked, "old and read-only");
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    // The other member is placed, but the extraction as a whole did not succeed.
    EXPECT_FALSE(extractor.ExtractToDir(sandbox.path().c_str()));
    std::string content;
    ASSERT_TRUE(ReadBytes(locked, &content));
    EXPECT_EQ(content, "old and read-only");
    EXPECT_EQ(ListTree(sandbox.path()), (std::vector<std::string>{"hello.c", "welcome.c"}));
}

TEST(CabExtractor, AFailedTemporaryFileEndsTheWholeExtraction) {
    Sandbox sandbox;
    const std::string cabinet = Cab("valid", "simple.cab");
    // The first member replaces a file, so it goes through its ".tmp" file first, and a
    // directory stands where that would go.
    const std::string old = sandbox / "hello.c";
    WriteBytes(old, "old");
    ASSERT_TRUE(CreateDirectoryA((sandbox / "hello.c.tmp").c_str(), nullptr));
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    EXPECT_FALSE(extractor.ExtractToDir(sandbox.path().c_str()));
    EXPECT_EQ(ListTree(sandbox.path()), (std::vector<std::string>{"hello.c", "hello.c.tmp\\"}));
    std::string content;
    ASSERT_TRUE(ReadBytes(old, &content));
    EXPECT_EQ(content, "old");
}

TEST(CabExtractor, ExtractsToMemoryThroughTheCallbacks) {
    const std::string cabinet = Cab("valid", "mszip_lzx_qtm.cab");
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    EXPECT_EQ(extractor.cabinetInfo().cFiles, 3);
    Received received;
    extractor.SetCallbacks(SelectAll, CollectData, &received);
    ASSERT_TRUE(extractor.ExtractToMemory());
    ASSERT_EQ(received.files.size(), 3u);
    for (const auto& [name, data] : received.files) {
        std::string want;
        ASSERT_TRUE(ReadBytes(FixturesDirectory() + "\\expected\\mszip_lzx_qtm\\" + name, &want)) << name;
        EXPECT_EQ(data, want) << name;
    }
    EXPECT_EQ(extractor.receivedData(), nullptr);

    // Without a receive callback the last member's block stays with the extractor.
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    ASSERT_TRUE(extractor.ExtractToMemory());
    ASSERT_NE(extractor.receivedData(), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(extractor.receivedData()), extractor.receivedSize()),
              received.files["qtm.txt"]);
    extractor.Reset();
    EXPECT_EQ(extractor.receivedData(), nullptr);
    EXPECT_FALSE(extractor.isCabinet());
}

TEST(CabExtractor, CallbacksCanSkipKeepAndAbort) {
    Sandbox sandbox;
    const std::string cabinet = Cab("valid", "normal_2files_2folders.cab");
    C_CabExtractor extractor;
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));

    // Skip every member but one.
    extractor.SetCallbacks([](void*, const char* name) { return std::string(name) == "lzx2.txt" ? 1 : 0; },
                           nullptr, nullptr);
    ASSERT_TRUE(extractor.ExtractToDir((sandbox / "one").c_str()));
    EXPECT_EQ(ListTree(sandbox / "one"), std::vector<std::string>{"lzx2.txt"});

    // Abort at the second member through the select callback...
    extractor.SetCallbacks([](void*, const char* name) { return std::string(name) == "mszip2.txt" ? 2 : 1; },
                           nullptr, nullptr);
    EXPECT_FALSE(extractor.ExtractToDir((sandbox / "two").c_str()));
    EXPECT_EQ(ListTree(sandbox / "two"), std::vector<std::string>{"mszip1.txt"});

    // ...or through the receive callback, which also keeps a block it wants.
    Received received;
    received.answer = C_CabExtractor::kReceiveKeepData | C_CabExtractor::kReceiveAbort;
    extractor.SetCallbacks(SelectAll, [](void* context, const char* path, void* data, uint32_t size) {
        auto* r = static_cast<Received*>(context);
        r->files[r->order.back()] = path ? std::string(path) : std::string(static_cast<char*>(data), size);
        std::free(data);  // kept: the callback frees it
        return r->answer;
    }, &received);
    EXPECT_FALSE(extractor.ExtractToMemory());
    EXPECT_EQ(received.order, std::vector<std::string>{"mszip1.txt"});
    EXPECT_EQ(extractor.receivedData(), nullptr);

    // In directory mode the callback hears the placed file's path.
    received = Received{};
    received.answer = 0;
    EXPECT_TRUE(extractor.ExtractToDir((sandbox / "three").c_str()));
    EXPECT_EQ(received.files["lzx1.txt"], sandbox / "three\\lzx1.txt");
}

TEST(CabExtractor, RefusesWhatIsNoCabinet) {
    C_CabExtractor extractor;
    const std::string text = "MSCF but nothing like a cabinet header follows here at all........";
    EXPECT_FALSE(extractor.OpenMemory(text.data(), text.size()));
    EXPECT_FALSE(extractor.OpenMemory(text.data(), 0));
    EXPECT_FALSE(extractor.OpenMemory(nullptr, 10));
    EXPECT_FALSE(extractor.ExtractToMemory());
    EXPECT_FALSE(extractor.ExtractToDir("C:\\anywhere"));

    // An empty directory would be the current one: refused.
    const std::string cabinet = Cab("valid", "simple.cab");
    ASSERT_TRUE(extractor.OpenMemory(cabinet.data(), cabinet.size()));
    EXPECT_FALSE(extractor.ExtractToDir(""));
    EXPECT_FALSE(extractor.ExtractToDir("\\"));
    EXPECT_FALSE(extractor.ExtractToDir(nullptr));
}

namespace {

// A committed block placed at or above `at`, or null when the system gives none there.
struct PlacedBlock {
    void* address = nullptr;
    explicit PlacedBlock(uintptr_t at, size_t size) {
        for (uintptr_t hint = at; hint < at + (uintptr_t{1} << 34) && !address; hint += uintptr_t{1} << 30)
            address = VirtualAlloc(reinterpret_cast<void*>(hint), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    }
    ~PlacedBlock() {
        if (address) VirtualFree(address, 0, MEM_RELEASE);
    }
};

}  // namespace

TEST(CabExtractor, CabinetsAnywhereInTheAddressSpace) {
    const std::string cabinet = Cab("valid", "simple.cab");
    std::string want;
    ASSERT_TRUE(ReadBytes(FixturesDirectory() + "\\expected\\simple\\welcome.c", &want));
    // Below 4 GB the block gets the classic 22-character name; above it (64-bit programs) the
    // 30-character one. Both must reach the same bytes.
    const uintptr_t places[] = {uintptr_t{0x10000000}, sizeof(void*) > 4 ? uintptr_t(0x300000000ull) : 0};
    for (uintptr_t at : places) {
        if (!at) continue;
        SCOPED_TRACE(at);
        PlacedBlock block(at, cabinet.size());
        ASSERT_NE(block.address, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block.address) > 0xFFFFFFFFu, at > 0xFFFFFFFFu);
        std::memcpy(block.address, cabinet.data(), cabinet.size());
        C_CabExtractor extractor;
        ASSERT_TRUE(extractor.OpenMemory(block.address, cabinet.size()));
        ASSERT_TRUE(extractor.ExtractToMemory());
        ASSERT_NE(extractor.receivedData(), nullptr);
        EXPECT_EQ(std::string(static_cast<const char*>(extractor.receivedData()), extractor.receivedSize()), want);
    }
}
