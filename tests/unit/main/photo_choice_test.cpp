// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/photo_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "main/file_chooser.h"
#include "main/run_operations.h"
#include "support/fake_platform.h"

namespace posteri {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Operation = FakeSystem::Operation;

TEST(DialogFilter, BarsBecomeNulsAndOneMoreNulEnds) {
    EXPECT_EQ(dialog_filter("*.jpg|*.jpg|"), std::string("*.jpg\0*.jpg\0\0", 13));
    EXPECT_EQ(dialog_filter(""), std::string(1, '\0'));
}

TEST(DialogFilter, TheReturnedNameEndsAtTheFirstPairOfNulsElseAtTheOnlyNul) {
    using namespace std::string_literals;
    EXPECT_EQ(returned_file_name("/foto/a.jpg\0\0\0"s), "/foto/a.jpg");
    EXPECT_EQ(returned_file_name("/foto\0a.jpg\0b.jpg\0\0"s), "/foto\0a.jpg\0b.jpg"s);
    EXPECT_EQ(returned_file_name("/foto/a.jpg\0"s), "/foto/a.jpg");
    EXPECT_EQ(returned_file_name("/foto/a.jpg"), "");
    EXPECT_EQ(returned_file_name(std::string(kFileNameBufferSize, '\0')), "");
}

TEST(FilePatterns, WildcardsIgnoreLetterCase) {
    EXPECT_TRUE(matches_patterns("FOTO.JPG", "*.jpg"));
    EXPECT_TRUE(matches_patterns("mare.jpg", "*.JPG"));
    EXPECT_TRUE(matches_patterns("\xC8state.jpg", "\xE8*"));  // È matches è
    EXPECT_FALSE(matches_patterns("mare.jpeg", "*.jpg"));
    EXPECT_FALSE(matches_patterns("mare.jpg.txt", "*.jpg"));
    EXPECT_TRUE(matches_patterns("mare.jpeg", "*.jpg; *.jpeg"));
    for (const char* photo :
         {"a.jpg", "b.JPEG", "c.Jpe", "d.jfif", "e.PNG", "f.webp", "g.WebP", "h.HEIC", "i.heif", "j.Avif", "k.jxl",
          "l.JXL", "m.TIF", "n.tiff"}) {
        EXPECT_TRUE(matches_patterns(photo, kPhotoPatterns)) << photo;
    }
    EXPECT_FALSE(matches_patterns("h.webp.txt", kPhotoPatterns));
    EXPECT_TRUE(matches_patterns("a.jpg", "?.jpg"));
    EXPECT_FALSE(matches_patterns("ab.jpg", "?.jpg"));
    EXPECT_TRUE(matches_patterns("axbxxc", "a*b*c"));
    EXPECT_FALSE(matches_patterns("axbxxcd", "a*b*c"));
    EXPECT_TRUE(matches_patterns("qualsiasi", ""));
}

// A folder tree in the fake system; the console is 80 x 25, so the chooser's box takes rows 1 to 25,
// columns 3 to 78, and its list starts on row 4.
class FileChooserTest : public ::testing::Test {
  protected:
    static constexpr int kFirstListRow = 4;

    FileChooserTest() {
        for (const char* path :
             {"/home/utente/mare.jpg", "/home/utente/FOTO.JPG", "/home/utente/note.txt",
              "/home/utente/zaino.WebP", "/home/utente/.nascosta.jpg", "/home/utente/vacanze/spiaggia.jpg",
              "/home/utente/vacanze/l'isola, d\xEC sera.jpg"}) {
            fake.system.files[path] = "jpeg";
        }
        fake.system.folders.insert("/home/utente/vuota");
        fake.console.before_read = [this] { screens.push_back(fake.console.screen_text()); };
    }

    std::string choose() { return FUN_SCELTA_FILE(fake.platform(), kPhotoPatterns, kPhotoKindNames); }
    void keys(std::initializer_list<std::string> keys) { fake.console.push_keys(keys); }
    void down(int times) {
        for (int i = 0; i < times; ++i) fake.console.push_key(keys::kDown);
    }

