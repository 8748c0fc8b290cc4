#include "main/run_operations.h"
#include "ui/failure.h"

namespace posteri {

// For now the job draws nothing: it only ends the document on the attached printer.
void SUB_STAM(Platform& platform, PosterSettings&, Summary&) {
    RoutineName routine("SUB_STAM");
    const int failure = platform.printers.end_job();
    if (failure != 0) raise_failure(platform.fault, failure);
}

}  // namespace posteri
