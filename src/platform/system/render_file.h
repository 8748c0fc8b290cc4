// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file a printed page is rendered into before it goes on to its printer. While it is written it
// has no name (O_TMPFILE), so a run killed at any moment leaves nothing behind; a built-in printer
// links it under its final name at the end. On a file system that cannot make unnamed files it is a
// hidden named file instead, which the handlers of the ending signals remove.

#include <string>

namespace posteri {

class RenderFile {
  public:
    // Without `try_unnamed` it goes straight to the named file, as on a file system without
    // unnamed files. A failure to create or write the file is kept, not thrown, so that drawing goes
    // on and the job's end reports it.
    explicit RenderFile(const std::string& folder, bool try_unnamed = true);
    // Whatever was not linked under a final name goes with the object.
    ~RenderFile();
    RenderFile(const RenderFile&) = delete;
    RenderFile& operator=(const RenderFile&) = delete;

    void write(const unsigned char* data, unsigned int length);
    // The first error met in making or writing the file (an errno), or 0.
    int error() const { return error_; }
    // A path through which the rendered bytes can be read.
    const std::string& path() const { return path_; }
    // Whether the file has a name of its own while it is written.
    bool named() const { return named_; }
    // Gives the file the name `target` (a path) with the permissions of any new file, never over an
    // existing file: 0, EEXIST when the name is taken, or another errno.
    int link_as(const std::string& target);

  private:
    void open_named(const std::string& folder);

    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool named_ = false;
    bool linked_ = false;
};

// Removes the named render file of a run that ends now. Async-signal-safe: for signal handlers.
void remove_render_litter();
// For a program without a console of its own: SIGINT, SIGTERM and SIGHUP remove the render file,
// then end the process as the signal would have. Signals the environment ignores stay ignored.
void remove_render_litter_on_ending_signals();

}  // namespace posteri
