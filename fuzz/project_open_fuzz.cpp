// Fuzzes opening a project file: the input is written to a file, opened as a project and, when
// that succeeds, every entry and property is read.

#include "ide/automation/project_factory.h"
#include "platform/sys/wide_string.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace vx;

namespace {

void ReadEverything(IProject* project) {
    ComPtr<IKestromProject> link;
    ComPtr<IPatchProject> patch;
    ComPtr<IPatchFiles> files;
    ComPtr<IEnumVARIANT> entries;
    BStr text;
    project->GetProjectType(text.Out());
    project->GetPathVariableNames(text.Out());
    if (FAILED(project->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress())) ||
        FAILED(link->GetPatchProject(patch.ReleaseAndGetAddressOf())) ||
        FAILED(patch->GetOriginalPackage(text.Out())) ||
        FAILED(patch->GetFiles(files.ReleaseAndGetAddressOf())) ||
        FAILED(files->NewEnum(entries.ReleaseAndGetAddressOf()))) {
        return;
    }
    for (;;) {
        VARIANT item;
        ULONG fetched = 0;
        if (entries->Next(1, &item, &fetched) != S_OK || fetched == 0) {
            return;
        }
        ComPtr<IPatchFile> entry;
        item.punkVal->QueryInterface(IPatchFile::kIid, entry.ReleaseAndGetVoidAddress());
        VariantClear(&item);
        int32_t type = 0;
        VARIANT_BOOL flag = 0;
        entry->GetKey(text.Out());
        entry->GetType(&type);
        entry->GetNewFilePath(text.Out());
        entry->GetSelfReg(&flag);
        entry->GetFeature(text.Out());
        entry->GetDestinationDir(text.Out());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/tmp/vx-project-open-fuzz-" + std::to_string(::getpid()) + ".vxp";
    std::remove((path + "-journal").c_str());
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    ProjectOpenOptions options;
    options.busyTimeoutMs = 0;
    ComPtr<IProject> project;
    if (SUCCEEDED(OpenProject(Utf8ToUtf16(path), options, project.ReleaseAndGetAddressOf()))) {
        ReadEverything(project.Get());
    }
    project = nullptr;
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
    return 0;
}