    FakePlatform fake;
    // The screen at each key the chooser waited for.
    std::vector<std::string> screens;
};

TEST_F(FileChooserTest, ShowsTitleFolderFilterThenParentFoldersAndMatchingFiles) {
    keys({keys::kEsc});
    EXPECT_EQ(choose(), "");
    ASSERT_EQ(screens.size(), 1u);
    const std::string& screen = screens[0];
    EXPECT_THAT(screen, HasSubstr(" Scegli il file "));
    EXPECT_THAT(screen, HasSubstr("\xE2\x94\x82 /home/utente "));
    EXPECT_THAT(screen, HasSubstr("File: JPEG PNG HEIC AVIF WebP JXL TIFF   Invio apre, Esc annulla"));
    EXPECT_THAT(screen, HasSubstr("vacanze/"));
    EXPECT_THAT(screen, HasSubstr("FOTO.JPG"));
    EXPECT_THAT(screen, Not(HasSubstr("note.txt")));
    EXPECT_THAT(screen, Not(HasSubstr("nascosta")));
    // "..", the folders, then the files, each in name order.
    const auto row = [&screen](int n) {
        std::size_t start = 0;
        for (int i = 1; i < n; ++i) start = screen.find('\n', start) + 1;
        return screen.substr(start, screen.find('\n', start) - start);
    };
    EXPECT_THAT(row(kFirstListRow), HasSubstr(" .. "));
    EXPECT_THAT(row(kFirstListRow + 1), HasSubstr(" vacanze/ "));
    EXPECT_THAT(row(kFirstListRow + 2), HasSubstr(" vuota/ "));
    EXPECT_THAT(row(kFirstListRow + 3), HasSubstr(" FOTO.JPG "));
    EXPECT_THAT(row(kFirstListRow + 4), HasSubstr(" mare.jpg "));
    EXPECT_THAT(row(kFirstListRow + 5), HasSubstr(" zaino.WebP "));
}

TEST_F(FileChooserTest, EnterOnAFileGivesItsFullPath) {
    down(4);
    keys({keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/mare.jpg");
}

TEST_F(FileChooserTest, EnterOpensFoldersAndTheParentComesBackWithTheFolderSelected) {
    down(1);
    keys({keys::kEnter, keys::kEnter});  // into "vacanze", then ".."
    keys({keys::kEnter, keys::kEnd, keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/vacanze/spiaggia.jpg");
    EXPECT_THAT(screens[2], HasSubstr("/home/utente/vacanze "));
}

TEST_F(FileChooserTest, NamesWithApostrophesCommasAndAccentsAreChosenWhole) {
    down(1);
    keys({keys::kEnter, keys::kDown, keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/vacanze/l'isola, d\xEC sera.jpg");
}

TEST_F(FileChooserTest, TypingSelectsTheFirstItemHoldingTheTextAndAMissRestartsTheSearch) {
    fake.console.push_text("MAR");
    keys({"z", keys::kEnter});  // "MARz" holds nowhere: the search restarts, mare.jpg stays selected
    EXPECT_EQ(choose(), "/home/utente/mare.jpg");
    EXPECT_THAT(screens[3], HasSubstr("Cerca: MAR"));
    EXPECT_THAT(screens[4], Not(HasSubstr("Cerca:")));
}

TEST_F(FileChooserTest, AMovementKeyEndsTheSearch) {
    fake.console.push_text("vu");
    keys({keys::kUp, "f", keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/FOTO.JPG");
}

TEST_F(FileChooserTest, APressSelectsAndADoubleClickOpens) {
    fake.console.push_mouse(keys::kMousePress, kFirstListRow + 4, 10);
    keys({keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/mare.jpg");

    fake.console.push_mouse(keys::kMouseDoubleClick, kFirstListRow + 1, 10);  // "vacanze"
    fake.console.push_mouse(keys::kMouseDoubleClick, kFirstListRow + 2, 10);  // "spiaggia.jpg" in it
    EXPECT_EQ(choose(), "/home/utente/vacanze/spiaggia.jpg");
}

TEST_F(FileChooserTest, ClicksOutsideTheListDoNothing) {
    fake.console.push_mouse(keys::kMouseDoubleClick, kFirstListRow + 10, 10);  // an empty row
    fake.console.push_mouse(keys::kMouseDoubleClick, 1, 10);                   // the top border
    keys({keys::kEsc});
    EXPECT_EQ(choose(), "");
    EXPECT_EQ(fake.console.keys_left(), 0u);
}

TEST_F(FileChooserTest, TheScreenCursorAndMouseModeComeBackAsTheyWere) {
    fake.console.write("prima");
    fake.console.set_cursor_visible(true);
    const std::string before = fake.console.screen_text();
    const CellPos cursor = fake.console.cursor();
    keys({keys::kEsc});
    choose();
    EXPECT_EQ(fake.console.screen_text(), before);
    EXPECT_EQ(fake.console.cursor(), cursor);
    EXPECT_TRUE(fake.console.cursor_visible());
    EXPECT_FALSE(fake.console.mouse_on());
}

// A larger terminal moves the centred box: the old one must not stay behind it.
TEST_F(FileChooserTest, AfterTheTerminalGrowsOneBoxShowsOverWhatWasThere) {
    fake.console.write("prima");
    fake.console.before_read = [this] {
        screens.push_back(fake.console.screen_text());
        fake.console.set_size({120, 40});
    };
    keys({keys::kDown, keys::kEsc});
    choose();
    const std::string& moved = screens.at(1);
    EXPECT_EQ(moved.find(" Scegli il file "), moved.rfind(" Scegli il file ")) << moved;
    EXPECT_EQ(moved.find("\xE2\x94\x8C"), moved.rfind("\xE2\x94\x8C")) << moved;  // one top-left corner
    EXPECT_THAT(moved, HasSubstr("prima"));
}

TEST_F(FileChooserTest, ANameTheProgramCannotHoldIsShownButRefused) {
    fake.system.files["/home/utente/f?to.jpg"] = "jpeg";
    fake.system.unusable_names.insert("f?to.jpg");
    fake.console.push_text("f?to");
    keys({keys::kEnter, keys::kEsc});
    EXPECT_EQ(choose(), "");
    EXPECT_THAT(screens.back(), HasSubstr("rinominalo per sceglierlo"));
}

TEST_F(FileChooserTest, AnUnreadableFolderIsNotEnteredAndSaysSo) {
    fake.system.fail(Operation::ListDirectory, "/home/utente/vuota", EACCES);
    down(2);
    keys({keys::kEnter, keys::kDown, keys::kEnter});
    EXPECT_EQ(choose(), "/home/utente/FOTO.JPG");
    EXPECT_THAT(screens[3], HasSubstr("Non riesco a leggere questa cartella."));
}

TEST_F(FileChooserTest, AFileGoneSinceTheListingIsRefusedAndTheListRenewed) {
    fake.console.push_text("mare");
    fake.console.before_read = [this] {
        screens.push_back(fake.console.screen_text());
        if (screens.size() == 5) fake.system.files.erase("/home/utente/mare.jpg");
    };
    keys({keys::kEnter, keys::kEsc});
    EXPECT_EQ(choose(), "");
    EXPECT_THAT(screens.back(), HasSubstr("Questo file non c'\xC3\xA8 pi\xC3\xB9."));
    EXPECT_THAT(screens.back(), Not(HasSubstr("mare.jpg")));
}

TEST_F(FileChooserTest, AnUnreadableWorkingFolderStillLeadsToItsParent) {
    fake.system.fail(Operation::ListDirectory, "/home/utente", EACCES);
    fake.system.files["/home/altro.jpg"] = "jpeg";
    keys({keys::kEnter});  // ".."
    keys({keys::kEnd, keys::kEnter});
    EXPECT_EQ(choose(), "/home/altro.jpg");
    EXPECT_THAT(screens[0], HasSubstr("Non riesco a leggere questa cartella."));
}

TEST_F(FileChooserTest, TheRootHasNoParentEntry) {
    fake.system.cwd = "/";
    fake.system.files["/radice.jpg"] = "jpeg";
    down(1);  // past "home/", the first entry when there is no ".."
    keys({keys::kEnter});
    EXPECT_EQ(choose(), "/radice.jpg");
}

TEST_F(FileChooserTest, APathLongerThanTheRunCanKeepIsRefused) {
    const std::string folder = "/home/utente/" + std::string(240, 'c');
    fake.system.files[folder + "/lunga.jpg"] = "jpeg";
    fake.console.push_text("ccc");
    keys({keys::kEnter, keys::kEnd, keys::kEnter, keys::kEsc});
    EXPECT_EQ(choose(), "");
    EXPECT_THAT(screens.back(), HasSubstr("Percorso troppo lungo"));
}

TEST_F(FileChooserTest, OpenFileUsesTheFirstFilterAndWritesTheFlagsBack) {
    fake.system.files["/home/utente/ritratto.png"] = "png";
    std::string name;
    std::int32_t flags = kOfnFileMustExist;
    fake.console.push_text("ritr");
    keys({keys::kEnter});
    EXPECT_EQ(OPENFILE(fake.platform(), "Apri foto", name, "", "Immagini PNG|*.png|Tutti|*.*|", "jpg", flags),
              1);
    EXPECT_EQ(name, "/home/utente/ritratto.png");
    EXPECT_EQ(flags, kOfnFileMustExist | kOfnExtensionDifferent);
    EXPECT_THAT(screens[0], HasSubstr(" Apri foto "));
    EXPECT_THAT(screens[0], HasSubstr("File: Immagini PNG"));
    EXPECT_THAT(screens[0], Not(HasSubstr("mare.jpg")));
}

TEST_F(FileChooserTest, OpenFileKeepsTheFlagsWhenTheExtensionIsTheDefaultOne) {
    std::string name;
    std::int32_t flags = 0;
    fake.console.push_text("foto");
    keys({keys::kEnter});
    EXPECT_EQ(OPENFILE(fake.platform(), "", name, "/home/utente/", "*.jpg|*.jpg|", "jpg", flags), 1);
    EXPECT_EQ(name, "/home/utente/FOTO.JPG");
    EXPECT_EQ(flags, 0);
}

TEST_F(FileChooserTest, ACancelledOpenFileGivesBackTheNameItWasGivenAndShowsEveryFile) {
    std::string name = "vecchio.jpg";
    std::int32_t flags = 0;
    keys({keys::kEsc});
    fake.system.cwd = "/home/utente/vacanze";
    fake.system.files["/home/utente/vacanze/diario.txt"] = "testo";
    EXPECT_EQ(OPENFILE(fake.platform(), "", name, "", "", "", flags), 0);
    EXPECT_EQ(name, "vecchio.jpg");
    EXPECT_THAT(screens[0], HasSubstr(" Apri "));
    EXPECT_THAT(screens[0], HasSubstr("/home/utente/vacanze"));  // no folder given: the working one
    EXPECT_THAT(screens[0], HasSubstr("File: *  "));             // no filter: every file
    EXPECT_THAT(screens[0], HasSubstr("diario.txt"));
}

TEST(PhotoArgument, TakesAPhotoAsTheChooserWouldGiveItOrRefusesInItsWords) {
    FakeSystem system;
    FakeImages images;
    for (const char* path : {"/home/utente/mare.jpg", "/home/utente/note.txt", "/foto/panorama.png"}) {
        system.files[path] = "x";
    }
    images.photos["/home/utente/mare.jpg"] = PhotoFacts{};
    images.photos["/foto/panorama.png"] = PhotoFacts{};
    const std::string deep = "/" + std::string(260, 'a') + ".jpg";
    system.files[deep] = "x";
    images.photos[deep] = PhotoFacts{};
    system.folders.insert("/home/utente/vacanze");
    system.others = {{"/home/utente/canale.jpg", FileKind::Fifo},
                     {"/dev/null", FileKind::Device},
                     {"/run/presa", FileKind::Socket},
                     {"/tmp/piantato.jpg", FileKind::Untrusted}};
    const struct {
        std::string given;
        std::string path;
        std::string_view refusal;
    } cases[] = {
        {"mare.jpg", "/home/utente/mare.jpg", ""},
        {"./../utente/mare.jpg", "/home/utente/mare.jpg", ""},
        {"/foto/panorama.png", "/foto/panorama.png", ""},
        {"manca.jpg", "/home/utente/manca.jpg", "Questo file non c'\xE8 pi\xF9."},
        {"note.txt", "/home/utente/note.txt", kNotAPhoto},
        {"\xE6\x97\xA5.jpg", "", kUnusableName},
        {deep, deep, "Percorso troppo lungo: sposta il file in una cartella pi\xF9 vicina."},
        {"", "", kEmptyPhotoName},
        {"vacanze", "", "Questa \xE8 una cartella, non una foto."},
        {"canale.jpg", "", "Questo \xE8 un canale (FIFO), non una foto."},
        {"/dev/null", "", "Questo \xE8 un dispositivo, non una foto."},
        {"/run/presa", "", "Questo \xE8 un socket, non una foto."},
        {"/tmp/piantato.jpg", "", "Questo collegamento \xE8 di un altro utente, in una cartella condivisa: non lo seguo."},
    };
    for (const auto& c : cases) {
        const PhotoArgument photo = photo_argument(system, images, c.given);
        EXPECT_EQ(photo.refusal, c.refusal) << c.given;
        if (photo.refusal.empty()) {
            EXPECT_EQ(photo.path, c.path);
        }
    }
}

}  // namespace
}  // namespace posteri
