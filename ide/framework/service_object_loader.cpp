#include "ide/framework/service_object_loader.h"

#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/machine_settings.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

namespace vx {
namespace {

constexpr char16_t kSystemFolder[] = u"System";
// The private library folder of the installation (and of the build tree, laid out alike):
// <prefix>/lib/vxide beside <prefix>/bin. VX_PRIVATE_LIBDIR comes from the build files.
constexpr char16_t kPrivateLibraryFolder[] = u"" VX_PRIVATE_LIBDIR;
constexpr char16_t kMakerFolder[] = u"Veyrix";
constexpr char16_t kProductFolder[] = u"Orvane";
constexpr char kEntryPoint[] = "DllGetClassObject";

// Everything this code asks for comes from the IDE's modules; every context is served alike.
constexpr DWORD kAnyContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

std::u16string Joined(std::u16string_view first, std::u16string_view second) {
    std::u16string path(first);
    AppendPathSegment(path, second, kNativeSeparator);
    return path;
}

// A module name with a folder in it (either separator) is a path and is loaded as given.
bool HasFolder(std::u16string_view name) {
    return name.find(u'/') != std::u16string_view::npos ||
           name.find(u'\\') != std::u16string_view::npos;
}

// The description the caller's ThrowIfFailed picks up; the HRESULT stays the one COM answers.
HRESULT ClassNotRegistered(const std::u16string& description) {
    try {
        PublishErrorDescription(description);
    } catch (const CException&) {
        // Without error information the caller still gets the system's text for the HRESULT.
    }
    return REGDB_E_CLASSNOTREG;
}

// Runs the load with the library's own folder as the current directory, as Windows' search for
// the library's dependencies starts there.
ModuleHandle LoadFromItsFolder(const std::u16string& file) {
    const std::u16string folder = ParentFolder(file);
    if (folder.empty()) {
        return LoadLibrary(file);
    }
    const std::u16string previous = GetCurrentDirectory();
    SetCurrentDirectory(folder);
    ModuleHandle module = LoadLibrary(file);
    SetCurrentDirectory(previous);
    return module;
}

} // namespace

std::u16string ModuleFileName(std::u16string_view moduleName) {
    std::u16string name(moduleName);
    constexpr std::u16string_view kDll = u".dll";
    if (name.size() >= kDll.size() &&
        EqualsIgnoreAsciiCase(std::u16string_view(name).substr(name.size() - kDll.size()), kDll)) {
        name.replace(name.size() - kDll.size(), kDll.size(), u".so");
    }
    return name;
}

CServiceObjectLoader& CServiceObjectLoader::Instance() {
    // Never destroyed: the modules it loaded stay loaded until the process ends.
    static auto* loader = new CServiceObjectLoader(
        GetModuleFileName(reinterpret_cast<const void*>(&CServiceObjectLoader::Instance)));
    return *loader;
}

CServiceObjectLoader::CServiceObjectLoader(std::u16string ownModuleFile)
    : m_ownModuleFile(std::move(ownModuleFile)) {}

bool CServiceObjectLoader::Probe(const std::u16string& path) const {
    if (m_probeObserver) {
        m_probeObserver(path);
    }
    return PathExists(path); // a folder of that name counts, as the attribute test does
}

std::u16string CServiceObjectLoader::ChooseModuleFile(std::u16string_view moduleName) const {
    std::u16string file = ModuleFileName(moduleName);
    if (HasFolder(file)) {
        for (char16_t& c : file) {
            if (c == u'\\') {
                c = kNativeSeparator;
            }
        }
        return file;
    }
    const std::u16string own = ParentFolder(m_ownModuleFile);
    if (m_ownModuleFile.empty()) {
        return file;
    }
    // The common files folder always ends in one separator; a missing value makes it "/".
    std::u16string common = GetCommonFilesDir();
    if (common.empty() || common.back() != kNativeSeparator) {
        common += kNativeSeparator;
    }
    const std::u16string candidates[] = {
        Joined(own, file),
        Joined(Joined(own, kSystemFolder), file),
        Joined(Joined(common, kMakerFolder), file),
        Joined(Joined(Joined(common, kMakerFolder), kProductFolder), file),
    };
    for (const auto& candidate : candidates) {
        if (Probe(candidate)) {
            return candidate;
        }
    }
    // Then, nearest first, each folder above the own folder: its System folder (where modules
    // lie on Windows) and its private library folder (where the build and an installation on
    // Linux put them: <prefix>/bin/vxide finds <prefix>/lib/vxide).
    for (std::u16string above = ParentFolder(own); !above.empty() && !IsRootFolder(above);
         above = ParentFolder(above)) {
        for (const std::u16string_view folder : {std::u16string_view(kSystemFolder),
                                                 std::u16string_view(kPrivateLibraryFolder)}) {
            const std::u16string candidate = Joined(Joined(above, folder), file);
            if (Probe(candidate)) {
                return candidate;
            }
        }
    }
    return file;
}

HRESULT CServiceObjectLoader::GetClassObject(std::u16string_view moduleName, const CLSID& clsid,
                                             IClassFactory** classObject) {
    if (!classObject) {
        return E_POINTER;
    }
    *classObject = nullptr;
    const std::u16string name(moduleName);
    auto found = m_modules.find(name);
    if (found == m_modules.end()) {
        const std::u16string file = ChooseModuleFile(name);
        ModuleHandle module = LoadFromItsFolder(file);
        if (!module) {
            return ClassNotRegistered(u"The service module \"" + name +
                                      u"\" could not be loaded (" + file + u"): " +
                                      Utf8ToUtf16(LastLoadFailure()));
        }
        found = m_modules.emplace(name, module).first;
    }
    const auto entry =
        reinterpret_cast<DllGetClassObjectFunction>(GetProcAddress(found->second, kEntryPoint));
    if (!entry) {
        return ClassNotRegistered(u"The service module \"" + name +
                                  u"\" exports no DllGetClassObject.");
    }
    return entry(clsid, IClassFactory::kIid, reinterpret_cast<void**>(classObject));
}

HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid, const IID& iid,
                            void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (moduleName.empty()) {
        return CoCreateInstance(clsid, nullptr, kAnyContext, iid, object);
    }
    ComPtr<IClassFactory> classObject;
    const HRESULT hr = CServiceObjectLoader::Instance().GetClassObject(
        moduleName, clsid, classObject.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        return hr; // the ComPtr releases a class object that came back with the failure
    }
    if (!classObject) {
        return E_POINTER;
    }
    return classObject->CreateInstance(nullptr, iid, object);
}

} // namespace vx
