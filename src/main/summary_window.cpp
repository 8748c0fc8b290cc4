#include "main/run_operations.h"
#include "ui/console_text.h"
#include "ui/failure.h"

namespace posteri {

// For now the summary is written on the console, one line a row, and stays until a key.
void RESOCONT(Platform& platform, TextList& riassunto, std::int32_t n_riassunto) {
    RoutineName routine("RESOCONT");
    Console& console = platform.console;
    console.new_line();
    for (std::int32_t i = 1; i <= n_riassunto && i < static_cast<std::int32_t>(riassunto.size()); ++i) {
        console.write(riassunto[static_cast<std::size_t>(i)]);
        console.new_line();
    }
    console.write("(un tasto)");
    console.read_key();
}

}  // namespace posteri
