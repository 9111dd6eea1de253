#include "apps/vxpatch/project_commands.h"

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/patchlist/new_file_warning.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "apps/vxpatch/console.h"
#include "apps/vxpatch/data_output.h"
#include "ide/automation/project_batch.h"
#include "ide/automation/project_errors.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/message_service.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <charconv>
#include <optional>

namespace vx::cli {
namespace {

[[noreturn]] void Fail(const std::u16string& description, HRESULT hr = E_FAIL) {
    throw CComException(com_exception(hr, description));
}

} // namespace

ConsoleMessages::ConsoleMessages() : m_previous(SetMessageService(this)) {}

ConsoleMessages::~ConsoleMessages() {
    SetMessageService(m_previous);
}

int ConsoleMessages::Show(const MessageBoxRequest& request) {
    const bool warning = (request.style & 0xF0) == MB_ICONEXCLAMATION;
    PrintError((warning ? u"warning: " : u"") + request.text);
    return IDOK;
}

ComPtr<IProject> OpenProjectFile(const std::u16string& path) {
    ComPtr<IProject> project;
    ThrowIfFailed(OpenProject(path, ProjectOpenOptions{}, project.ReleaseAndGetAddressOf()));
    return project;
}

ComPtr<IPatchProject> PatchProjectOf(IProject* project, const std::u16string& path) {
    ComPtr<IKestromProject> link;
    if (FAILED(project->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()))) {
        Fail(FormatString(u"\"%s\" is not a patch project.", path), E_NOINTERFACE);
    }
    ComPtr<IPatchProject> patchProject;
    ThrowIfFailed(link->GetPatchProject(patchProject.ReleaseAndGetAddressOf()));
    return patchProject;
}

ComPtr<IProjectRoot> RootOf(IProject* project) {
    ComPtr<IProjectRoot> root;
    ThrowIfFailed(project->GetProjectRoot(root.ReleaseAndGetAddressOf()));
    return root;
}

namespace {

ComPtr<IPatchFile> FindEntry(IPatchProject* patchProject, const std::u16string& key) {
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IPatchFile> entry;
    const Variant value(std::u16string_view{key});
    ThrowIfFailed(files->Item(value.Get(), entry.ReleaseAndGetAddressOf()));
    return entry;
}

ComPtr<IPatchFile> RequireEntry(IPatchProject* patchProject, const std::u16string& key) {
    ComPtr<IPatchFile> entry = FindEntry(patchProject, key);
    if (!entry) {
        Fail(FormatString(u"The project has no patch entry \"%s\".", key));
    }
    return entry;
}

// The original package's path, expanded; message 16 and a failure when no file is there.
std::u16string RequireOriginalPackage(IPatchProject* patchProject) {
    CPatchFileInfo info;
    info.AttachProject(patchProject);
    if (info.PackagePath().empty()) {
        Fail(u"The original setup package is needed for this command.");
    }
    return info.PackagePath();
}

std::u16string AbsolutePath(const std::u16string& path) {
    if (path.empty() || path.front() == kNativeSeparator) {
        return path;
    }
    std::u16string absolute = GetCurrentDirectory();
    AppendPathSegment(absolute, path.starts_with(u"./") ? path.substr(2) : path, kNativeSeparator);
    return absolute;
}

std::u16string Flag(bool value) {
    return value ? u"1" : u"0";
}

std::optional<int32_t> ParseInteger(std::u16string_view text) {
    if (EqualsIgnoreAsciiCase(text, u"true")) {
        return 1;
    }
    if (EqualsIgnoreAsciiCase(text, u"false")) {
        return 0;
    }
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    int32_t value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || ascii.empty()) {
        return std::nullopt;
    }
    return value;
}

