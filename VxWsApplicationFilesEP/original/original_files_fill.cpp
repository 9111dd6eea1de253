#include "VxWsApplicationFilesEP/original/original_files_fill.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "ide/framework/path_util.h"

#include <array>
#include <memory>

namespace vx {
namespace {

// The File row's key and name are read into buffers of these sizes; longer values arrive cut.
constexpr MsiDWORD kKeyRoom = 100;
constexpr MsiDWORD kFileNameRoom = 260;

constexpr std::u16string_view kFileTable = u"File";
constexpr std::u16string_view kComponentTable = u"Component";
constexpr std::u16string_view kNoClause = u"";
constexpr std::u16string_view kRootFolder = u"TARGETDIR";

template <MsiDWORD Room> std::u16string ReadCut(MSIHANDLE record, UINT field) {
    std::array<char16_t, Room> buffer;
    buffer[0] = u'\0';
    MsiDWORD size = Room;
    MsiRecordGetStringW(record, field, buffer.data(), &size); // a cut value is used as it is
    return std::u16string(buffer.data());
}

} // namespace

std::u16string FileFolderPath(CVxMsiPackageItf& package, const std::u16string& fileKey) {
    const CMsiRecord file = package.FindRecord(kFileTable, kFileTable, fileKey, kNoClause);
    if (!file.HasRow()) {
        return {};
    }
    const CMsiRecord component = package.FindRecord(kComponentTable, kComponentTable,
                                                    file.GetString(kFileComponent), kNoClause);
    return package.GetDirectoryPath(component.GetString(kComponentDirectory));
}

void FillOriginalFiles(OriginalFilesModel& model, const std::u16string& packagePath,
                       const std::function<bool(size_t rowsRead)>& rowsRead) {
    auto package = std::make_unique<CVxMsiPackage>(packagePath);
    CMsiHandle database;
    if (MsiOpenDatabaseW(packagePath.c_str(), MSIDBOPEN_READONLY, database.Out()) == 0) {
        RequireOriginalPackageKind(database, packagePath);
        CMsiView view;
        OpenViewChecked(database, u"SELECT * FROM File", view.Out());
        ExecuteView(view, 0);
        for (size_t rows = 0;; ++rows) {
            if (rowsRead && rows % kRowsPerReport == 0 && rows > 0 && !rowsRead(rows)) {
                break;
            }
            MSIHANDLE fetched = 0;
            const UINT result = MsiViewFetch(view, &fetched);
            if (result == ERROR_NO_MORE_ITEMS) {
                break;
            }
            CheckMsiResult(result, kApiViewFetch);
            const CMsiHandle row(fetched);
            std::u16string key = ReadCut<kKeyRoom>(row, kFileKey);
            const std::u16string fileName = ReadCut<kFileNameRoom>(row, kFileName);
            const std::u16string folder = FileFolderPath(*package, key);
            if (folder == kRootFolder) {
                continue; // files of the root folder itself are not listed
            }
            model.PlaceFile(folder, std::move(key), UtilRemoveShortName(fileName));
        }
    }
    database.Close();
    package.reset();
    model.Sort();
}

} // namespace vx
