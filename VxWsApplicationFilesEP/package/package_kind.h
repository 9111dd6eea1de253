#pragma once
// What kind of file is given where an original package is expected. Patches, transforms and
// merge modules are compound files of the installer too, and the engine opens some of them; the
// author should hear what the file is, not that a query of the File table failed.

#include "platform/msi/msi_api.h"

#include <string>
#include <string_view>

namespace vx {

enum class InstallerFileKind {
    Database,          // an installer database (.msi), or one we cannot tell apart from it
    MergeModule,       // an installer database with a ModuleSignature table (.msm)
    Patch,             // {000C1086-...}
    Transform,         // {000C1082-...}
    OtherCompoundFile, // a compound file of another class
    NotCompoundFile,   // anything else, including empty and truncated files
    Unreadable,        // missing or not readable: the caller's own open failure says why
};

// Reads the file's header and root directory entry only: two small reads, whatever its size.
// A database is not told apart from a merge module here (that needs its tables).
InstallerFileKind ClassifyInstallerFile(std::u16string_view path);

// The sentence that names a file of `kind` found at `path` for what it is; empty for a
// database and for an unreadable file.
std::u16string WrongPackageKindText(std::u16string_view path, InstallerFileKind kind);

// Raises a CComException with that sentence when the file at `path` cannot be an original
// package: called after an open (`database` 0 when it failed). A database with a File table
// and no ModuleSignature table passes without reading the file again.
void RequireOriginalPackageKind(MSIHANDLE database, std::u16string_view path);

} // namespace vx
