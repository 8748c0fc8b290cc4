// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/batch_run.h"

#include <string_view>

#include "format/codepage.h"
#include "format/mask_format.h"
#include "format/text.h"
#include "main/photo_choice.h"
#include "main/printer_entries.h"
#include "main/run_operations.h"
#include "main/run_steps.h"
#include "settings/settings_files.h"
#include "ui/failure.h"

namespace posteri {

namespace {

std::string without_trailing_spaces(std::string_view text) {
    return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

std::vector<std::string> report(const Summary& summary, const JobOutcome& job) {
    std::vector<std::string> lines;
    for (std::int32_t i = 1; i <= summary.n_riassunto; ++i) {
        lines.push_back(without_trailing_spaces(summary.riassunto[static_cast<std::size_t>(i)]));
    }
    if (!job.pdf_path.empty()) {
        lines.push_back("PDF: " + job.pdf_path);
    } else if (job.job_id != 0) {
        lines.push_back("Job: " + std::to_string(job.job_id));
    }
    return lines;
}

// The listed printer whose name equals the given one without regard to letter case, as the print
// server matches its queues; the given name when none does. One of the program's own printers is
// found without listing the print server's queues, which spares starting the server's client.
std::string listed_printer(Platform& platform, const std::string& given) {
    if (std::string own = platform.printers.own_printer(given); !own.empty()) return own;
    TextList names;
    std::int32_t count = 0;
    SUB_ENUM(platform, names, count);
    const std::string wanted = to_lower(given);
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        if (to_lower(name) == wanted) return name;
    }
    return given;
}

}  // namespace

// Line by line, each with its control characters shown as '?', like everything the batch run writes.
FaultAnswer StreamFault::show_notice(std::string_view text) {
    for (const std::string& line : split_at(text, '\n')) out_ << utf8_controls_shown(cp1252_to_utf8(line)) << '\n';
    out_.flush();
    return FaultAnswer::Cancel;
}

BatchOutcome run_batch(Platform& platform, const BatchRequest& request) {
    RoutineName routine("BATCH");
    // Checked before anything is written, from the folder the command was given in, with posteri's
    // words for a photo given to it.
    const PhotoArgument photo = photo_argument(platform.system, platform.images, request.photo);
    if (!photo.refusal.empty()) return {1, {}, photo_refusal_line(request.photo, photo.refusal)};
    if (!request.workdir.empty() && platform.system.set_working_directory(request.workdir) != 0) {
        return {2, {}, "Cartella di lavoro non utilizzabile: " + echoed(request.workdir)};
    }
    PosterSettings settings{};
    Summary summary;
    settings.nomefile = photo.path;
    gather_photo_facts(platform, settings, summary);
    // A square photo is printed upright, as if the person had answered "1 Verticale".
    if (settings.orientamento == 3) settings.orientamento = 1;

    settings.nomestampante = listed_printer(platform, request.printer);
    const std::string printer(trim_spaces(settings.nomestampante.view()));
    const int failure = platform.printers.attach(printer, document_name(settings, printer));
    if (failure != 0) {
        return {1,
                {},
                "Stampante non utilizzabile: " + echoed(printer) + " (" +
                    std::string(failure_description(failure)) + ")"};
    }
    prepare_attached_printer(platform, settings, summary);
    SCP_DEFA(platform, settings);
    for (const ParameterAssignment& assignment : request.assignments) {
        set_parameter(settings, assignment.name, assignment.value);
    }
    save_parameters(platform, settings);
    // The photo may have gone since it was checked.
    if (!platform.system.is_file(photo.path)) {
        platform.printers.release();
        return {1, {}, "Non trovo il file " + echoed(photo.path)};
    }
    print_poster(platform, settings, summary);
    return {0, report(summary, platform.printers.last_job()), {}};
}

std::vector<std::string> printer_list(Platform& platform) {
    RoutineName routine("BATCH_LS");
    TextList names;
    std::int32_t count = 0;
    SUB_ENUM(platform, names, count);
    std::vector<std::string> lines;
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        float width_cm = 0;
        float height_cm = 0;
        if (measure_default_sheet(platform, name, width_cm, height_cm) == 0) {
            lines.push_back(name + "\t" + mask_format("#.# x #.# cm", {width_cm, height_cm}));
        }
    }
    return lines;
}

}  // namespace posteri
