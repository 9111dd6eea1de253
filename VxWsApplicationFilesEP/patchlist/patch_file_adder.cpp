#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "VxWsApplicationFilesEP/patchlist/new_file_warning.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/automation/project_batch.h"
#include "ide/framework/message_service.h"
#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"

namespace vx {
namespace {

constexpr UINT kFeatureKey = 1;
// The File table's and the project's key columns hold 72 characters.
constexpr size_t kMaxKeyLength = 72;

// Used by the COM and directory tests: a table in the file or one made for the session.
bool TableUsable(MSIHANDLE database, const char16_t* table) {
    const MSICONDITION state = MsiDatabaseIsTablePersistentW(database, table);
    return state == MSICONDITION_TRUE || state == MSICONDITION_FALSE;
}

// Used by the self-registration test: anything but "no such table".
bool TablePresent(MSIHANDLE database, const char16_t* table) {
    return MsiDatabaseIsTablePersistentW(database, table) != MSICONDITION_NONE;
}

// The base of a new file's key: `base` itself when it fits the key column, otherwise shortened
// to the column's length.
std::u16string FitNewFileKeyBase(std::u16string base) {
    if (base.size() <= kMaxKeyLength) {
        return base;
    }
    // The extension is the text from the last '.'; the characters before it give way, so that a
    // long "name.dll" keeps its ".dll". A base without one, or whose extension alone would
    // fill the key, is cut at the end.
    const size_t dot = base.rfind(u'.');
    const size_t excess = base.size() - kMaxKeyLength;
    if (dot != std::u16string::npos && dot > excess) {
        base.erase(dot - excess, excess);
    } else {
        base.resize(kMaxKeyLength);
    }
    return base;
}

// Keys come from the package and the project: they are bound to the query's markers, never
// pasted into its text, since the installer's SQL has no escape for a quote inside a string.
bool Finds(MSIHANDLE database, std::u16string_view query,
           std::initializer_list<QueryValue> values) {
    CMsiHandle view;
    CMsiRecord record;
    return QueryFirstRecord(view, database, record, query, values) == ERROR_SUCCESS;
}

} // namespace

std::u16string FileNamePart(const std::u16string& path) {
    const size_t slash = path.rfind(kNativeSeparator);
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

CPatchFileAdder::CPatchFileAdder(IPatchProject* patchProject, IProjectRoot* projectRoot)
    : m_patchProject(patchProject), m_projectRoot(projectRoot) {}

ComPtr<IPatchFile> CPatchFileAdder::AddPatchFile(const std::u16string& key, int32_t type,
                                                 const std::u16string& newFilePath,
                                                 DuplicateNotice notice) {
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(m_patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IPatchFile> existing;
    const Variant keyValue(std::u16string_view{key});
    ThrowIfFailed(files->Item(keyValue.Get(), existing.ReleaseAndGetAddressOf()));
    if (existing) {
        if (notice == DuplicateNotice::Show) {
            AppMessageBox(LoadStringResource(IDS_SAME_FILE_TWICE), MB_OK);
        }
        return nullptr;
    }

    // The entry and its settings are written as one update: one commit instead of one per
    // setting. A failure on the way still keeps the steps already done.
    CProjectBatch update(m_patchProject.Get());
    ComPtr<IUnknown> item;
    ThrowIfFailed(m_patchProject->CreateItem(kPatchFileItemKind, key.c_str(), u"",
                                             item.ReleaseAndGetAddressOf()));
    ComPtr<IPatchFile> entry;
    ThrowIfFailed(item.As(entry));
    ThrowIfFailed(entry->PutType(type));
    ThrowIfFailed(entry->PutNewFilePath(newFilePath.c_str()));
    if (type == kPatchTypeNewFile) {
        const char16_t* directory = DirectoryExists(u"INSTALLDIR") ? u"INSTALLDIR" : u"TARGETDIR";
        ThrowIfFailed(entry->PutDestinationDir(directory));
        ThrowIfFailed(entry->PutFeature(GetDefaultFeature().c_str()));
    }
    bool registers = false;
    if (HasSelfRegEntry(key)) {
        ThrowIfFailed(entry->PutSelfReg(VARIANT_TRUE));
        registers = true;
    }
    if (HasComInfo(key)) {
        ThrowIfFailed(entry->PutExtractCOM(VARIANT_TRUE));
        registers = true;
    }
    update.Commit();
    if (registers) {
        WarnIfNewFileRegisters(entry.Get());
    }
    return entry;
}

CMsiHandle CPatchFileAdder::OpenOriginalPackage() {
    BStr stored;
    ThrowIfFailed(m_patchProject->GetOriginalPackage(stored.Out()));
    const std::u16string path = ExpandProjectPath(m_patchProject.Get(), stored.ToString());
    CMsiHandle database;
    const UINT result = MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, database.Out());
    RequireOriginalPackageKind(database, path);
    CheckMsiResult(result, kApiOpenDatabase, path);
    return database;
}

bool CPatchFileAdder::HasSelfRegEntry(const std::u16string& key) {
    CMsiHandle database = OpenOriginalPackage();
    if (TablePresent(database, u"SelfReg") &&
        Finds(database, u"SELECT * FROM `SelfReg` WHERE `File_`=?", {key})) {
        return true;
    }
    return TablePresent(database, u"VXSelfReg") &&
           Finds(database, u"SELECT * FROM `VXSelfReg` WHERE `FileKey`=?", {key});
}

bool CPatchFileAdder::HasComInfo(const std::u16string& key) {
    CMsiHandle database = OpenOriginalPackage();
    if (!TableUsable(database, u"File") || !TableUsable(database, u"Component")) {
        return false;
    }
    std::u16string component;
    {
        CMsiHandle view;
        CMsiRecord file;
        if (QueryFirstRecord(view, database, file, u"SELECT * FROM `File` WHERE `File`=?", {key}) !=
            ERROR_SUCCESS) {
            return false;
        }
        component = file.GetString(kFileComponent);
    }
    if (!Finds(database, u"SELECT * FROM `Component` WHERE `Component`=? AND `KeyPath`=?",
               {component, key})) {
        return false;
    }
    if (TableUsable(database, u"Class") &&
        Finds(database, u"SELECT * FROM `Class` WHERE `Component_`=?", {component})) {
        return true;
    }
    return TableUsable(database, u"TypeLib") &&
           Finds(database, u"SELECT * FROM `TypeLib` WHERE `Component_`=?", {component});
}

bool CPatchFileAdder::DirectoryExists(const std::u16string& directoryKey) {
    CMsiHandle database = OpenOriginalPackage();
    return TableUsable(database, u"Directory") &&
           Finds(database, u"SELECT * FROM `Directory` WHERE `Directory`=?", {directoryKey});
}

std::u16string CPatchFileAdder::GetDefaultFeature() {
    CMsiHandle database = OpenOriginalPackage();
    CMsiHandle view;
    CMsiRecord feature;
    QueryFirstRecord(view, database, feature, u"SELECT * FROM `Feature` WHERE `Feature_Parent`=''");
    return feature ? feature.GetString(kFeatureKey) : std::u16string();
}

std::u16string CPatchFileAdder::MakeNewFileKey(const std::u16string& fileName) {
    // The whole name is the base; only a base that would pass the key column is shortened.
    // Each pass appends digits and shortens again, so once the digits no longer fit the base
    // stops changing: the same question would get the same answer, and the search stops.
    std::u16string base = FitNewFileKeyBase(fileName);
    for (uint32_t counter = 1;; ++counter) {
        BStr answer;
        ThrowIfFailed(m_projectRoot->GetUniqueValue(kPatchFileTable, kPatchFileKeyColumn,
                                                    base.c_str(), -1, 0, 0, answer.Out()));
        const std::u16string candidate = answer.ToString();
        CMsiHandle database = OpenOriginalPackage();
        if (!Finds(database, u"SELECT * FROM `File` WHERE `File`=?", {candidate})) {
            return candidate;
        }
        std::u16string next = FitNewFileKeyBase(base + FormatString(u"%u", counter));
        if (next == base) {
            break;
        }
        base = std::move(next);
    }
    PublishErrorDescription(
        FormatString(u"No key for the new file %s is free in the original package.", fileName));
    ThrowIfFailed(E_FAIL);
    return {};
}

} // namespace vx
