#include "apps/vxpatch/reader_commands.h"

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "apps/vxpatch/console.h"
#include "platform/sys/format_string.h"

#include <memory>

namespace vx::cli {
namespace {

// The package object accepts a package it cannot open; a command should not. Nothing calls the
// installer between the open inside the constructor and this check, so the open's error record
// is still the thread's last one and the message carries the installer's own text.
std::unique_ptr<CVxMsiPackage> OpenPackage(const std::u16string& path) {
    auto package = std::make_unique<CVxMsiPackage>(path);
    RequireOriginalPackageKind(package->GetDatabaseHandle(), path);
    if (package->GetDatabaseHandle() == 0) {
        CheckMsiResult(ERROR_OPEN_FAILED, kApiOpenDatabase, path);
    }
    return package;
}

std::u16string Numbered(int value, std::u16string_view name) {
    return FormatString(u"%d %s", value, name);
}

int Dir(std::span<const std::u16string> args) {
    const bool sourceMode = args.size() == 3;
    if (sourceMode && args[2] != u"--source") {
        throw UsageError{};
    }
    auto package = OpenPackage(args[0]);
    const std::u16string& key = args[1];
    // The resolver reads a missing key as an empty row; on the command line that is a typo.
    if (key != u"TARGETDIR" &&
        !package->FindRecord(u"Directory", u"Directory", key, u"").HasRow()) {
        PrintError(FormatString(u"%s: no Directory row \"%s\"", args[0], key));
        return kExitFailure;
    }
    PrintLine(package->Resolver().ResolveDirectory(key, sourceMode));
    return kExitSuccess;
}

int Dirs(std::span<const std::u16string> args) {
    auto package = OpenPackage(args[0]);
    CMsiView* view = package->OpenTableView(u"Directory", u"");
    while (CMsiRecord row = view->Fetch()) {
        const std::u16string key = row.GetString(1);
        PrintLine(key + u"\t" + package->Resolver().ResolveDirectory(key, false) + u"\t" +
                  package->Resolver().ResolveDirectory(key, true));
    }
    return kExitSuccess;
}

int CompareVersionsCommand(std::span<const std::u16string> args) {
    const VersionRelation relation = CompareVersionStrings(args[0], args[1]);
    PrintLine(Numbered(static_cast<int>(relation), VersionRelationName(relation)));
    return kExitSuccess;
}

int ComparePackages(std::span<const std::u16string> args) {
    auto package = OpenPackage(args[0]);
    auto other = OpenPackage(args[1]);
    const PackageRelation relation = package->CompareWithPackage(other.get());
    PrintLine(Numbered(static_cast<int>(relation), PackageRelationName(relation)));
    return kExitSuccess;
}

int Product(std::span<const std::u16string> args) {
    auto package = OpenPackage(args[0]);
    PrintLine(u"ProductCode: " + package->GetProductCode());
    PrintLine(u"ProductVersion: " + package->GetProductVersion());
    PrintLine(u"ProductLanguage: " + package->GetProductLanguage());
    PrintLine(u"PackageCode: " + package->GetPackageCode());
    PrintLine(FormatString(u"Schema: %d", package->GetSchema()));
    return kExitSuccess;
}

int Tree(std::span<const std::u16string> args) {
    OpenPackage(args[0]); // a package that cannot be opened is an error here, not an empty tree
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    FillOriginalFiles(model, args[0]);
    Print(model.Print());
    return kExitSuccess;
}

} // namespace

void AddReaderCommands(CommandTable& table) {
    table.Add({u"dir", u"PKG KEY [--source]", 2, 3,
               u"resolve a Directory key (target path, or source path with --source)", Dir});
    table.Add(
        {u"dirs", u"PKG", 1, 1, u"every Directory key with its target and source paths", Dirs});
    table.Add(
        {u"compare-versions", u"A B", 2, 2, u"how version A relates to B", CompareVersionsCommand});
    table.Add(
        {u"compare", u"PKG OTHER", 2, 2, u"how package PKG relates to OTHER", ComparePackages});
    table.Add({u"product", u"PKG", 1, 1,
               u"product code, version and language, package code and schema", Product});
    table.Add({u"tree", u"PKG", 1, 1,
               u"the Original Setup Files tree: one node a line, indented by level", Tree});
}

} // namespace vx::cli
