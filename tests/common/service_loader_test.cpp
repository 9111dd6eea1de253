// The service object loader over folder trees of its own: the search order, the remembered
// handles, the current folder around a load and the failures.

#include "ide/framework/service_object_loader.h"
#include "platform/com/com_exception.h"
#include "platform/com/error_info.h"
#include "platform/sys/file_system.h"
#include "platform/sys/wide_string.h"
#include "support/scratch_folder.h"
#include "tests/common/probe_interface.h"

#include "support/com_failure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace vx;
using namespace vx::testing;
namespace fs = std::filesystem;

namespace {

std::u16string U(const fs::path& path) {
    return Utf8ToUtf16(path.string());
}

void Place(const fs::path& source, const fs::path& target) {
    fs::create_directories(target.parent_path());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
}

// A host program at <root>/apps/ide/bin/host, the common files folder at <root>/common, and
// the machine settings naming it.
struct Tree {
    ScratchFolder temp;
    fs::path own = temp / "apps/ide/bin";
    fs::path common = temp / "common";
    fs::path settings = temp / "machine.ini";
    ScopedEnv env{"VX_MACHINE_SETTINGS", settings.string()};

    Tree() {
        fs::create_directories(own);
        std::ofstream(settings) << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                   "CurrentVersion]\nCommonFilesDir="
                                << common.string() << "\n";
    }
    CServiceObjectLoader Loader() const { return CServiceObjectLoader(U(own / "host")); }
};

struct ProbeAnswer {
    std::string moduleFile;
    std::string loadFolder;
};

ProbeAnswer AskProbe(CServiceObjectLoader& loader, std::u16string_view name) {
    ComPtr<IClassFactory> factory;
    const HRESULT hr = loader.GetClassObject(name, CLSID_Probe, factory.ReleaseAndGetAddressOf());
    EXPECT_EQ(hr, S_OK);
    if (FAILED(hr)) {
        return {};
    }
    ComPtr<IProbe> probe;
    EXPECT_EQ(factory->CreateInstance(nullptr, IProbe::kIid, probe.ReleaseAndGetVoidAddress()),
              S_OK);
    BStr file;
    BStr folder;
    probe->GetModuleFile(file.Out());
    probe->GetLoadFolder(folder.Out());
    return {Utf16ToUtf8(file.ToString()), Utf16ToUtf8(folder.ToString())};
}

std::u16string TakeErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.ReleaseAndGetAddressOf()) != S_OK) {
        return {};
    }
    BStr description;
    info->GetDescription(description.Out());
    return description.ToString();
}

} // namespace

TEST(ServiceLoaderSearch, TakesTheFirstExistingCandidateInOrder) {
    Tree tree;
    const fs::path candidates[] = {
        tree.own / "Probe.so",
        tree.own / "System/Probe.so",
        tree.common / "Veyrix/Probe.so",
        tree.common / "Veyrix/Orvane/Probe.so",
        tree.temp / "apps/ide/System/Probe.so",
        tree.temp / "apps/ide/lib/vxide/Probe.so",
        tree.temp / "apps/System/Probe.so",
        tree.temp / "apps/lib/vxide/Probe.so",
    };
    for (const auto& candidate : candidates) {
        Place(VX_PROBE_MODULE, candidate);
    }
    CServiceObjectLoader loader = tree.Loader();
    for (const auto& candidate : candidates) {
        EXPECT_EQ(loader.ChooseModuleFile(u"Probe.dll"), U(candidate));
        fs::remove(candidate);
    }
    // Nothing left: the bare file name goes to the system's own library search. Four fixed
    // candidates were tried, then the System and the private library folder of each folder
    // above the program's, nearest first, down to (and not including) the root.
    std::vector<std::u16string> probed;
    loader.SetPathProbeObserver([&](const std::u16string& path) { probed.push_back(path); });
    EXPECT_EQ(loader.ChooseModuleFile(u"Probe.dll"), u"Probe.so");
    ASSERT_GE(probed.size(), 6u);
    EXPECT_EQ(probed[4], U(tree.temp / "apps/ide/System/Probe.so"));
    EXPECT_EQ(probed[5], U(tree.temp / "apps/ide/lib/vxide/Probe.so"));
    const fs::path top = fs::path("/") / *std::next(tree.own.begin());
    EXPECT_EQ(probed[probed.size() - 2], U(top / "System/Probe.so"));
    EXPECT_EQ(probed.back(), U(top / "lib/vxide/Probe.so"));
    EXPECT_EQ(std::count(probed.begin(), probed.end(), u"/System/Probe.so"), 0);
    EXPECT_EQ(std::count(probed.begin(), probed.end(), u"/lib/vxide/Probe.so"), 0);

    // A folder of that name counts.
    fs::create_directories(tree.common / "Veyrix/Probe.so");
    EXPECT_EQ(loader.ChooseModuleFile(u"Probe.dll"), U(tree.common / "Veyrix/Probe.so"));

    // Without a common files folder its candidates start at the root.
    std::ofstream(tree.settings) << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                    "CurrentVersion]\n";
    CServiceObjectLoader bare = tree.Loader();
    probed.clear();
    bare.SetPathProbeObserver([&](const std::u16string& path) { probed.push_back(path); });
    bare.ChooseModuleFile(u"Other.dll");
    ASSERT_GE(probed.size(), 4u);
    EXPECT_EQ(probed[2], u"/Veyrix/Other.so");
    EXPECT_EQ(probed[3], u"/Veyrix/Orvane/Other.so");
}

