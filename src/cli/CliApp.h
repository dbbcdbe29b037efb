#pragma once
// quorvane-cli's command line: every command, option and help text, in one place, for the parser,
// the manual page and the shell completion alike.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

struct CliApp {
    std::unique_ptr<CLI::App> app;
    // The command chosen on the command line runs through this once parsing succeeded.
    std::function<int()> run;
};

/// The whole command line; `run` is set while parsing, when a command is chosen.
std::unique_ptr<CliApp> makeCliApp();

/// Parses argv and runs the command; prints help or a usage error as asked. The exit status.
int runCli(CliApp& cli, int argc, char** argv);

/// The manual page quorvane-cli(1), in troff, made from the same commands and help texts.
std::string manualPage(const CLI::App& app);

/// A bash completion script for the commands and their options.
std::string bashCompletion(const CLI::App& app);
