// A real print server: the test starts its own cupsd with a cups-pdf queue "PDFCreator", prints
// on it through LinuxPrinters and finds the PDF that cups-pdf wrote.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "integration/pdf_test_support.h"
#include "platform/linux/linux_printers.h"

extern char** environ;

namespace posteri {
namespace {

using namespace posteri::testing;

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kCupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

class CupsPrintingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kCupsd) || !fs::exists(kCupsPdfBackend) || !fs::exists(kCupsPdfPpd)) {
            GTEST_SKIP() << "cupsd or cups-pdf is not installed";
        }
        std::string pattern = (fs::temp_directory_path() / "posteri-cups-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        socket_ = dir_ / "cups.sock";
        write_configuration();
        if (!start_cupsd()) GTEST_SKIP() << "cupsd cannot start here: " << file_content(dir_ / "error_log");
        // The queue's sheet: A4 with margins of 10 pt left, 30 pt right and top, 20 pt bottom.
        const fs::path ppd = dir_ / "pdfcreator.ppd";
        ASSERT_EQ(run("sed 's/^\\*ImageableArea A4\\/A4: .*/*ImageableArea A4\\/A4: \"10 20 565 812\"/' " +
                      quoted(kCupsPdfPpd) + " > " + quoted(ppd))
                      .status,
                  0);
        ASSERT_EQ(run("lpadmin -h " + quoted(socket_) + " -p PDFCreator -E -v cups-pdf:/ -P " + quoted(ppd) +
                      " -o TitlePref=1 2>&1")
                      .status,
                  0);
        cupsSetServer(socket_.c_str());
    }

    void TearDown() override {
        cupsSetServer(nullptr);
        if (cupsd_ > 0) {
            ::kill(cupsd_, SIGTERM);
            ::waitpid(cupsd_, nullptr, 0);
        }
        if (!dir_.empty()) fs::remove_all(dir_);
        if (!printed_.empty()) fs::remove(printed_);
    }

    void write_configuration() {
        const std::string d = dir_.string();
        for (const char* sub : {"spool", "cache", "state", "ppd"}) fs::create_directory(dir_ / sub);
        std::ofstream(dir_ / "cupsd.conf")
            << "Listen " << socket_.string() << "\nLogLevel warn\nBrowsing Off\n"
            << "WebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n"
            << "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
            << "  </Limit>\n</Policy>\n";
        std::ofstream(dir_ / "cups-files.conf")
            << "ServerRoot " << d << "\nRequestRoot " << d << "/spool\nCacheDir " << d << "/cache\nStateDir "
            << d << "/state\nTempDir " << d << "/spool\nErrorLog " << d << "/error_log\nAccessLog " << d
            << "/access_log\nPageLog " << d << "/page_log\nSystemGroup root\n";
    }

    bool start_cupsd() {
        const std::string conf = (dir_ / "cupsd.conf").string();
        const std::string files = (dir_ / "cups-files.conf").string();
        std::vector<std::string> args{kCupsd, "-f", "-c", conf, "-s", files};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&cupsd_, kCupsd, nullptr, nullptr, argv.data(), environ) != 0) {
            cupsd_ = 0;
            return false;
        }
        for (int tries = 0; tries < 100; ++tries) {
            if (fs::exists(socket_)) return true;
            if (::waitpid(cupsd_, nullptr, WNOHANG) == cupsd_) {
                cupsd_ = 0;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // cups-pdf names the file after the job's title, spaces made "_", with the job's number.
    fs::path wait_for_printed(const std::string& title, int job) {
        const fs::path file = fs::path("/root/PDF") / (title + "-job_" + std::to_string(job) + ".pdf");
        for (int tries = 0; tries < 200; ++tries) {
            if (fs::exists(file) && run("qpdf --check " + quoted(file) + " >/dev/null 2>&1").status == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return file;
    }

    fs::path dir_;
    fs::path socket_;
    pid_t cupsd_ = 0;
    fs::path printed_;
    LinuxPrinters printers_{false};
};

TEST_F(CupsPrintingTest, QueuesFollowTheBuiltInsWithTheirMediaMarginsAndResolution) {
    const std::vector<std::string> names = printers_.list();
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[5], "PDFCreator");

    ASSERT_EQ(printers_.attach("PDFCreator", "prova"), 0);
    EXPECT_EQ(printers_.attached_name(), "PDFCreator");
    // A4 (595 × 842 pt) at the queue's 300 dpi: 1 pt is 300 / 72 device pixels.
    const SheetMetrics portrait = printers_.metrics();
    EXPECT_EQ(portrait.dpi_x, 300);
    EXPECT_EQ(portrait.dpi_y, 300);
    EXPECT_NEAR(portrait.physical_width, 2480, 1);
    EXPECT_NEAR(portrait.physical_height, 3508, 1);
    EXPECT_NEAR(portrait.offset_x, 42, 1);            // left 10 pt
    EXPECT_NEAR(portrait.offset_y, 125, 1);           // top 30 pt
    EXPECT_NEAR(portrait.printable_width, 2313, 1);   // 555 pt
    EXPECT_NEAR(portrait.printable_height, 3300, 1);  // 792 pt

    printers_.set_orientation(PageOrientation::Landscape);
    const SheetMetrics landscape = printers_.metrics();
    EXPECT_EQ(landscape.physical_width, portrait.physical_height);
    EXPECT_EQ(landscape.physical_height, portrait.physical_width);
    EXPECT_NEAR(landscape.offset_x, 83, 1);  // the bottom margin, 20 pt, comes to the left
    EXPECT_EQ(landscape.offset_y, portrait.offset_x);
    EXPECT_EQ(landscape.printable_width, portrait.printable_height);
    EXPECT_EQ(landscape.printable_height, portrait.printable_width);
    printers_.release();

    EXPECT_EQ(printers_.attach("NessunaCoda", "prova"), 68);
    EXPECT_EQ(printers_.attached_name(), "");
}

TEST_F(CupsPrintingTest, APrintedPosterKeepsItsTextAndPhotoAndIsTitledWithTheDocumentName) {
    const std::string title = "poster_" + std::to_string(::getpid());
    const std::string jpeg = marked_jpeg(64, 32);
    const auto photo = jpeg_photo(jpeg, 64, 32, 1);
    ASSERT_EQ(printers_.attach("PDFCreator", title), 0);
    printers_.stretch_bitmap(*photo, PixelRect{0, 0, 63, 31}, DeviceRect{100, 100, 739, 419});
    printers_.select_font("DejaVu Sans", 24, true);
    printers_.set_text_colour(0);
    printers_.move_to({100, 600});
    printers_.draw_text("Il mare d'inverno");
    ASSERT_EQ(printers_.end_job(), 0);
    const int job = printers_.last_job().job_id;
    EXPECT_GT(job, 0);
    EXPECT_EQ(printers_.last_job().pdf_path, "");

    printed_ = wait_for_printed(title, job);
    ASSERT_TRUE(fs::exists(printed_)) << "cups-pdf wrote nothing: " << file_content(dir_ / "error_log");
    // Still text, not a picture of the page.
    EXPECT_NE(run("pdftotext " + quoted(printed_) + " -").output.find("Il mare d'inverno"),
              std::string::npos);
    // The photo sits at the printable area's corner plus (100, 100) device pixels: at 30 dpi,
    // (42 + 100) / 10 and (125 + 100) / 10; its red quarter is top left.
    const Picture page = render(printed_, 30, 0, 0, 248, 350);
    EXPECT_TRUE(near(page.at(14 + 8, 22 + 8), kRed, 60));
    EXPECT_TRUE(near(page.at(14 + 48, 22 + 24), kBlue, 60));
    EXPECT_TRUE(near(page.at(10, 18), kWhite, 10));
}

TEST(CupsWithoutServerTest, OnlyTheBuiltInsAreListedAtOnce) {
    cupsSetServer((fs::temp_directory_path() / "posteri-no-cupsd.sock").c_str());
    LinuxPrinters printers(false);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> names = printers.list();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(names.size(), 5u);
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_EQ(printers.attach("PDFCreator", "prova"), 68);
    cupsSetServer(nullptr);
}

}  // namespace
}  // namespace posteri
