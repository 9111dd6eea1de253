#include "apps/vxpatch/reader_commands.h"

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "apps/vxpatch/console.h"
#include "apps/vxpatch/data_output.h"
#include "platform/sys/format_string.h"

#include <cstdio>
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
    RowPrinter rows({{u"Directory"}, {u"Target"}, {u"Source"}});
    while (CMsiRecord row = view->Fetch()) {
        const std::u16string key = row.GetString(1);
        rows.Row({key, package->Resolver().ResolveDirectory(key, false),
                  package->Resolver().ResolveDirectory(key, true)});
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
    FieldPrinter fields;
    fields.Text(u"ProductCode", package->GetProductCode());
    fields.Text(u"ProductVersion", package->GetProductVersion());
    fields.Text(u"ProductLanguage", package->GetProductLanguage());
    fields.Text(u"PackageCode", package->GetPackageCode());
    fields.Number(u"Schema", package->GetSchema());
    fields.Finish();
    return kExitSuccess;
}

// A node as {"label", "key" (files only), "children" (folders and the root)}.
nlohmann::ordered_json NodeJson(const OriginalTreeNode& node) {
    nlohmann::ordered_json json = {{"label", Utf8(node.Item().label)}};
    if (node.Item().kind == NodeKind::File) {
        json["key"] = Utf8(node.Item().key);
        return json;
    }
    nlohmann::ordered_json children = nlohmann::ordered_json::array();
    for (const auto& child : node.Children()) {
        children.push_back(NodeJson(*child));
    }
    json["children"] = std::move(children);
    return json;
}

int Tree(std::span<const std::u16string> args) {
    OpenPackage(args[0]); // a package that cannot be opened is an error here, not an empty tree
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    if (!JsonOutput()) {
        // The root line needs no reading of the package: it is there at once, while the tree,
        // which is sorted, is only known whole.
        PrintLine(kOriginalSetupFilesLabel);
        std::fflush(stdout);
    }
    FillOriginalFiles(model, args[0]);
    if (JsonOutput()) {
        std::puts(NodeJson(model.Root()).dump(2).c_str());
    } else {
        const std::u16string text = model.Print();
        Print(std::u16string_view(text).substr(text.find(u'\n') + 1));
    }
    return kExitSuccess;
}

} // namespace

void AddReaderCommands(CommandTable& table) {
    table.Add({u"dir", u"PKG KEY [--source]", 2, 3,
               u"resolve a Directory key (target path, or source path with --source)", Dir});
    table.Add({u"dirs", u"PKG", 1, 1, u"every Directory key with its target and source paths", Dirs,
               true});
    table.Add(
        {u"compare-versions", u"A B", 2, 2, u"how version A relates to B", CompareVersionsCommand});
    table.Add(
        {u"compare", u"PKG OTHER", 2, 2, u"how package PKG relates to OTHER", ComparePackages});
    table.Add({u"product", u"PKG", 1, 1,
               u"product code, version and language, package code and schema", Product, true});
    table.Add({u"tree", u"PKG", 1, 1,
               u"the Original Setup Files tree: one node a line, indented by level", Tree, true});
}

} // namespace vx::cli