TEST(ServiceLoaderLoad, LoadsWithItsOwnFolderCurrentAndRestoresIt) {
    Tree tree;
    Place(VX_PROBE_MODULE, tree.own / "System/Probe.so");
    CServiceObjectLoader loader = tree.Loader();
    const std::u16string before = GetCurrentDirectory();
    const ProbeAnswer answer = AskProbe(loader, u"Probe.dll");
    EXPECT_EQ(answer.moduleFile, (tree.own / "System/Probe.so").string());
    EXPECT_EQ(fs::path(answer.loadFolder), fs::canonical(tree.own / "System"));
    EXPECT_EQ(GetCurrentDirectory(), before);
}

TEST(ServiceLoaderLoad, RemembersHandlesByTheExactNameOnly) {
    Tree tree;
    Place(VX_PROBE_MODULE, tree.own / "Probe.so");
    CServiceObjectLoader loader = tree.Loader();
    const ProbeAnswer first = AskProbe(loader, u"Probe.dll");
    EXPECT_EQ(first.moduleFile, (tree.own / "Probe.so").string());

    // Same name, another class: the remembered module answers without any file test.
    int probes = 0;
    loader.SetPathProbeObserver([&](const std::u16string&) { ++probes; });
    fs::remove(tree.own / "Probe.so");
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(loader.GetClassObject(u"Probe.dll",
                                    MakeGuid("{00000000-0000-0000-0000-0000000000AB}"),
                                    factory.ReleaseAndGetAddressOf()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(probes, 0);
    EXPECT_EQ(AskProbe(loader, u"Probe.dll").moduleFile, first.moduleFile);
    EXPECT_EQ(probes, 0);

    // Another letter case is another name: searched and loaded again, from its own file.
    Place(VX_PROBE_MODULE, tree.own / "System/probe.so");
    const ProbeAnswer other = AskProbe(loader, u"probe.dll");
    EXPECT_GT(probes, 0);
    EXPECT_EQ(other.moduleFile, (tree.own / "System/probe.so").string());
}

TEST(ServiceLoaderLoad, ANameWithAFolderIsLoadedAsGivenWithoutSearch) {
    Tree tree;
    const fs::path elsewhere = tree.temp / "elsewhere/Probe.so";
    Place(VX_PROBE_MODULE, elsewhere);
    Place(VX_PROBE_MODULE, tree.own / "Probe.so");
    CServiceObjectLoader loader = tree.Loader();
    int probes = 0;
    loader.SetPathProbeObserver([&](const std::u16string&) { ++probes; });
    const ProbeAnswer answer = AskProbe(loader, U(tree.temp / "elsewhere/Probe.dll"));
    EXPECT_EQ(answer.moduleFile, elsewhere.string());
    EXPECT_EQ(probes, 0);
}

TEST(ServiceLoaderFailure, NoEntryPointStaysLoadedAndFailsEveryTime) {
    Tree tree;
    Place(VX_NO_ENTRY_MODULE, tree.own / "NoEntry.so");
    CServiceObjectLoader loader = tree.Loader();
    int probes = 0;
    loader.SetPathProbeObserver([&](const std::u16string&) { ++probes; });
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(loader.GetClassObject(u"NoEntry.dll", CLSID_Probe, factory.ReleaseAndGetAddressOf()),
              REGDB_E_CLASSNOTREG);
    EXPECT_NE(TakeErrorDescription().find(u"exports no DllGetClassObject"), std::u16string::npos);
    const int firstProbes = probes;
    EXPECT_GT(firstProbes, 0);
    EXPECT_EQ(loader.GetClassObject(u"NoEntry.dll", CLSID_Probe, factory.ReleaseAndGetAddressOf()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(probes, firstProbes) << "the loaded library is remembered";
    EXPECT_FALSE(factory);
}

TEST(ServiceLoaderFailure, AFailedLoadIsNotRemembered) {
    Tree tree;
    CServiceObjectLoader loader = tree.Loader();
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(loader.GetClassObject(u"Later.dll", CLSID_Probe, factory.ReleaseAndGetAddressOf()),
              REGDB_E_CLASSNOTREG);
    const std::u16string why = TakeErrorDescription();
    EXPECT_NE(why.find(u"\"Later.dll\" could not be loaded"), std::u16string::npos);
    // ThrowIfFailed turns it into the exception the callers raise, with that description.
    Place(VX_PROBE_MODULE, tree.own / "Later.so");
    EXPECT_EQ(AskProbe(loader, u"Later.dll").moduleFile, (tree.own / "Later.so").string());
}

TEST(CreateServiceObject, EmptyModuleNameGoesThroughTheClassTable) {
    struct Registered final : ComObject<Registered, IProbe> {
        HRESULT GetLoadFolder(BSTR* folder) override {
            *folder = SysAllocString(u"registered");
            return S_OK;
        }
        HRESULT GetModuleFile(BSTR* file) override {
            *file = nullptr;
            return S_OK;
        }
    };
    constexpr CLSID clsid = MakeGuid("{3C2B1A00-0000-4000-8000-0000000000C1}");
    ComPtr<IProbe> probe;
    EXPECT_EQ(CreateServiceObject(u"", clsid, probe), REGDB_E_CLASSNOTREG);
    RegisterClassObject(clsid, MakeComObject<SimpleClassFactory<Registered>>().Get());
    ASSERT_EQ(CreateServiceObject(u"", clsid, probe), S_OK);
    BStr folder;
    probe->GetLoadFolder(folder.Out());
    EXPECT_EQ(folder.ToString(), u"registered");
    RegisterClassObject(clsid, nullptr);
}

TEST(CreateServiceObject, FindsTheBuildsOwnModulesAndRaisesWithTheirDescription) {
    // The program's own loader: the build's private library folder lies above the test program.
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CServiceObjectLoader::Instance().GetClassObject(
                  u"VxCommonServices.dll", MakeGuid("{00000000-0000-0000-0000-0000000000AB}"),
                  factory.ReleaseAndGetAddressOf()),
              CLASS_E_CLASSNOTAVAILABLE);
    ComPtr<IUnknown> none;
    const HRESULT hr = CreateServiceObject(u"NoSuchServiceModule.dll", CLSID_Probe, none);
    const auto raised = RaisedBy([&] { ThrowIfFailed(hr); });
    EXPECT_EQ(raised.hr, REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(raised.Mentions(u"NoSuchServiceModule.dll"));
}

TEST(ModuleFileName, DllBecomesSo) {
    for (const auto& [name, file] : {std::pair{u"VxAppServices.dll", u"VxAppServices.so"},
                                     std::pair{u"X.DLL", u"X.so"}, std::pair{u"plain", u"plain"}}) {
        EXPECT_EQ(ModuleFileName(name), file);
    }
}
