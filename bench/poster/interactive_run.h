// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A person's run of posteri in a tmux server of its own: the photo and the printer typed into their
// pickers, the "ok" row chosen in the parameter editor; the time runs from the Enter that confirms
// it (sent through tmux, a few milliseconds of it) to the poster's PDF on disk. The peak memory is
// the program's own high-water mark, read while its summary window shows.

#include <string>
#include <vector>

#include "poster/child_runs.h"

namespace posteri::bench {

class InteractiveRun {
  public:
    InteractiveRun(std::string program, std::string workdir, std::string photo_stem, std::string printer);
    ~InteractiveRun();
    InteractiveRun(const InteractiveRun&) = delete;
    InteractiveRun& operator=(const InteractiveRun&) = delete;

    std::string pdf() const { return workdir_ + "/" + stem_ + printer_ + ".pdf"; }
    ChildRun operator()();

  private:
    bool tmux(std::vector<std::string> args, std::string* out = nullptr) const;
    bool type(const std::string& text) const;
    bool press(const std::string& key) const;
    bool wait_for(const std::string& text) const;
    long program_peak_kb() const;

    std::string program_;
    std::string workdir_;
    std::string stem_;
    std::string printer_;
    std::string socket_;
};

}  // namespace posteri::bench
