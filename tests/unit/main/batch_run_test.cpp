// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/batch_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "support/fake_platform.h"
#include "ui/failure.h"

namespace posteri {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Operation = FakeSystem::Operation;

const std::string kPhoto = "/foto/quadrata.jpg";

class BatchRunTest : public ::testing::Test {
  protected:
    BatchRunTest() {
        fake.system.files[kPhoto] = "jpeg";
        fake.images.photos[kPhoto] = PhotoFacts{1000, 1000, 72, 72};
        fake.printers.sheet = SheetMetrics{4961, 7016, 0, 0, 4961, 7016, 600, 600};
        fake.printers.outcome.pdf_path = "/lavoro/quadratapdfcreator A4.pdf";
    }

    BatchOutcome run(const std::string& printer = "pdfcreator A4", const std::string& workdir = "") {
        return run_batch(fake.platform(), {kPhoto, printer, workdir});
    }

    FakePlatform fake;
};

TEST_F(BatchRunTest, PrintsWithTheDefaultsAndReportsTheSummaryAndThePdf) {
    const BatchOutcome outcome = run("pdfcreator A4", "/lavoro");
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_THAT(outcome.error, IsEmpty());
    // A square photo prints upright; its summary line stays empty as in a person's run.
    const auto& calls = fake.printers.calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1], "attach pdfcreator A4 | /foto/quadratapdfcreator A4");
    EXPECT_EQ(calls[2], "orientation portrait");
    EXPECT_EQ(calls.back(), "end_job");
    ASSERT_EQ(outcome.lines.size(), 15u);
    EXPECT_EQ(outcome.lines[0], "Nome file                                : /foto/quadrata.jpg");
    EXPECT_EQ(outcome.lines[1], "Orientamento                             :");
    EXPECT_EQ(outcome.lines[12], std::string(41, ' ') + ":");
    EXPECT_EQ(outcome.lines[13], "Font usata                               : ar bonnie");
    EXPECT_EQ(outcome.lines[14], "PDF: /lavoro/quadratapdfcreator A4.pdf");
    EXPECT_EQ(fake.system.cwd, "/lavoro");
    EXPECT_TRUE(fake.system.files.contains("fulllog.log"));
    EXPECT_TRUE(fake.system.files.contains("impostazioni.log"));
}

TEST_F(BatchRunTest, JobOnAPrintServerIsReportedByItsNumber) {
    fake.printers.outcome = JobOutcome{"", 42, "Ufficio"};
    EXPECT_EQ(run("Ufficio").lines.back(), "Job: 42");
}

TEST_F(BatchRunTest, PrinterNamesMatchWithoutRegardToLetterCase) {
    fake.printers.names = {"pdfcreator A4", "Ufficio"};
    for (const std::string given : {"PDFCREATOR A4", "pdfcreator a4", "UFFICIO", "Altrove"}) {
        fake.printers.calls.clear();
        run(given);
        const std::string listed = given == "UFFICIO" ? "Ufficio" : given == "Altrove" ? given : "pdfcreator A4";
        EXPECT_THAT(fake.printers.calls, Contains(HasSubstr("attach " + listed + " | /foto/quadrata" + listed)));
    }
}

TEST_F(BatchRunTest, PrinterThatCannotBeAttachedEndsWithOneAndNothingSaved) {
    fake.printers.attach_result = 68;
    const BatchOutcome outcome = run("Nessuna");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.error, "Stampante non utilizzabile: Nessuna (Device unavailable)");
    EXPECT_THAT(outcome.lines, IsEmpty());
    EXPECT_FALSE(fake.system.files.contains("impostazioni.log"));
}

// Refused in posteri's words, before anything is written or any printer attached.
TEST_F(BatchRunTest, MissingPhotoEndsWithOneAndNothingWritten) {
    fake.system.files.erase(kPhoto);
    const BatchOutcome outcome = run("pdfcreator A4", "/lavoro");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.error, kPhoto + ": Questo file non c'\xE8 pi\xF9.");
    EXPECT_THAT(fake.system.files, IsEmpty());
    EXPECT_EQ(fake.system.cwd, "/home/utente");
    EXPECT_THAT(fake.printers.calls, IsEmpty());
}

TEST_F(BatchRunTest, UnusableWorkingFolderIsBadUsage) {
    fake.system.fail(Operation::SetWorkingDirectory, "/manca", ENOENT);
    const BatchOutcome outcome = run("pdfcreator A4", "/manca");
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_THAT(outcome.error, HasSubstr("/manca"));
    EXPECT_THAT(fake.printers.calls, IsEmpty());
}

TEST_F(BatchRunTest, FailureNoticeIsWrittenAsTextAndEndsTheRunAsCancel) {
    std::ostringstream errors;
    StreamFault fault(errors);
    Platform platform{fake.console,  fake.system, fault,        fake.speech,
                      fake.printers, fake.images, fake.windows, fake.fonts};
    fake.system.fail(Operation::AppendFile, "fulllog.log", ENOSPC);
    try {
        run_batch(platform, {kPhoto, "pdfcreator A4", ""});
        FAIL() << "the run went on after the notice";
    } catch (const RunEnded& ended) {
        EXPECT_EQ(ended.exit_code, 255);
    }
    EXPECT_THAT(errors.str(),
                HasSubstr("Untrapped Error #61 (Disk full)\nhas occurred following execution of SCP_SALV"));
    EXPECT_THAT(fake.printers.calls, Not(Contains("end_job")));
}

TEST_F(BatchRunTest, AssignmentsChangeTheLoadedSettingsWhichAreSavedButNotRemembered) {
    fake.system.files["impostazioni.log"] = "a.fits = 1\r\na.testo2 = Rossi\r\n";
    BatchRequest request{kPhoto, "pdfcreator A4", ""};
    request.assignments = {{"fits", "2"}, {"testo1", "Caff\xE8"}, {"fits", "0"}};
    ASSERT_EQ(run_batch(fake.platform(), request).exit_code, 0);
    const std::string& saved = fake.system.files["impostazioni.log"];
    EXPECT_THAT(saved, HasSubstr("a.fits               = 0 \r\n"));
    EXPECT_THAT(saved, HasSubstr("a.testo1             = Caff\xE8 "));
    EXPECT_THAT(saved, HasSubstr("a.testo2             = Rossi "));
    EXPECT_FALSE(fake.system.files.contains("testo.log"));
}

TEST_F(BatchRunTest, PrinterListGivesEachNameInByteOrderWithItsSheet) {
    fake.printers.names = {"pdfcreator A4", "Ufficio"};
    fake.printers.sheet = SheetMetrics{4961, 7016, 0, 0, 4961, 7016, 600, 600};
    EXPECT_THAT(printer_list(fake.platform()),
                ::testing::ElementsAre("Ufficio\t21.0 x 29.7 cm", "pdfcreator A4\t21.0 x 29.7 cm"));
    EXPECT_EQ(fake.printers.calls.back(), "release");
    fake.printers.attach_result = 68;
    EXPECT_THAT(printer_list(fake.platform()), IsEmpty());
}

}  // namespace
}  // namespace posteri
