#pragma once
// One velmo-handsim process for the tracking tests, its standard error kept in a file.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace tracking_test {

// One velmo-handsim process; killed if still running at the end.
class Sim {
public:
    explicit Sim(std::string dir) : m_dir(std::move(dir)) {}
    ~Sim()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    void start(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{VELMO_HANDSIM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        m_err = m_dir + "/handsim-" + std::to_string(++m_runs) + ".err";
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        ASSERT_EQ(posix_spawn(&m_pid, argv[0], &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
    }
    // The exit status, or -1 when it did not end in time.
    int wait(int seconds = 30)
    {
        int status = 0;
        for (int i = 0; i < seconds * 100; ++i) {
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }
    void kill9()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    std::string errors() const
    {
        std::ifstream in(m_err);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string m_dir;
    std::string m_err;
    pid_t m_pid = -1;
    int m_runs = 0;
};

} // namespace tracking_test
