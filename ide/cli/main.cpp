#include "ide/cli/command_table.h"
#include "platform/sys/wide_string.h"

#ifdef VX_HAVE_PACKAGE_COMMANDS
#include "ide/cli/extract_commands.h"
#include "ide/cli/package_commands.h"
#include "ide/cli/project_commands.h"
#include "ide/cli/reader_commands.h"
#endif

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(vx::Utf8ToUtf16(argv[i]));
    }
    vx::cli::CommandTable table;
#ifdef VX_HAVE_PACKAGE_COMMANDS
    vx::cli::AddPackageCommands(table);
    vx::cli::AddReaderCommands(table);
    vx::cli::AddExtractCommands(table);
    vx::cli::AddProjectCommands(table);
#endif
    return vx::cli::RunCommandLine(table, args);
}
