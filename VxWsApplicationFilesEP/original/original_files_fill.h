#pragma once
// Fills the Original Setup Files model from the original package: every file under its resolved
// destination folder, sorted. Files installed straight into TARGETDIR are not shown.

#include "VxWsApplicationFilesEP/original/original_files_model.h"

#include <functional>
#include <string>

namespace vx {

// The root's label.
inline constexpr char16_t kOriginalSetupFilesLabel[] = u"Original Setup Files";

// `packagePath` is the package's path on this machine, path variables already expanded. A
// package that cannot be opened leaves the root alone, without a message. Failures of the File
// query, of a fetch or of a lookup raise CComException; nodes placed before stay.
// `rowsRead`, when given, hears every kRowsPerReport rows how many were read; answering false
// stops the fill there (the author cancelled), with the nodes placed so far.
inline constexpr size_t kRowsPerReport = 512;
void FillOriginalFiles(OriginalFilesModel& model, const std::u16string& packagePath,
                       const std::function<bool(size_t rowsRead)>& rowsRead = {});

// The folder path of a file: File -> Component_ -> Directory_ resolved in target mode; empty
// when the File row is missing.
class CVxMsiPackageItf;
std::u16string FileFolderPath(CVxMsiPackageItf& package, const std::u16string& fileKey);

} // namespace vx