int New(std::span<const std::u16string> args) {
    std::u16string project;
    std::u16string original;
    if (args[0] == u"--original") {
        original = args[1];
        project = args[2];
    } else if (args[1] == u"--original") {
        project = args[0];
        original = args[2];
    } else {
        throw UsageError{};
    }
    // On the command line a relative package path means the current folder; the project would
    // read it against its own folder, so it is stored absolute. Path variables stay as written.
    if (!original.empty() && original.front() != u'/' && original.rfind(u"${", 0) != 0) {
        std::u16string absolute = GetCurrentDirectory();
        AppendPathSegment(absolute, original, kNativeSeparator);
        original = std::move(absolute);
    }
    // A patch, a transform or a merge module is refused before a project is made for it.
    if (PathExists(original) && !IsDirectory(original)) {
        CMsiHandle database;
        MsiOpenDatabaseW(original.c_str(), MSIDBOPEN_READONLY, database.Out());
        RequireOriginalPackageKind(database, original);
    }
    ConsoleMessages messages;
    ComPtr<IProject> created;
    ThrowIfFailed(CreateProject(project, kPatchProjectType, original, ProjectOpenOptions{},
                                created.ReleaseAndGetAddressOf()));
    // Tells the author at once when the package is not where the project will look for it.
    CPatchFileInfo info;
    info.AttachProject(PatchProjectOf(created.Get(), project).Get());
    return kExitSuccess;
}

int Info(std::span<const std::u16string> args) {
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    BStr path;
    BStr type;
    int32_t version = 0;
    ThrowIfFailed(project->GetFilePath(path.Out()));
    ThrowIfFailed(project->GetProjectType(type.Out()));
    ThrowIfFailed(project->GetSchemaVersion(&version));
    FieldPrinter fields;
    fields.Text(u"Project", path.ToString());
    fields.Text(u"Type", type.ToString());
    fields.Number(u"Format", version);
    if (type.ToString() == kPatchProjectType) {
        ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
        BStr original;
        ThrowIfFailed(patchProject->GetOriginalPackage(original.Out()));
        fields.Text(u"Original package", original.ToString());
        fields.Text(u"Original package path",
                    ExpandProjectPath(patchProject.Get(), original.ToString()));
        ComPtr<IPatchFiles> files;
        ThrowIfFailed(patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
        int32_t count = 0;
        ThrowIfFailed(files->GetCount(&count));
        fields.Number(u"Entries", count);
    }
    BStr names;
    ThrowIfFailed(project->GetPathVariableNames(names.Out()));
    std::vector<std::u16string> list;
    SplitString(names.ToString(), u'\n', true, list);
    ComPtr<IPathVariables> variables;
    ThrowIfFailed(project.As(variables));
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& name : list) {
        BStr value;
        ThrowIfFailed(variables->GetPathVariable(name.c_str(), value.Out()));
        if (JsonOutput()) {
            values[Utf8(name)] = Utf8(value.ToString());
        } else {
            PrintLine(FormatString(u"Path variable %s: %s", name, value.ToString()));
        }
    }
    fields.Member(u"Path variables", std::move(values));
    fields.Finish();
    return kExitSuccess;
}

int List(std::span<const std::u16string> args) {
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(files->NewEnum(entries.ReleaseAndGetAddressOf()));
    RowPrinter rows({{u"Key"},
                     {u"Type", CellKind::Number},
                     {u"New file path"},
                     {u"Self-registering", CellKind::Flag},
                     {u"Extract COM", CellKind::Flag},
                     {u"Overwrite", CellKind::Flag},
                     {u"Features"},
                     {u"Destination directory"}});
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        ThrowIfFailed(entries->Next(1, item.Get(), &fetched));
        if (fetched == 0) {
            break;
        }
        ComPtr<IPatchFile> entry;
        ThrowIfFailed(item.Get()->punkVal->QueryInterface(IPatchFile::kIid,
                                                          entry.ReleaseAndGetVoidAddress()));
        const PatchEntry e = ReadPatchEntry(entry.Get());
        rows.Row({e.key, FormatString(u"%d", e.type), e.newFilePath, Flag(e.selfReg),
                  Flag(e.extractCom), Flag(e.overwrite), e.feature, e.destinationDir});
    }
    return kExitSuccess;
}

