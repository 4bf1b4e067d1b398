#include "pack_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace quenbo::pack::testing {

namespace fs = std::filesystem;

ProgramRun runPackProgram(const std::vector<std::string> &args)
{
    const testsupport::TempDir capture;
    const std::string outFile = (capture / "stdout").string();
    const std::string errFile = (capture / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> all{QUENBO_PACK_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, QUENBO_PACK_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    ProgramRun run;
    if (spawned != 0)
        return run;

    int status = 0;
    bool exited = false;
    for (int i = 0; i < 2400 && !exited; ++i) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        if (!exited)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.standardOutput = readFile(outFile);
    run.standardError = readFile(errFile);
    return run;
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace quenbo::pack::testing
