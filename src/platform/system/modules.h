// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Parts of the program kept in modules of their own (libposteri-<part>.so) and loaded the first time
// they are needed, so that the libraries they bring are loaded and relocated only by runs that use
// them.

namespace posteri {

// The symbol `symbol` of the module `file_name`, loaded from the library folder's posteri/ once
// installed, else from beside the running program (a build folder); nullptr when neither loads or
// the module lacks the symbol. A loaded module stays loaded for the rest of the run.
const void* module_symbol(const char* file_name, const char* symbol);

}  // namespace posteri
