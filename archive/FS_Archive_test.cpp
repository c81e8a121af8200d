#include "archive/FS_Archive.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "common/Handles.h"
#include "common/ServerModule.h"

using Microsoft::WRL::ComPtr;
using namespace archivetest;

namespace {

std::string Edge(const std::string& name) { return FixturesDirectory() + "\\edge\\" + name + ".FileSet"; }

ComPtr<I_FS_Archive> NewArchive() {
    ComPtr<I_FS_Archive> archive;
    EXPECT_EQ(FS_Archive::Create(archive.GetAddressOf()), S_OK);
    return archive;
}

// Opens path and returns the result code (with the HRESULT checked against it).
ZULError OpenCode(I_FS_Archive* archive, std::string path) {
    ZULError ret = ZULERR_FAILED;
    const HRESULT hr = archive->Open(path.data(), &ret);
    EXPECT_EQ(hr, ret == ZULERR_SUCCESS ? S_OK : S_FALSE) << path;
    return ret;
}

ZULError ExtractCode(I_FS_Archive* archive, std::string directory) {
    ZULError ret = ZULERR_FAILED;
    const HRESULT hr = archive->ExtractTo(directory.data(), &ret);
    EXPECT_EQ(hr, ret == ZULERR_SUCCESS ? S_OK : S_FALSE);
    return ret;
}

std::string Text(HRESULT (STDMETHODCALLTYPE I_FS_Archive::*getter)(char**, ZULError*), I_FS_Archive* archive) {
    CoTaskMemString text;
    ZULError ret = ZULERR_FAILED;
    EXPECT_EQ((archive->*getter)(text.put(), &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    return text.c_str();
}

long Number(HRESULT (STDMETHODCALLTYPE I_FS_Archive::*getter)(long*, ZULError*), I_FS_Archive* archive) {
    long value = -12345;
    ZULError ret = ZULERR_FAILED;
    EXPECT_EQ((archive->*getter)(&value, &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    return value;
}

}  // namespace

TEST(FS_Archive, PackedArchiveOpensDescribesAndExtracts) {
    ComPtr<I_FS_Archive> archive = NewArchive();
    ASSERT_EQ(OpenCode(archive.Get(), FixturesDirectory() + "\\sample.FileSet"), ZULERR_SUCCESS);
    EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "Sample File Set");
    EXPECT_EQ(Text(&I_FS_Archive::GetGUID, archive.Get()), "{5A1E0F3C-7B2D-4E6A-9C81-0D2F3B4A5C6E}");
    EXPECT_EQ(Number(&I_FS_Archive::GetFlags, archive.Get()), 6);

    const std::string sample = FixturesDirectory() + "\\sample";
    long files = 0, bytes = 0;
    for (const std::string& entry : ListTree(sample)) {
        if (entry.back() == '\\') continue;
        std::string content;
        ASSERT_TRUE(ReadBytes(sample + "\\" + entry, &content));
        ++files;
        bytes += static_cast<long>(content.size());
    }
    EXPECT_EQ(Number(&I_FS_Archive::GetNumFiles, archive.Get()), files);
    EXPECT_EQ(Number(&I_FS_Archive::GetTotalBytes, archive.Get()), bytes);

    // Every extraction decodes the payload again, over what is already there.
    Sandbox sandbox;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(ExtractCode(archive.Get(), sandbox / "channel\\"), ZULERR_SUCCESS);
        const std::vector<std::string> entries = ListTree(sample);
        EXPECT_EQ(ListTree(sandbox / "channel"), entries);
        for (const std::string& entry : entries) {
            if (entry.back() == '\\') continue;
            std::string want, got;
            ASSERT_TRUE(ReadBytes(sample + "\\" + entry, &want));
            ASSERT_TRUE(ReadBytes(sandbox / "channel\\" + entry, &got));
            EXPECT_TRUE(want == got) << entry;
        }
    }
}

TEST(FS_Archive, ContainerFaultsGiveTheirCodes) {
    struct Case {
        const char* name;
        ZULError code;
    } cases[] = {
        {"no_delimiter", ZULERR_NOT_FOUND},
        {"one_cabinet", ZULERR_NOT_FOUND},
        {"not_mscf", ZULERR_PARSE_ERROR},
        {"payload_not_mscf", ZULERR_PARSE_ERROR},
        {"bad_numfiles", ZULERR_PARSE_ERROR},
        {"empty", ZULERR_FILE_MAP_FAILED},
        {"does_not_exist", ZULERR_FILE_MAP_FAILED},
    };
    Sandbox sandbox;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<I_FS_Archive> archive = NewArchive();
        EXPECT_EQ(OpenCode(archive.Get(), Edge(c.name)), c.code);
        // A failed Open leaves nothing to extract.
        EXPECT_EQ(ExtractCode(archive.Get(), sandbox.path()), ZULERR_INVALID_OPERATION);
    }
    EXPECT_TRUE(ListDirectory(sandbox.path()).empty());
}

TEST(FS_Archive, FieldsReadBeforeAFailureStay) {
    ComPtr<I_FS_Archive> archive = NewArchive();
    EXPECT_EQ(OpenCode(archive.Get(), Edge("one_cabinet")), ZULERR_NOT_FOUND);
    EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "Edge");
    EXPECT_EQ(Number(&I_FS_Archive::GetNumFiles, archive.Get()), 2);

