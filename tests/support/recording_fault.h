// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A failure notice for tests: records every notice's text and answers as scripted (OK once the
// script runs out). Plain C++, no test framework.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fault.h"

namespace posteri {

class RecordingFault : public Fault {
public:
    std::vector<std::string> notices;
    std::deque<FaultAnswer> answers;

    FaultAnswer show_notice(std::string_view text) override {
        notices.emplace_back(text);
        if (answers.empty()) return FaultAnswer::Ok;
        const FaultAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace posteri
