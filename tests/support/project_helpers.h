#pragma once
// Short ways to a patch project and its objects, its entries' keys and settings, and what it
// announces.

#include "ide/automation/project_factory.h"
#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"

#include <ostream>
#include <string>
#include <vector>

namespace vx::testing {

inline ComPtr<IProject> NewProject(const std::u16string& path, const std::u16string& original,
                                   std::u16string_view type = kPatchProjectType,
                                   ProjectOpenOptions options = {}) {
    ComPtr<IProject> project;
    ThrowIfFailed(CreateProject(path, type, original, options, project.ReleaseAndGetAddressOf()));
    return project;
}

inline ComPtr<IProject> ReopenProject(const std::u16string& path, ProjectOpenOptions options = {}) {
    ComPtr<IProject> project;
    ThrowIfFailed(OpenProject(path, options, project.ReleaseAndGetAddressOf()));
    return project;
}

inline ComPtr<IPatchProject> PatchOf(IProject* project) {
    ComPtr<IKestromProject> link;
    ThrowIfFailed(project->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()));
    ComPtr<IPatchProject> patch;
    ThrowIfFailed(link->GetPatchProject(patch.ReleaseAndGetAddressOf()));
    return patch;
}

inline ComPtr<IPatchFiles> FilesOf(IPatchProject* patch) {
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(patch->GetFiles(files.ReleaseAndGetAddressOf()));
    return files;
}

inline ComPtr<IPatchFile> Entry(IPatchProject* patch, const std::u16string& key) {
    ComPtr<IPatchFile> entry;
    const Variant value(std::u16string_view{key});
    ThrowIfFailed(FilesOf(patch)->Item(value.Get(), entry.ReleaseAndGetAddressOf()));
    return entry;
}

inline ComPtr<IPatchFile> CreateEntry(IPatchProject* patch, const std::u16string& key) {
    ComPtr<IUnknown> item;
    ThrowIfFailed(
        patch->CreateItem(kPatchFileItemKind, key.c_str(), u"", item.ReleaseAndGetAddressOf()));
    ComPtr<IPatchFile> entry;
    ThrowIfFailed(item.As(entry));
    return entry;
}

// The keys of every entry, in the order the collection enumerates them.
inline std::vector<std::u16string> KeysOf(IPatchProject* patch) {
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(FilesOf(patch)->NewEnum(entries.ReleaseAndGetAddressOf()));
    std::vector<std::u16string> keys;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        ThrowIfFailed(entries->Next(1, item.Get(), &fetched));
        if (fetched == 0) {
            return keys;
        }
        ComPtr<IPatchFile> entry;
        ThrowIfFailed(item.Get()->punkVal->QueryInterface(IPatchFile::kIid,
                                                          entry.ReleaseAndGetVoidAddress()));
        BStr key;
        ThrowIfFailed(entry->GetKey(key.Out()));
        keys.push_back(key.ToString());
    }
}

// Records what a project announces, one line per event: "table key change property" or
// "property NAME".
class RecordingSink final : public ComObject<RecordingSink, IProjectEvents2> {
public:
    HRESULT ChangeEvent(const char16_t* property) override {
        events.push_back(u"property " + std::u16string(property));
        return S_OK;
    }
    HRESULT OnItemChanged2(const char16_t* table, const char16_t* key, ItemChange change,
                           const char16_t* property) override {
        events.push_back(std::u16string(table) + u" " + key + u" " +
                         static_cast<char16_t>(u'0' + change) + u" " + property);
        return S_OK;
    }
    std::vector<std::u16string> events;
};

// The event of a change of several entries at once.
inline constexpr char16_t kSeveralEntries[] = u"VXKestromFile  2 ";

inline ComPtr<RecordingSink> Listen(IProject* project) {
    auto sink = MakeComObject<RecordingSink>();
    DWORD cookie = 0;
    ThrowIfFailed(project->Advise(sink.Get(), &cookie));
    return sink;
}

// Every setting of an entry, read or expected in one go.
struct EntrySettings {
    int32_t type = kPatchTypeUpdate;
    std::u16string newFilePath;
    bool selfReg = false;
    bool extractCom = false;
    bool overwrite = false;
    std::u16string feature;
    std::u16string destinationDir;
    friend bool operator==(const EntrySettings&, const EntrySettings&) = default;
    friend void PrintTo(const EntrySettings& s, std::ostream* out) {
        *out << "type " << s.type << ", path " << Utf16ToUtf8(s.newFilePath) << ", flags "
             << s.selfReg << s.extractCom << s.overwrite << ", feature " << Utf16ToUtf8(s.feature)
             << ", folder " << Utf16ToUtf8(s.destinationDir);
    }
};

inline EntrySettings SettingsOf(IPatchFile* entry) {
    const PatchEntry e = ReadPatchEntry(entry);
    return {e.type,      e.newFilePath, e.selfReg,       e.extractCom,
            e.overwrite, e.feature,     e.destinationDir};
}

// The description a failed call left in the thread's error information.
inline std::string LastErrorText(HRESULT hr) {
    return com_exception(hr).what();
}

} // namespace vx::testing