int Add(std::span<const std::u16string> args) {
    ConsoleMessages messages;
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    {
        // Every key is checked before anything is written, so a typing error adds nothing.
        CVxMsiPackage package(RequireOriginalPackage(patchProject.Get()));
        for (const auto& key : args.subspan(1)) {
            if (!package.FindRecord(u"File", u"File", key, {})) {
                Fail(FormatString(u"\"%s\" is not a File key of the original package.", key));
            }
        }
    }
    CPatchFileAdder adder(patchProject.Get(), RootOf(project.Get()).Get());
    // All keys are one commit: thousands of files cost one wait for the disk, and a vxpatch
    // killed on the way leaves none of them. A failure part-way still keeps the keys added
    // before it (the batch commits them on the way out) and is then reported.
    CProjectBatch batch(patchProject.Get());
    bool allAdded = true;
    for (const auto& key : args.subspan(1)) {
        allAdded = adder.AddPatchFile(key, kPatchTypeUpdate, u"") && allAdded;
    }
    batch.Commit();
    return allAdded ? kExitSuccess : kExitFailure;
}

int AddNew(std::span<const std::u16string> args) {
    ConsoleMessages messages;
    const std::u16string path = AbsolutePath(args[1]);
    const uint32_t attributes = GetFileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Fail(FormatString(u"\"%s\" is not a file.", path));
    }
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    RequireOriginalPackage(patchProject.Get());
    CPatchFileAdder adder(patchProject.Get(), RootOf(project.Get()).Get());
    const std::u16string key = adder.MakeNewFileKey(FileNamePart(path));
    if (!adder.AddPatchFile(key, kPatchTypeNewFile, path)) {
        return kExitFailure;
    }
    PrintLine(key);
    return kExitSuccess;
}

int Set(std::span<const std::u16string> args) {
    const std::optional<EntryField> field = EntryFieldFromName(args[2]);
    if (!field) {
        PrintError(FormatString(u"unknown property \"%s\"; use Key, NewFilePath, Type, SelfReg, "
                                u"ExtractCOM, Overwrite, Feature or DestinationDir",
                                args[2]));
        return kExitUsage;
    }
    ConsoleMessages messages;
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    ComPtr<IPatchFile> entry = RequireEntry(patchProject.Get(), args[1]);
    const std::u16string& value = args[3];
    bool turnedOn = false;
    switch (*field) {
    case EntryField::Key:
        ThrowIfFailed(entry->PutKey(value.c_str()));
        break;
    case EntryField::NewFilePath:
        ThrowIfFailed(entry->PutNewFilePath(value.c_str()));
        break;
    case EntryField::Feature:
        ThrowIfFailed(entry->PutFeature(value.c_str()));
        break;
    case EntryField::DestinationDir:
        ThrowIfFailed(entry->PutDestinationDir(value.c_str()));
        break;
    default: {
        const std::optional<int32_t> number = ParseInteger(value);
        if (!number) {
            Fail(FormatString(u"%s takes a number, not \"%s\".", args[2], value));
        }
        if (*field == EntryField::Type) {
            ThrowIfFailed(entry->PutType(*number));
            turnedOn = *number == kPatchTypeNewFile;
            break;
        }
        if (*number != 0 && *number != 1) {
            Fail(FormatString(u"%s takes 0 or 1, not %s.", args[2], value), VXPROJ_E_BADVALUE);
        }
        const VARIANT_BOOL flag = *number ? VARIANT_TRUE : VARIANT_FALSE;
        if (*field == EntryField::SelfReg) {
            ThrowIfFailed(entry->PutSelfReg(flag));
        } else if (*field == EntryField::ExtractCOM) {
            ThrowIfFailed(entry->PutExtractCOM(flag));
        } else {
            ThrowIfFailed(entry->PutOverwrite(flag));
        }
        turnedOn = *number == 1 && *field != EntryField::Overwrite;
    }
    }
    if (turnedOn) {
        WarnIfNewFileRegisters(entry.Get());
    }
    return kExitSuccess;
}

