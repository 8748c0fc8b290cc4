// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A print server of the test's own: cupsd in a temporary folder, listening on a socket there, with
// cups-pdf queues added on demand. While it runs, this process's CUPS calls go to it.

#include <cups/cups.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace posteri::testing {

class TestPrintServer {
  public:
    static constexpr const char* kCupsd = "/usr/sbin/cupsd";
    static constexpr const char* kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
    static constexpr const char* kCupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

    static bool installed() {
        namespace fs = std::filesystem;
        return fs::exists(kCupsd) && fs::exists(kCupsPdfBackend) && fs::exists(kCupsPdfPpd);
    }

    TestPrintServer() {
        std::string pattern = (std::filesystem::temp_directory_path() / "posteri-cups-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return;
        folder_ = pattern;
        socket_ = (folder_ / "cups.sock").string();
        write_configuration();
        if (start()) cupsSetServer(socket_.c_str());
    }

    ~TestPrintServer() {
        cupsSetServer(nullptr);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    TestPrintServer(const TestPrintServer&) = delete;
    TestPrintServer& operator=(const TestPrintServer&) = delete;

    bool running() const { return pid_ > 0 && std::filesystem::exists(socket_); }
    const std::filesystem::path& folder() const { return folder_; }
    std::string error_log() const {
        std::ifstream in(folder_ / "error_log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // An enabled cups-pdf queue described by `ppd`, with lpadmin's `-o` options; true when added.
    bool add_queue(const std::string& name, const std::string& ppd, const std::vector<std::string>& options) {
        std::vector<std::string> args{"lpadmin", "-h", socket_,      "-p", name,
                                      "-E",      "-v", "cups-pdf:/", "-P", ppd};
        for (const std::string& option : options) {
            args.push_back("-o");
            args.push_back(option);
        }
        return quietly_run(args) == 0;
    }

  private:
    void write_configuration() {
        const std::string d = folder_.string();
        for (const char* sub : {"spool", "cache", "state", "ppd"})
            std::filesystem::create_directory(folder_ / sub);
        std::ofstream(folder_ / "cupsd.conf")
            << "Listen " << socket_ << "\nLogLevel warn\nBrowsing Off\n"
            << "WebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n"
            << "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
            << "  </Limit>\n</Policy>\n";
        std::ofstream(folder_ / "cups-files.conf")
            << "ServerRoot " << d << "\nRequestRoot " << d << "/spool\nCacheDir " << d << "/cache\nStateDir "
            << d << "/state\nTempDir " << d << "/spool\nErrorLog " << d << "/error_log\nAccessLog " << d
            << "/access_log\nPageLog " << d << "/page_log\nSystemGroup root\n";
    }

    static std::vector<char*> argv_of(std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        return argv;
    }

    // Runs a program with its output discarded; its exit status, or -1.
    static int quietly_run(std::vector<std::string> args) {
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv = argv_of(args);
        pid_t pid = 0;
        int status = -1;
        if (::posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0)
            ::waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&quiet);
        return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    bool start() {
        std::vector<std::string> args{kCupsd, "-f",
                                      "-c",   (folder_ / "cupsd.conf").string(),
                                      "-s",   (folder_ / "cups-files.conf").string()};
        std::vector<char*> argv = argv_of(args);
        if (::posix_spawn(&pid_, kCupsd, nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = 0;
            return false;
        }
        for (int tries = 0; tries < 100; ++tries) {
            if (std::filesystem::exists(socket_)) return true;
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = 0;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;  // still starting: the destructor stops it
    }

    std::filesystem::path folder_;
    std::string socket_;
    pid_t pid_ = 0;
};

}  // namespace posteri::testing
