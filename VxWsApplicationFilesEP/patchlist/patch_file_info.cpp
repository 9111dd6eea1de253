#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"

#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/framework/message_service.h"
#include "ide/framework/path_util.h"
#include "ide/framework/path_variables.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"

#include <array>

namespace vx {
namespace {

// Fields of the original package's rows.

// The buffers the version query is given, in characters.
constexpr MsiDWORD kVersionBufferSize = 25;
constexpr MsiDWORD kLanguageBufferSize = 5;

std::u16string NotInOriginal() {
    return std::u16string(LoadStringResource(IDS_FILE_NOT_IN_ORIGINAL));
}

} // namespace

std::u16string ExpandProjectPath(IUnknown* project, const std::u16string& path) {
    ComPtr<IPathVariables> variables;
    if (project) {
        project->QueryInterface(IPathVariables::kIid, variables.ReleaseAndGetVoidAddress());
    }
    return UtilGetAbsolutePathFromPathVar(path, variables.Get());
}

CPatchFileInfo::CPatchFileInfo() = default;

CPatchFileInfo::~CPatchFileInfo() {
    ClosePackage();
}

void CPatchFileInfo::AttachProject(IPatchProject* patchProject, bool warnWhenMissing) {
    m_patchProject = patchProject;
    if (!m_patchProject) {
        return;
    }
    BStr stored;
    ThrowIfFailed(m_patchProject->GetOriginalPackage(stored.Out()));
    const std::u16string expanded = ExpandProjectPath(m_patchProject.Get(), stored.ToString());
    const uint32_t attributes = GetFileAttributes(expanded);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_packagePath = expanded;
    } else if (warnWhenMissing) {
        AppMessageBox(FormatString(LoadStringResource(IDS_ORIGINAL_PACKAGE_MISSING), expanded),
                      MB_OK);
    }
}

void CPatchFileInfo::SetFileKey(std::u16string key) {
    m_fileKey = std::move(key);
}

void CPatchFileInfo::OpenPackage() {
    m_package = std::make_unique<CVxMsiPackage>(m_packagePath);
}

void CPatchFileInfo::ClosePackage() {
    m_package.reset();
}

ComPtr<IPatchFile> CPatchFileInfo::FindEntry() {
    ComPtr<IPatchFile> entry;
    if (!m_patchProject) {
        return entry;
    }
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(m_patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    const Variant key(std::u16string_view{m_fileKey});
    ThrowIfFailed(files->Item(key.Get(), entry.ReleaseAndGetAddressOf()));
    return entry;
}

std::u16string CPatchFileInfo::GetNewFilePath() {
    BStr path;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetNewFilePath(path.Out()));
    }
    return path.ToString();
}

void CPatchFileInfo::SetNewFilePath(const std::u16string& path) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutNewFilePath(path.c_str()));
    }
}

bool CPatchFileInfo::GetSelfReg() {
    VARIANT_BOOL value = VARIANT_FALSE;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetSelfReg(&value));
    }
    return value != VARIANT_FALSE;
}

void CPatchFileInfo::SetSelfReg(bool selfReg) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutSelfReg(selfReg ? VARIANT_TRUE : VARIANT_FALSE));
    }
}

bool CPatchFileInfo::GetExtractCOM() {
    VARIANT_BOOL value = VARIANT_FALSE;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetExtractCOM(&value));
    }
    return value != VARIANT_FALSE;
}

void CPatchFileInfo::SetExtractCOM(bool extractCom) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutExtractCOM(extractCom ? VARIANT_TRUE : VARIANT_FALSE));
    }
}

bool CPatchFileInfo::GetOverwrite() {
    VARIANT_BOOL value = VARIANT_FALSE;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetOverwrite(&value));
    }
    return value != VARIANT_FALSE;
}

void CPatchFileInfo::SetOverwrite(bool overwrite) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutOverwrite(overwrite ? VARIANT_TRUE : VARIANT_FALSE));
    }
}

bool CPatchFileInfo::GetDeleteOnPatch() {
    int32_t type = kPatchTypeUpdate;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetType(&type));
    }
    return type == kPatchTypeDelete;
}

