#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Keys for new passwords cost one pass over 8 KiB in the tests, here and in every quorvane-cli they
// start, instead of the tuned second (unless the run sets the variable itself); the tests of the
// tuning clear it where they need the real costs.
const bool g_cheapKeys = ::setenv("QUORVANE_TEST_KDF", "1,8", 0) == 0;

}  // namespace

TempDir::TempDir(const std::string& prefix) {
    std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) ADD_FAILURE() << "cannot create a folder like " << tmpl;
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Data readData(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeData(const std::string& path, const Data& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

namespace {

CliRun runProgram(std::vector<std::string> argvText, const std::string& input);

}  // namespace

CliRun runCli(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argvText{QUORVANE_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    return runProgram(argvText, input);
}

CliRun runCliWithoutTestSwitches(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argvText{QUORVANE_CLI_WITHOUT_TEST_SWITCHES_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    return runProgram(argvText, input);
}

CliRun runCliWithFileSizeLimit(const std::vector<std::string>& args, const std::string& input, long kilobytes) {
    std::vector<std::string> argvText{"/bin/sh", "-c", "ulimit -f \"$0\" && exec \"$@\"",
                                      std::to_string(kilobytes), QUORVANE_CLI_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    return runProgram(argvText, input);
}

namespace {

CliRun runProgram(std::vector<std::string> argvText, const std::string& input) {
    TempDir io("quorvane-cli-io");
    const std::string in = io.file("in"), out = io.file("out"), err = io.file("err");
    std::ofstream(in, std::ios::binary) << input;

    std::vector<char*> argv;
    for (std::string& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    CliRun run;
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return run;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
}

}  // namespace
