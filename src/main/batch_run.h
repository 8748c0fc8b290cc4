// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run of posteri-batch: the path of a person who chooses a given photo and printer and confirms
// the settings unchanged, taken without a terminal. Its console lines go to a console kept in memory;
// what it reports is the summary and where the job went.

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/terminal/console_buffer.h"

namespace posteri {

// One persistent parameter set by name ("fits", "testo1"), its value in Windows-1252, already
// checked with set_parameter.
struct ParameterAssignment {
    std::string name;
    std::string value;
};

struct BatchRequest {
    // The photo as given on the command line (the file system's bytes), a relative path from the
    // working directory the run starts in.
    std::string photo;
    std::string printer;  // the printer's name
    std::string workdir;  // where the settings files and the PDF go; empty: the working directory
    // Applied in order over the loaded settings, as if the person had changed them in the editor.
    std::vector<ParameterAssignment> assignments = {};
};

struct BatchOutcome {
    // 0 printed; 1 no photo to print (missing, no JPEG or PNG photo, refused as posteri refuses it) or
    // printer unusable, with nothing written; 2 working folder unusable.
    int exit_code = 0;
    // For standard output: the summary lines (without trailing spaces), then "PDF: <path>" or
    // "Job: <id>". Windows-1252.
    std::vector<std::string> lines;
    // For standard error when nothing was printed.
    std::string error;
};

// A failure notice raised in the run ends it by Cancel (exit code 255).
BatchOutcome run_batch(Platform& platform, const BatchRequest& request);

// Every printer the run can attach, in byte order: its name, a tab, and the printable size of its
// default sheet in cm ("21.0 x 29.7 cm"); Windows-1252. A printer that cannot be attached is left
// out.
std::vector<std::string> printer_list(Platform& platform);

// A console of the given size that nobody sees: output is kept, input never comes (a key asked for
// is Esc, which leaves any question).
class UnseenConsole : public BufferedConsole {
  public:
    using BufferedConsole::BufferedConsole;
    ScreenSize largest_size() const override { return size(); }
    void set_size(ScreenSize size) override { edit_buffer().resize(size); }
    bool key_waiting() override { return false; }
    std::string read_key() override { return "\x1b"; }
    void discard_input() override {}
    void set_mouse(bool) override {}
    bool mouse_enabled() const override { return false; }
    CellPos mouse_position() const override { return {}; }
};

// The failure notice as its text (UTF-8) on a stream, answered with Cancel.
class StreamFault : public Fault {
  public:
    explicit StreamFault(std::ostream& out) : out_(out) {}
    FaultAnswer show_notice(std::string_view text) override;

  private:
    std::ostream& out_;
};

class NoVoice : public Speech {
  public:
    void speak(std::string_view) override {}
};

}  // namespace posteri
