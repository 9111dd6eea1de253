#include "apps/vxpatch/command_table.h"
#include "apps/vxpatch/extract_commands.h"
#include "apps/vxpatch/package_commands.h"
#include "apps/vxpatch/project_commands.h"
#include "apps/vxpatch/reader_commands.h"
#include "apps/vxpatch/scan_command.h"
#include "platform/sys/wide_string.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(vx::Utf8ToUtf16(argv[i]));
    }
    vx::cli::CommandTable table;
    vx::cli::AddPackageCommands(table);
    vx::cli::AddReaderCommands(table);
    vx::cli::AddExtractCommands(table);
    vx::cli::AddProjectCommands(table);
    vx::cli::AddScanCommand(table);
    return vx::cli::RunCommandLine(table, args);
}
