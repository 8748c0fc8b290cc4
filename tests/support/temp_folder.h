// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh folder under the system's temporary folder for one test, removed with all it holds; a
// WorkingFolder is also the working directory while it lives (the built-in printers write there).

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace posteri {

class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder " + pattern);
        path_ = std::filesystem::canonical(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class WorkingFolder : public TempFolder {
  public:
    explicit WorkingFolder(const std::string& prefix)
        : TempFolder(prefix), previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path());
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }

  private:
    std::filesystem::path previous_;
};

}  // namespace posteri