void CPatchFileInfo::SetDeleteOnPatch(bool deleteOnPatch) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutType(deleteOnPatch ? kPatchTypeDelete : kPatchTypeUpdate));
    }
}

std::u16string CPatchFileInfo::GetFeature() {
    BStr feature;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetFeature(feature.Out()));
    }
    return feature.ToString();
}

void CPatchFileInfo::SetFeature(const std::u16string& feature) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutFeature(feature.c_str()));
    }
}

std::u16string CPatchFileInfo::GetDestinationDir() {
    BStr directory;
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->GetDestinationDir(directory.Out()));
    }
    return directory.ToString();
}

void CPatchFileInfo::SetDestinationDir(const std::u16string& directoryKey) {
    if (ComPtr<IPatchFile> entry = FindEntry()) {
        ThrowIfFailed(entry->PutDestinationDir(directoryKey.c_str()));
    }
}

std::u16string CPatchFileInfo::GetNewFileVersion() {
    const std::u16string path = ExpandProjectPath(m_patchProject.Get(), GetNewFilePath());
    if (path.empty()) {
        return std::u16string(LoadStringResource(IDS_NO_FILE_VERSION));
    }
    std::array<char16_t, kVersionBufferSize> version{};
    std::array<char16_t, kLanguageBufferSize> language{};
    MsiDWORD versionSize = kVersionBufferSize;
    MsiDWORD languageSize = kLanguageBufferSize;
    // A file without a version, or one that cannot be read, leaves the buffer empty.
    MsiGetFileVersionW(path.c_str(), version.data(), &versionSize, language.data(), &languageSize);
    version.back() = 0;
    return std::u16string(version.data());
}

CVxMsiPackage& CPatchFileInfo::Package() {
    if (!m_package) {
        PublishErrorDescription(u"The original package is not open.");
        ThrowIfFailed(E_UNEXPECTED);
    }
    return *m_package;
}

CMsiRecord CPatchFileInfo::FileRow() {
    return Package().FindRecord(u"File", u"File", m_fileKey, {});
}

std::u16string CPatchFileInfo::GetFileName() {
    const CMsiRecord file = FileRow();
    return file ? Package().GetLongFileName(file.GetString(kFileName)) : NotInOriginal();
}

std::u16string CPatchFileInfo::GetDestination() {
    const CMsiRecord file = FileRow();
    if (!file) {
        return NotInOriginal();
    }
    const CMsiRecord component =
        Package().FindRecord(u"Component", u"Component", file.GetString(kFileComponent), {});
    return Package().GetDirectoryPath(component.GetString(kComponentDirectory));
}

std::u16string CPatchFileInfo::GetFileVersion() {
    const CMsiRecord file = FileRow();
    return file ? file.GetString(kFileVersion) : NotInOriginal();
}

std::u16string CPatchFileInfo::GetFileLanguage() {
    const CMsiRecord file = FileRow();
    return file ? file.GetString(kFileLanguage) : NotInOriginal();
}

std::u16string CPatchFileInfo::GetComponentName() {
    const CMsiRecord file = FileRow();
    if (!file) {
        return NotInOriginal();
    }
    return Package()
        .FindRecord(u"Component", u"Component", file.GetString(kFileComponent), {})
        .GetString(kComponentKey);
}

std::u16string CPatchFileInfo::GetKeyFile() {
    const CMsiRecord file = FileRow();
    if (!file) {
        return NotInOriginal();
    }
    return Package()
        .FindRecord(u"Component", u"Component", file.GetString(kFileComponent), {})
        .GetString(kComponentKeyPath);
}

void CPatchFileInfo::GetDirectoryKeys(std::vector<std::u16string>& keys) {
    CMsiView* view = Package().OpenTableView(u"Directory", {});
    while (CMsiRecord row = view->Fetch()) {
        keys.push_back(row.GetString(kDirectoryKey));
    }
}

std::u16string CPatchFileInfo::ResolveDirectoryKey(const std::u16string& directoryKey) {
    return Package().GetDirectoryPath(directoryKey);
}

} // namespace vx
