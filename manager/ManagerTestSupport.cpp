#include "manager/ManagerTestSupport.h"

#include "common/ComObject.h"
#include "manager/ZULManager.h"
#include "common/ProgramTestSupport.h"

using Microsoft::WRL::ComPtr;

namespace managertest {

namespace {

const CLSID kFakeClsid = {0x2C7D1E90, 0x5A4B, 0x4F3C, {0x8E, 0x2D, 0x1B, 0x0A, 0x9F, 0x8E, 0x7D, 0xC1}};

class FakeItemInstaller final : public ComObject<I_ItemInstaller> {
public:
    STDMETHODIMP InstallItem(I_ZULItem* pItem, ZULError* ret) override {
        FakeInstallerState& state = FakeInstaller();
        Offer offer;
        ZULError read;
        char* id = nullptr;
        pItem->GetGUID(&id, &read);
        offer.id = Take(id);
        for (const char* const* name = kOfferedProps; *name; ++name) {
            char* value = nullptr;
            if (pItem->GetProp(Text(*name), &value, &read) == S_OK) offer.props[*name] = Take(value);
        }
        state.installs.push_back(offer);
        if (state.onInstall) state.onInstall(pItem);
        *ret = state.installCode;
        return state.installHr;
    }
    STDMETHODIMP UninstallItem(I_ZULItem* pItem, ZULError* ret) override {
        ZULError read;
        char* id = nullptr;
        pItem->GetGUID(&id, &read);
        FakeInstaller().uninstalls.push_back(Take(id));
        *ret = ZULERR_SUCCESS;
        return S_OK;
    }
};

class FakeFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return ComObject<I_ItemInstaller>::Create<FakeItemInstaller>(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

FakeFactory g_fakeFactory;

}  // namespace

const char* const kOfferedProps[] = {"Type", "Name", "Channel", "FileSets", "Recorded", "Extra", nullptr};

FakeInstallerState& FakeInstaller() {
    static FakeInstallerState state;
    return state;
}

std::string TestArchive(const char* fileName) {
    return testsupport::BinDirectory() + "\\testdata\\manager\\" + fileName;
}

std::string ChannelKey(const char* id) { return std::string(recordtest::kChannelsKey) + "\\" + id; }
std::string ItemKey(const char* id) { return std::string(recordtest::kItemsKey) + "\\" + id; }
std::string FileSetKey(const char* id) { return std::string(recordtest::kFileSetsKey) + "\\" + id; }
std::string InstallerKey(const char* type) { return std::string(kProductKey) + "\\ItemInstaller\\" + type; }

std::string Block(const char* type, const std::vector<std::string>& lines) {
    std::string text = std::string(type) + "\r\n{\r\n";
    for (const std::string& line : lines) text += "   " + line + "\r\n";
    return text + "}\r\n";
}

std::string FileSetBlock(const char* id, const std::string& source) {
    return Block("FileSet", {std::string("GUID=") + id, "SourceURL=" + source});
}

std::vector<InstallRecord> ReadInstallLog(const std::string& path) {
    std::vector<InstallRecord> records;
    const std::string text = testsupport::ReadFileText(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line == "[TestInstall]") {
            records.emplace_back();
        } else if (!records.empty()) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) records.back()[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return records;
}

bool PathExists(const std::string& path) { return testsupport::PathExists(path); }

void ManagerTest::SetUpTestSuite() {
    testsupport::StopAllManagers();
    ASSERT_EQ(testsupport::RunProgram(testsupport::BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
}

void ManagerTest::TearDownTestSuite() { testsupport::StopAllManagers(); }

std::string ManagerTest::Scratch(const char* name) { return testsupport::MakeScratchDirectory(name); }

void ManagerTest::SetUp() {
    RecordsTest::SetUp();
    FakeInstaller() = FakeInstallerState();
    m_managerDir = Scratch("manager");
    m_installLog = m_managerDir + "\\install.log";
    WriteValue(kProductKey, ProductKeys::kPath, m_managerDir);
    ASSERT_EQ(ComObject<I_ZULManager>::Create<ZULManager>(IID_I_ZULManager, &m_manager), S_OK);
    ASSERT_EQ(CoRegisterClassObject(kFakeClsid, &g_fakeFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &m_fakeCookie),
              S_OK);
    ZULError ret;
    ASSERT_EQ(m_manager->RegisterItemInstaller(Text(kFakeType), Text(kFakeClsidText), &ret), S_OK);
}

void ManagerTest::TearDown() {
    if (m_fakeCookie) CoRevokeClassObject(m_fakeCookie);
    m_manager.Reset();
    RecordsTest::TearDown();
}

Outcome ManagerTest::Process(const std::string& text) {
    ComPtr<I_ResponseData> response;
    ZULError ret;
    if (m_manager->GetResponseData(&response, &ret) != S_OK) return {E_FAIL, ret};
    std::string copy = text;
    if (response->LoadMem(copy.data(), &ret) != S_OK) return {E_FAIL, ret};
    return OUTCOME(m_manager->ProcessResponseData(response.Get(), &ret));
}

Outcome ManagerTest::Subscribe(const char* id) { return OUTCOME(m_manager->SubscribeChannel(Text(id), &ret)); }

LONG ManagerTest::IsSubscribed(const char* id) {
    LONG subscribed = -1;
    ZULError ret;
    EXPECT_EQ(m_manager->IsChannelSubscribed(Text(id), &subscribed, &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    return subscribed;
}

}  // namespace managertest
