// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A System in memory for tests and fuzzing: files are a map from path (exactly as the program
// passes it, no folder resolution) to bytes, the clock and the random numbers are scripted, and any
// operation on a given path can be made to fail with an error number. Plain C++, no test framework.

#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/system.h"

namespace posteri {

class FakeSystem : public System {
public:
    enum class Operation { SetWorkingDirectory, DeleteFile, ListDirectory, ReadFile, ReplaceFile, AppendFile };

    struct Call {
        Operation operation;
        std::string path;
        std::string bytes;  // what replace_file and append_file were given
    };

    // Every later `operation` on `path` fails with `error` and has no effect; 0 lets it succeed again.
    void fail(Operation operation, const std::string& path, int error);

    // --- the state a test sets up and inspects
    std::map<std::string, std::string> files;
    // Paths that are folders: not files, and reading or writing them fails with EISDIR. The folders
    // holding the paths of `files` and `folders` exist too, without being listed here.
    std::set<std::string> folders;
    // Paths that stand for something neither a file nor a folder (a FIFO, a device).
    std::map<std::string, FileKind> others;
    // Names of `files` and `folders` that list_directory() reports as unusable.
    std::set<std::string> unusable_names;
    std::string cwd = "/home/utente";
    // The file operations in the order they were called, failed ones included.
    std::vector<Call> calls;
    // seconds_of_day() readings in order; the last one repeats, 0 when none.
    std::deque<double> clock;
    // random_unit() values in order; 0 once they run out.
    std::deque<double> randoms;
    std::vector<double> seeds;
    int slept_ms = 0;
    // The lines tell() was given.
    std::vector<std::string> told;

    // --- System
    std::string working_directory() override { return cwd; }
    int set_working_directory(const std::string& path) override;
    bool is_file(const std::string& path) override { return files.contains(path); }
    FileKind file_kind(const std::string& path) override;
    int delete_file(const std::string& path) override;
    // Every `files` and `folders` path directly inside the folder, in path order; ENOTDIR for a file,
    // ENOENT when nothing is inside and the folder is not in `folders`.
    int list_directory(const std::string& path, std::vector<DirectoryEntry>& entries) override;
    int read_file(const std::string& path, std::string& bytes) override;
    int replace_file(const std::string& path, std::string_view bytes) override;
    int append_file(const std::string& path, std::string_view bytes) override;
    void tell(std::string_view line) override { told.emplace_back(line); }
    double seconds_of_day() override;
    void seed_random(double seed) override { seeds.push_back(seed); }
    double random_unit() override;
    void sleep_ms(int milliseconds) override { slept_ms += milliseconds; }

private:
    // Records the call and returns the error it is to fail with, 0 when none.
    int start(Operation operation, const std::string& path, std::string_view bytes = {});

    std::map<std::pair<Operation, std::string>, int> failures_;
};

}  // namespace posteri
