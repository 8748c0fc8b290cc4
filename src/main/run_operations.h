// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run's own operations: the dialogs and steps of the main flow, with the contracts the main
// sequence relies on. The operations of the other subsystems are declared in their own headers.

#include <cstdint>
#include <string>
#include <string_view>

#include "image/photo_facts.h"
#include "platform/platform.h"
#include "print/print_job.h"
#include "settings/parameter_editor.h"
#include "settings/poster_settings.h"
#include "settings/summary.h"
#include "ui/notice.h"

namespace posteri {

// Console window set-up.
void FUN_FULL(Platform& platform, std::string_view options);
// The chosen photo's full path, or "" when the choice was cancelled; the chooser lists the files
// that match `pattern` and tells the user it lists `description`.
std::string FUN_SCELTA_FILE(Platform& platform, std::string_view pattern, std::string_view description);
// The photo chooser's patterns, in any letter case: the extensions of every kind of photo the
// program reads (the files are read by their content, whatever their names say).
inline constexpr std::string_view kPhotoPatterns =
    "*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.heic;*.heif;*.avif;*.webp;*.jxl;*.tif;*.tiff";
// What the chooser says it lists: the kinds by name, shorter than their dozen extensions, so that
// the line under the list keeps its keys in sight.
inline constexpr std::string_view kPhotoKindNames = "JPEG PNG HEIC AVIF WebP JXL TIFF";
// 1 portrait, 2 landscape, 0 when the question was left with Esc.
std::int32_t CHIEDI_O(Platform& platform);
// The installed printers in byte order in elements 1 .. count, element 0 empty.
void SUB_ENUM(Platform& platform, TextList& list, std::int32_t& count);
// A "pdfcreator" printer's list entry with the printable size of its sheet; "" for other printers.
std::string FUN_PROP(Platform& platform, std::string_view name);
// The chosen printer's name as its entry shows it (cut to 36 characters, up to a comma),
// kSystemPrintDialog, or "" when nothing was chosen; `printer` gets the full name to attach it by.
std::string FUN_SCELTA_STAMPANTE(Platform& platform, std::string& printer);
inline constexpr std::string_view kSystemPrintDialog = "Scelta della stampante";
// The system print dialog: attaches the printer the user picks, or nothing when cancelled.
void choose_printer_in_dialog(Platform& platform, std::string_view document);
// Printable width and height of the attached printer's page in centimetres.
void DIMENSIO(Platform& platform, float& width_cm, float& height_cm);
// Speaks a text (replaced by its cleaned form).
void LEGGI_TE(Platform& platform, std::string& text);
// The summary window, until the user leaves it.
void RESOCONT(Platform& platform, TextList& riassunto, std::int32_t n_riassunto);

// The whole run, from the title line to the summary window. A photo given (its whole path, as the
// file chooser gives it) is taken as if chosen there, and the chooser is not shown.
void run_main_sequence(Platform& platform, std::string_view photo = {});

}  // namespace posteri
