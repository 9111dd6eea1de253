#include "apps/vxpatch/scan_command.h"

#include "VxWsApplicationFilesEP/scan/update_scan.h"
#include "apps/vxpatch/console.h"
#include "apps/vxpatch/interrupt.h"
#include "apps/vxpatch/project_commands.h"
#include "apps/vxpatch/terminal_progress.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <nlohmann/json.hpp>

#include <memory>

namespace vx::cli {
namespace {

struct ScanOptions {
    std::u16string project;
    std::u16string folder;
    bool all = false;
    bool apply = false;
    bool deletes = false;
    bool json = false;
};

ScanOptions ParseOptions(std::span<const std::u16string> args) {
    ScanOptions options;
    std::vector<std::u16string> positional;
    for (const auto& arg : args) {
        if (arg == u"--all") {
            options.all = true;
        } else if (arg == u"--apply") {
            options.apply = true;
        } else if (arg == u"--deletes") {
            options.deletes = true;
        } else if (arg == u"--json") {
            options.json = true;
        } else if (arg.starts_with(u"--")) {
            throw UsageError{};
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || (options.deletes && !options.apply)) {
        throw UsageError{};
    }
    options.project = positional[0];
    options.folder = positional[1];
    return options;
}

// A file that is shown without --all: everything but an unchanged file with nothing to say.
bool Noteworthy(const ScannedFile& file) {
    return file.status != ScanStatus::Unchanged || file.hashMismatch;
}

std::u16string Name(const ScannedFile& file) {
    return file.key.empty() ? file.relativePath : file.key;
}

std::u16string EntryTypeName(int32_t type) {
    switch (type) {
    case kPatchTypeUpdate:
        return u"update";
    case kPatchTypeDelete:
        return u"delete";
    case kPatchTypeNewFile:
        return u"new";
    default:
        return FormatString(u"type %d", type);
    }
}

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

// Text, or null where there is none.
nlohmann::ordered_json TextOrNull(std::u16string_view text) {
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(Utf8(text));
}

nlohmann::ordered_json NumberOrNull(bool present, int64_t value) {
    return present ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json FileJson(const ScannedFile& file) {
    nlohmann::ordered_json entry = nullptr;
    if (file.entryType >= 0) {
        entry = {{"key", Utf8(file.entryKey)}, {"type", file.entryType}};
    }
    return {
        {"status", Utf8(ScanStatusName(file.status))},
        {"key", TextOrNull(file.key)},
        {"path", Utf8(file.relativePath)},
        {"reason", TextOrNull(ChangeReasonName(file.reason))},
        {"detail", Utf8(file.detail)},
        {"originalVersion", Utf8(file.originalVersion)},
        {"updatedVersion", Utf8(file.updatedVersion)},
        {"originalSize", NumberOrNull(!file.key.empty(), file.originalSize)},
        {"updatedSize", NumberOrNull(!file.path.empty(), file.updatedSize)},
        {"overwrite", file.overwrite},
        {"hashMismatch", file.hashMismatch},
        {"directory", TextOrNull(file.directoryKey)},
        {"entry", entry},
    };
}

nlohmann::ordered_json OutcomeJson(const ApplyOutcome& outcome) {
    return {{"action", outcome.added ? "added" : "kept"},
            {"key", Utf8(outcome.key)},
            {"type", outcome.proposal.type},
            {"path", Utf8(outcome.proposal.relativePath)},
            {"overwrite", outcome.added && outcome.proposal.overwrite},
            {"directory", TextOrNull(outcome.proposal.directoryKey)},
            {"note", Utf8(outcome.note)}};
}

std::u16string OutcomeText(const ApplyOutcome& outcome) {
    const ScanProposal& proposal = outcome.proposal;
    if (!outcome.added) {
        return FormatString(u"kept\t%s\t%s", outcome.key, outcome.note);
    }
    std::u16string what = EntryTypeName(proposal.type);
    if (proposal.type == kPatchTypeNewFile) {
        what += u" " + proposal.relativePath + u" into " + proposal.directoryKey;
    } else if (proposal.type == kPatchTypeUpdate) {
        what += u" from " + proposal.relativePath;
    }
    if (proposal.overwrite) {
        what += u", overwrite";
    }
    return FormatString(u"added\t%s\t%s", outcome.key, what);
}

int Scan(std::span<const std::u16string> args) {
    const ScanOptions options = ParseOptions(args);
    ConsoleMessages messages;
    ComPtr<IProject> project = OpenProjectFile(options.project);
    ComPtr<IPatchProject> patchProject = PatchProjectOf(project.Get(), options.project);
    CUpdateScan scan(patchProject.Get(), RootOf(project.Get()).Get());

    std::unique_ptr<TerminalProgress> progress;
    const InterruptWatch interruptWatch;
    uint64_t shown = 0;
    uint64_t bytesShown = 0;
    const ScanResult result =
        scan.Scan(options.folder, [&](uint64_t done, uint64_t total, uint64_t bytes) {
            if (!progress) {
                progress = std::make_unique<TerminalProgress>(u"Scanning", total);
            }
            for (; shown < done; ++shown) {
                progress->Advance(bytes - bytesShown);
                bytesShown = bytes;
            }
            return !InterruptWatch::Requested();
        });
    if (progress) {
        progress->Finish();
    }
    if (result.cancelled) {
        PrintError(u"interrupted: nothing was listed and the project was not changed");
        return kExitInterrupted;
    }

    std::vector<ApplyOutcome> outcomes;
    if (options.apply) {
        outcomes = scan.Apply(ProposeEntries(result, options.deletes));
    }

    bool failed = false;
    size_t mismatches = 0;
    for (const ScannedFile& file : result.files) {
        failed = failed || file.status == ScanStatus::Failed;
        mismatches += file.hashMismatch ? 1 : 0;
    }
    if (mismatches != 0) {
        PrintError(FormatString(u"warning: the package's MsiFileHash disagrees with its own file "
                                u"for %u file(s); their bytes were compared instead",
                                static_cast<uint64_t>(mismatches)));
    }

    if (options.json) {
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        nlohmann::ordered_json summary = {
            {"unchanged", 0}, {"changed", 0}, {"new", 0}, {"missing", 0}, {"failed", 0}};
        for (const ScannedFile& file : result.files) {
            summary[Utf8(ScanStatusName(file.status))] =
                summary[Utf8(ScanStatusName(file.status))].get<int64_t>() + 1;
            if (options.all || Noteworthy(file)) {
                files.push_back(FileJson(file));
            }
        }
        nlohmann::ordered_json document = {
            {"package", Utf8(result.packagePath)},
            {"folder", Utf8(result.folder)},
            {"summary", summary},
            {"counters",
             {{"filesHashed", result.counters.filesHashed},
              {"filesCompared", result.counters.filesCompared},
              {"originalsExtracted", result.counters.originalsExtracted},
              {"bytesRead", result.counters.bytesRead}}},
            {"files", files},
        };
        if (options.apply) {
            nlohmann::ordered_json applied = nlohmann::ordered_json::array();
            for (const ApplyOutcome& outcome : outcomes) {
                applied.push_back(OutcomeJson(outcome));
            }
            document["applied"] = applied;
        }
        PrintLine(Utf8ToUtf16(document.dump(2)));
    } else {
        for (const ScannedFile& file : result.files) {
            if (options.all || Noteworthy(file)) {
                PrintLine(FormatString(u"%s\t%s\t%s", ScanStatusName(file.status), Name(file),
                                       file.detail));
            }
        }
        for (const ApplyOutcome& outcome : outcomes) {
            PrintLine(OutcomeText(outcome));
        }
    }
    return failed ? kExitFailure : kExitSuccess;
}

} // namespace

void AddScanCommand(CommandTable& table) {
    table.Add({u"scan", u"PROJECT FOLDER [--all] [--apply [--deletes]] [--json]", 2, 6,
               u"compare the original package with a folder of the updated product's files", Scan});
}

} // namespace vx::cli