int Show(std::span<const std::u16string> args) {
    const ConsoleMessages messages;
    FieldPrinter fields;
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    const std::u16string& key = args[1];
    const ComPtr<IPatchFile> entry = FindEntry(patchProject.Get(), key);
    CPatchFileInfo info;
    info.AttachProject(patchProject.Get());
    info.SetFileKey(key);
    int32_t type = -1;
    if (entry) {
        ThrowIfFailed(entry->GetType(&type));
    }
    if (type == kPatchTypeNewFile) {
        // A new file is no file of the original package: the form shows its own settings.
        fields.Text(u"Entry", u"new file");
        fields.Text(u"File key", key);
        fields.Text(u"New file", info.GetNewFilePath());
        fields.Flag(u"Self-registering", info.GetSelfReg());
        fields.Flag(u"Extract COM", info.GetExtractCOM());
        const std::u16string directory = info.GetDestinationDir();
        fields.Text(u"Destination directory", directory);
        std::u16string resolved;
        if (!directory.empty() && !info.PackagePath().empty()) {
            info.OpenPackage();
            resolved = info.ResolveDirectoryKey(directory);
            info.ClosePackage();
        }
        fields.Text(u"Destination", resolved);
        fields.Text(u"Features", info.GetFeature());
        fields.Finish();
        return kExitSuccess;
    }
    if (info.PackagePath().empty()) {
        Fail(u"The original setup package is needed for this command.");
    }
    info.OpenPackage();
    const std::u16string fileName = info.GetFileName();
    if (!entry && fileName == LoadStringResource(IDS_FILE_NOT_IN_ORIGINAL)) {
        info.ClosePackage();
        Fail(FormatString(u"Neither the project nor the original package has a file \"%s\".", key));
    }
    fields.Text(u"Entry", !entry                     ? u"none (original file)"
                          : type == kPatchTypeDelete ? u"deleted file"
                                                     : u"updated file");
    fields.Text(u"File name", fileName);
    fields.Text(u"File key", key);
    fields.Text(u"Destination", info.GetDestination());
    fields.Text(u"Version", info.GetFileVersion());
    fields.Text(u"Language", info.GetFileLanguage());
    fields.Text(u"Component", info.GetComponentName());
    fields.Text(u"Key file", info.GetKeyFile());
    info.ClosePackage();
    if (entry) {
        fields.Text(u"Updated file", info.GetNewFilePath());
        fields.Text(u"Updated file version", info.GetNewFileVersion());
        fields.Flag(u"Overwrite", info.GetOverwrite());
        fields.Flag(u"Extract COM", info.GetExtractCOM());
        fields.Flag(u"Delete", info.GetDeleteOnPatch());
    }
    fields.Finish();
    return kExitSuccess;
}

int Remove(std::span<const std::u16string> args) {
    ComPtr<IProject> project = OpenProjectFile(args[0]);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), args[0]);
    ComPtr<IPatchFile> entry = RequireEntry(patchProject.Get(), args[1]);
    ComPtr<IProjectItem> item;
    ThrowIfFailed(entry.As(item));
    ThrowIfFailed(item->Delete());
    return kExitSuccess;
}

} // namespace

void AddProjectCommands(CommandTable& table) {
    table.Add({u"new", u"PROJECT --original PKG", 3, 3,
               u"create a patch project for the original package PKG", New});
    table.Add({u"info", u"PROJECT", 1, 1, u"show a project's type, format, package and entries",
               Info, true});
    table.Add({u"list", u"PROJECT", 1, 1, u"list the patch entries, one a line, tab-separated",
               List, true});
    table.Add({u"add", u"PROJECT FILEKEY...", 2, SIZE_MAX,
               u"patch existing files of the original package", Add});
    table.Add({u"add-new", u"PROJECT PATH", 2, 2, u"add a new file to the patch", AddNew});
    table.Add(
        {u"set", u"PROJECT KEY PROPERTY VALUE", 4, 4, u"change one setting of a patch entry", Set});
    table.Add({u"remove", u"PROJECT KEY", 2, 2, u"remove a patch entry", Remove});
    table.Add({u"show", u"PROJECT KEY", 2, 2,
               u"show what the settings pane shows for an entry or an original file", Show, true});
}

} // namespace vx::cli
