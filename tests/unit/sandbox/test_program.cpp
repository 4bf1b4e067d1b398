// The quenbo-sandbox program itself: its first line, its arguments and its stop signal.
#include <gtest/gtest.h>

#include <httplib.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

// A child run of the program with its standard output and error captured.
class ChildProgram {
public:
    explicit ChildProgram(const std::vector<std::string> &args)
    {
        int out[2];
        int err[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> all{QUENBO_SANDBOX_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(
            posix_spawn(&m_pid, QUENBO_SANDBOX_PROGRAM, &actions, nullptr, argv.data(), environ),
            0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }

    ~ChildProgram()
    {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // The first line of standard output, waiting at most ten seconds.
    std::string firstLine()
    {
        std::string line;
        char c;
        while (line.size() < 200) {
            pollfd ready{m_out, POLLIN, 0};
            if (poll(&ready, 1, 10000) <= 0 || read(m_out, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        return line;
    }

    // The exit status, waiting at most ten seconds; -1 when the program is still running
    // or did not exit normally.
    int exitStatus()
    {
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    std::string allOf(int fd)
    {
        std::string text;
        char buffer[4096];
        ssize_t got;
        while ((got = read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        return text;
    }
    std::string standardOutput() { return allOf(m_out); }
    std::string standardError() { return allOf(m_err); }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_exited = false;
};

TEST(Program, PrintsItsAddressServesAndStopsOnSigterm)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        ChildProgram program(
            {"--port", "0", "--seed", "3", "--version", "v9|{base}/x", "--latency", "200"});
        const std::string base = program.firstLine();
        std::smatch match;
        ASSERT_TRUE(std::regex_match(base, match, std::regex(R"(http://127\.0\.0\.1:(\d+))")))
            << base;
        httplib::Client client("127.0.0.1", std::stoi(match[1]));
        const auto answer = client.Get("/bate.txt");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->body, "v9|" + base + "/x");
        const auto sent = std::chrono::steady_clock::now();
        EXPECT_TRUE(client.Get("/router/rest"));
        EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(200));

        kill(program.pid(), signal);
        EXPECT_EQ(program.exitStatus(), 0) << signal;
    }
}

TEST(Program, RefusesBadArgumentsWithAMessage)
{
    const std::vector<std::vector<std::string>> cases{
        {"--port", "70000"},   {"--port", "eighty"},      {"--port"},
        {"--host", "0.0.0.0"}, {"--host", "192.168.1.2"}, {"--seed", "-1"},
        {"--bogus"},           {"--lenient-time=yes"},    {"--adzone-id", "mm_1_2_3"},
        {"--adzone-id="},      {"--latency", "60001"},    {"--latency", "-1"},
    };
    for (const auto &args : cases) {
        ChildProgram program(args);
        EXPECT_NE(program.exitStatus(), 0) << args.front();
        EXPECT_FALSE(program.standardError().empty()) << args.front();
        EXPECT_TRUE(program.standardOutput().empty()) << args.front();
    }
}

TEST(Program, HelpNamesTheDefaultsAndTheFaultSwitches)
{
    ChildProgram program({"--help"});
    EXPECT_EQ(program.exitStatus(), 0);
    const std::string help = program.standardOutput();
    for (const std::string word :
         {"--app-key", "--app-secret", "--lenient-time", "/index.xml",
          "/fanxian?id=", "/__control/fault", "redirect_loop", "drop", "--adzone-id",
          "default 10001", "taobao.tbk.dg.material.optional.upgrade", "_310x310.jpg", "total_sales",
          "--latency MS", "latency_ms=N"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
