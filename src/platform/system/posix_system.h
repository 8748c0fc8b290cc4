// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process's surroundings on Linux: POSIX files and folders, the local clock, a Mersenne Twister.
// The program's paths are Windows-1252; the file system's names are UTF-8.

#include <random>
#include <string>
#include <vector>

#include "platform/system/system.h"

namespace posteri {

class PosixSystem : public System {
public:
    PosixSystem();
    std::string working_directory() override;
    int set_working_directory(const std::string& path) override;
    bool is_file(const std::string& path) override;
    FileKind file_kind(const std::string& path) override;
    int delete_file(const std::string& path) override;
    int list_directory(const std::string& path, std::vector<DirectoryEntry>& entries) override;

    int read_file(const std::string& path, std::string& bytes) override;
    int replace_file(const std::string& path, std::string_view bytes) override;
    int append_file(const std::string& path, std::string_view bytes) override;
    void tell(std::string_view line) override;
    // From now on, told lines wait for say_held_lines(): the terminal is the program's screen.
    void hold_told_lines() { holding_ = true; }
    void say_held_lines();

    double seconds_of_day() override;
    void seed_random(double seed) override;
    double random_unit() override;
    void sleep_ms(int milliseconds) override;

private:
    std::mt19937_64 random_;
    bool holding_ = false;
    std::vector<std::string> held_;
};

}  // namespace posteri
