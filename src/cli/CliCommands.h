#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivrano::cli {

// Exit codes of kivrano-cli.
enum TExitCode { exOk = 0, exFailure = 1, exUsage = 2 };

// Runs one command line (without the program name); output goes to out, messages to err.
// The shape classes must be registered and, for "pdf", a Qt application must exist.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kivrano::cli
