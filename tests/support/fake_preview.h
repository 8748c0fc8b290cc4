// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A poster preview for tests: records what it is asked to do. It shows pages only when the test
// says a display answers.

#include <string>
#include <vector>

#include "platform/windows/poster_preview.h"

namespace posteri {

class FakePreview : public PosterPreview {
  public:
    bool display = false;
    // "open", "close" and one "show" for each page.
    std::vector<std::string> calls;
    std::vector<PreviewPage> pages;

    void open() override {
        calls.emplace_back("open");
        open_ = display;
    }
    void show(const PreviewPage& page) override {
        calls.emplace_back("show");
        pages.push_back(page);
    }
    void close() override {
        calls.emplace_back("close");
        open_ = false;
    }
    bool showing() const override { return open_; }

  private:
    bool open_ = false;
};

}  // namespace posteri
