#pragma once
// The operations the main sequence calls, with the contracts it relies on. Several are served for
// now by plain console stand-ins (see each .cpp), so that a whole run can be walked today.

#include <cstdint>
#include <string>
#include <string_view>

#include "main/summary.h"
#include "platform/platform.h"
#include "settings/poster_settings.h"

namespace posteri {

// Console window set-up.
void FUN_FULL(Platform& platform, std::string_view options);
// The chosen photo's full path, or "" when the choice was cancelled.
std::string FUN_SCELTA_FILE(Platform& platform, std::string_view pattern);
// Photo facts: 0 x 0 and orientation 3 for an unreadable file, resolution left untouched then.
void LI_DIMEN(Platform& platform, std::string_view file, std::int32_t& width, std::int32_t& height,
              std::int32_t& orientation, float& dpi_x, float& dpi_y);
// 1 portrait, 2 landscape, 0 when the question was left with Esc.
std::int32_t CHIEDI_O(Platform& platform);
// A printer name, kSystemPrintDialog, or "" when nothing was chosen.
std::string FUN_SCELTA_STAMPANTE(Platform& platform);
inline constexpr std::string_view kSystemPrintDialog = "Scelta della stampante";
// The system print dialog: attaches the printer the user picks, or nothing when cancelled.
void choose_printer_in_dialog(Platform& platform, std::string_view document);
// Notice window: shows `shown`, speaks `spoken`, waits for a key or the time-out; returns the key.
std::string FUN_AVVI(Platform& platform, std::string_view spoken, std::string_view shown, float timeout_seconds,
                     std::int32_t size, std::string_view face, std::int32_t style, std::int32_t background,
                     std::int32_t foreground);
// Printable width and height of the attached printer's page in centimetres.
void DIMENSIO(Platform& platform, float& width_cm, float& height_cm);
// The parameter editor; returns the key that ended it: Esc, "*" (reset) or anything else (confirm).
std::string SCP_CAMB(Platform& platform, PosterSettings& settings);
// Prints the poster on the attached printer and appends the job's lines to the summary.
void SUB_STAM(Platform& platform, PosterSettings& settings, Summary& summary);
// Speaks a text (replaced by its cleaned form).
void LEGGI_TE(Platform& platform, std::string& text);
// The summary window, until the user leaves it.
void RESOCONT(Platform& platform, TextList& riassunto, std::int32_t n_riassunto);

// The whole run, from the title line to the summary window.
void run_main_sequence(Platform& platform);

}  // namespace posteri
