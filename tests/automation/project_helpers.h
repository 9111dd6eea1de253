#pragma once
// Short ways to a patch project and its objects for the automation and patch-list tests.

#include "ide/automation/project_factory.h"
#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

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

inline std::u16string Text(HRESULT hr, const BStr& text) {
    ThrowIfFailed(hr);
    return text.ToString();
}

inline std::u16string KeyOf(IPatchFile* entry) {
    BStr key;
    ThrowIfFailed(entry->GetKey(key.Out()));
    return key.ToString();
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