    // "NumFiles=two" stops the parse; the GUID before it was stored.
    EXPECT_EQ(OpenCode(archive.Get(), Edge("bad_numfiles")), ZULERR_PARSE_ERROR);
    EXPECT_EQ(Text(&I_FS_Archive::GetGUID, archive.Get()), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "");
    EXPECT_EQ(Number(&I_FS_Archive::GetNumFiles, archive.Get()), 0);
}

TEST(FS_Archive, ADescriptionCabinetWithoutTheDescriptionIsNoFault) {
    ComPtr<I_FS_Archive> archive = NewArchive();
    ASSERT_EQ(OpenCode(archive.Get(), Edge("no_description_file")), ZULERR_SUCCESS);
    EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "");
    EXPECT_EQ(Text(&I_FS_Archive::GetGUID, archive.Get()), "");
    EXPECT_EQ(Number(&I_FS_Archive::GetFlags, archive.Get()), 0);
    EXPECT_EQ(Number(&I_FS_Archive::GetNumFiles, archive.Get()), 0);
    EXPECT_EQ(Number(&I_FS_Archive::GetTotalBytes, archive.Get()), 0);
    Sandbox sandbox;
    ASSERT_EQ(ExtractCode(archive.Get(), sandbox.path()), ZULERR_SUCCESS);
    EXPECT_EQ(ListTree(sandbox.path()), (std::vector<std::string>{"hello.c", "welcome.c"}));

    // Anything after a third delimiter is ignored.
    ASSERT_EQ(OpenCode(archive.Get(), Edge("three_delimiters")), ZULERR_SUCCESS);
    EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "Edge");
}

TEST(FS_Archive, ExtractionFailuresAreReported) {
    Sandbox sandbox;
    ComPtr<I_FS_Archive> archive = NewArchive();
    // A payload cut short: refused at Open or at extraction, never reported as success.
    const ZULError opened = OpenCode(archive.Get(), Edge("corrupt_payload"));
    if (opened == ZULERR_SUCCESS) EXPECT_EQ(ExtractCode(archive.Get(), sandbox / "cut"), ZULERR_EXTRACT_FAILED);
    else EXPECT_EQ(opened, ZULERR_EXTRACT_FAILED);

    // Unsafe member names: the safe members are written, the rest never, and the extraction
    // reports the failure.
    ASSERT_EQ(OpenCode(archive.Get(), Edge("unsafe_payload")), ZULERR_SUCCESS);
    EXPECT_EQ(ExtractCode(archive.Get(), sandbox / "x\\out"), ZULERR_EXTRACT_FAILED);
    EXPECT_EQ(ListTree(sandbox / "x"), (std::vector<std::string>{"out\\", "out\\first.txt", "out\\last.txt"}));
}

TEST(FS_Archive, ArgumentsAndLifetime) {
    const LONG before = ServerModule::Count();
    {
        ComPtr<I_FS_Archive> archive = NewArchive();
        EXPECT_EQ(ServerModule::Count(), before + 1);  // a live object of the server
        ZULError ret = ZULERR_FAILED;
        EXPECT_EQ(archive->Open(nullptr, &ret), S_FALSE);
        EXPECT_EQ(ret, ZULERR_INVALID_ARGUMENT);
        std::string path = FixturesDirectory() + "\\sample.FileSet";
        EXPECT_EQ(archive->Open(path.data(), nullptr), E_INVALIDARG);
        EXPECT_EQ(archive->ExtractTo(nullptr, nullptr), E_INVALIDARG);

        // Unopened: the getters give the empty values.
        EXPECT_EQ(Text(&I_FS_Archive::GetName, archive.Get()), "");
        EXPECT_EQ(Number(&I_FS_Archive::GetTotalBytes, archive.Get()), 0);

        ComPtr<IUnknown> unknown;
        EXPECT_EQ(archive.As(&unknown), S_OK);
        ComPtr<I_FS_Archive> again;
        EXPECT_EQ(unknown.As(&again), S_OK);
        EXPECT_EQ(again.Get(), archive.Get());
    }
    EXPECT_EQ(ServerModule::Count(), before);
}
