// The built updater, run as a player runs it: from its folder inside an
// installation, against a real web server.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "categories/layout.h"
#include "driver/update_run.h"
#include "tests/apache_server.h"
#include "tests/temp_dir.h"

namespace {

const char kRecord[] = "/install/Data/data_version.bin";

// What the player sees of the whole update, after the banner.
const char kWholeUpdateTranscript[] =
    "--------------------\n"
    "Applying update 1.01\n"
    "--------------------\n"
    "\n"
    "\n"
    "Looking for new songs!\n"
    "\n"
    "Downloading new songs, please wait...\n"
    "\n"
    "0%\n"
    "50.00% downloaded\n"
    "100.00% downloaded\n"
    "\n"
    "New songs added:\n"
    "\n"
    "Song A\n"
    "Beat\n"
    "\n"
    "Looking for new nonstops!\n"
    "\n"
    "Downloading new nonstops, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New nonstops added:\n"
    "\n"
    "Marathon\n"
    "\n"
    "Looking for new onis!\n"
    "\n"
    "No new onis in this update.\n"
    "\n"
    "\n"
    "Looking for new CDTitles!\n"
    "\n"
    "Downloading new CDTitles, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New CDTitles added:\n"
    "\n"
    "Label\n"
    "\n"
    "Looking for new metrics!\n"
    "\n"
    "Downloading new metrics, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New metrics added!\n"
    "\n"
    "\n"
    "Looking for new executable!\n"
    "\n"
    "No new executable in this update.\n"
    "\n"
    "\n"
    "Looking for other files!\n"
    "\n"
    "No new files in this update.\n"
    "\n"
    "--------------------\n"
    "Applying update 1.02\n"
    "--------------------\n"
    "\n"
    "\n"
    "Looking for new songs!\n"
    "\n"
    "No new songs in this update.\n"
    "\n"
    "\n"
    "Looking for new nonstops!\n"
    "\n"
    "No new nonstops in this update.\n"
    "\n"
    "\n"
    "Looking for new onis!\n"
    "\n"
    "Downloading new onis, please wait...\n"
    "\n"
    "0%\n"
    "50.00% downloaded\n"
    "100.00% downloaded\n"
    "\n"
    "New onis added:\n"
    "\n"
    "Trial\n"
    "\n"
    "Not found on the server:\n"
    "\n"
    "Ghost\n"
    "\n"
    "Looking for new CDTitles!\n"
    "\n"
    "No new CDTitles in this update.\n"
    "\n"
    "\n"
    "Looking for new metrics!\n"
    "\n"
    "No new metrics in this update.\n"
    "\n"
    "\n"
    "Looking for new executable!\n"
    "\n"
    "Downloading new executable, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New executable installed!\n"
    "\n"
    "\n"
    "Looking for other files!\n"
    "\n"
    "Downloading new files, please wait...\n"
    "\n"
    "0%\n"
    "50.00% downloaded\n"
    "100.00% downloaded\n"
    "\n"
    "New files added!\n"
    "\n"
    "--------------------\n"
    "Applying update 1.03\n"
    "--------------------\n"
    "\n"
    "\n"
    "Looking for new songs!\n"
    "\n"
    "Downloading new songs, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New songs added:\n"
    "\n"
    "Song A\n"
    "\n"
    "Looking for new nonstops!\n"
    "\n"
    "No new nonstops in this update.\n"
    "\n"
    "\n"
    "Looking for new onis!\n"
    "\n"
    "No new onis in this update.\n"
    "\n"
    "\n"
    "Looking for new CDTitles!\n"
    "\n"
    "No new CDTitles in this update.\n"
    "\n"
    "\n"
    "Looking for new metrics!\n"
    "\n"
    "Downloading new metrics, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "Looking for new executable!\n"
    "\n"
    "No new executable in this update.\n"
    "\n"
    "\n"
    "Looking for other files!\n"
    "\n"
    "Downloading new files, please wait...\n"
    "\n"
    "0%\n"
    "100.00% downloaded\n"
    "\n"
    "New files added!\n"
    "\n"
    "YOUR GAME IS NOW UP TO DATE!!!\n"
    "\n"
    "\n";

// The warnings of the whole update, on the error stream.
const char kWholeUpdateWarnings[] =
    "warning: update 1.03 announces metrics.ini but the server does not have it; it was not installed.\n"
    "warning: skipped \"evil\": the path leads outside the installation\n";

struct program_run {
  int status = -1;
  std::string out;
  std::string err;
};

std::string quote(std::string text) { return "'" + text + "'"; }

const char kWineLoader[] = "/usr/lib/wine/wine64";

std::string binary_bytes(int copies) {
  std::string bytes;
  for (int copy = 0; copy < copies; ++copy)
    for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

// One build of the updater as the tests start it: the native binary, or the
// Windows .exe under wine.
struct updater_build {
  std::string name;
  std::string program;  // empty: this build was not given to the tests
  bool windows = false;
};

const updater_build kNativeBuild = {"Native", KORVANTH_UPDATER_BINARY, false};
const updater_build kWindowsBuild = {
    "WindowsUnderWine",
    std::string(KORVANTH_WINDOWS_BUILD_DIR).empty()
        ? ""
        : std::string(KORVANTH_WINDOWS_BUILD_DIR) + "/korvanth-updater-for-tests.exe",
    true};

// The shell command that starts a Windows program under wine. Every program
// the tests start shares one wine prefix, made on first use; `flock` keeps
// test processes that start together from making it twice. Empty when the
// prefix cannot be made.
std::string wine_command(std::string program) {
  std::string prefix = KORVANTH_WINE_PREFIX;
  // Wine stores names in the locale's character set, and takes its ANSI code
  // page (Windows-1252) from the locale too.
  std::string environment = "env -u DISPLAY LC_ALL=C.UTF-8 WINEPREFIX=" + quote(prefix) +
                            " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d' ";
  static bool ready = [&] {
    if (path_exists(prefix + "/system.reg")) return true;
    std::string make = "flock " + quote(prefix + ".lock") + " " + environment + kWineLoader +
                       " wineboot -i >" + quote(prefix + ".log") + " 2>&1";
    return std::system(make.c_str()) == 0;
  }();
  if (!ready) return "";
  return environment + kWineLoader + " " + quote(program);
}

// The shell command that starts `build`'s updater.
std::string start_command(updater_build build) {
  return build.windows ? wine_command(build.program) : quote(build.program);
}

// A web server's document root and an installation at 1.00, side by side.
struct ProgramTest : testing::TestWithParam<updater_build> {
  void SetUp() override {
    if (GetParam().program.empty()) GTEST_SKIP() << "no Windows build was given to the tests";
    start = start_command(GetParam());
    ASSERT_FALSE(start.empty()) << "cannot make the wine prefix; see " KORVANTH_WINE_PREFIX ".log";
    dir = make_temp_dir();
    write_file(dir + "/install/Updater/readme.txt", "the updater's folder");
    write_file(dir + kRecord, "1.00");
    write_file(dir + "/www/game_data/actual_version.txt", "1.00");
  }
  void TearDown() override {
    stop_apache(server);
    if (!dir.empty()) remove_tree(dir);
  }

  void serve(std::string extra_config = "") {
    stop_apache(server);
    server = start_apache(dir + "/www", KORVANTH_TEST_USER, KORVANTH_TEST_PASSWORD,
                          KORVANTH_TEST_PORT, extra_config);
    ASSERT_GT(server.pid, 0) << server.error;
  }

  void publish(std::string path, std::string content) {
    write_file(dir + "/www/game_data/" + path, content);
  }

  program_run run_updater() {
    program_run run;
    std::string command = "cd " + quote(dir + "/install/Updater") + " && " + start +
                          " </dev/null >" + quote(dir + "/out") + " 2>" + quote(dir + "/err");
    int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = read_file(dir + "/out");
    run.err = read_file(dir + "/err");
    return run;
  }

  std::string start;  // the shell command that starts the updater
  std::string dir;
  apache_server server;
};

void PrintTo(const updater_build& build, std::ostream* out) { *out << build.name; }

std::string name_build(const testing::TestParamInfo<updater_build>& info) {
  return info.param.name;
}

TEST_P(ProgramTest, UpToDate) {
  write_file(dir + kRecord, "1.25");
  publish("actual_version.txt", "1.25");
  serve();
  program_run run = run_updater();
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(std::string(kBanner) + "YOUR GAME IS UP TO DATE!!!!!!\n\n\n", run.out);
  EXPECT_EQ("", run.err);
  EXPECT_EQ("1.25", read_file(dir + kRecord));
}

TEST_P(ProgramTest, PendingVersionsWithNothingInThem) {
  publish("actual_version.txt", "1.02\n");
  serve();
  program_run run = run_updater();
  EXPECT_EQ(0, run.status) << run.err;
  std::string nothing_new =
      "\nLooking for new songs!\n\nNo new songs in this update.\n\n"
      "\nLooking for new nonstops!\n\nNo new nonstops in this update.\n\n"
      "\nLooking for new onis!\n\nNo new onis in this update.\n\n"
      "\nLooking for new CDTitles!\n\nNo new CDTitles in this update.\n\n"
      "\nLooking for new metrics!\n\nNo new metrics in this update.\n\n"
      "\nLooking for new executable!\n\nNo new executable in this update.\n\n"
      "\nLooking for other files!\n\nNo new files in this update.\n\n";
  EXPECT_EQ(std::string(kBanner) +
                "--------------------\nApplying update 1.01\n--------------------\n\n" +
                nothing_new +
                "--------------------\nApplying update 1.02\n--------------------\n\n" +
                nothing_new + "YOUR GAME IS NOW UP TO DATE!!!\n\n\n",
            run.out);
  EXPECT_EQ("1.02", read_file(dir + kRecord));
}

TEST_P(ProgramTest, MissingRecord) {
  remove_tree(dir + "/install/Data");
  publish("actual_version.txt", "1.02");
  serve();
  program_run run = run_updater();
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(std::string(kBanner) + "\n\n", run.out);
  EXPECT_NE(std::string::npos, run.err.find("data_version.bin")) << run.err;
  EXPECT_FALSE(path_exists(dir + "/install/Data"));
}

TEST_P(ProgramTest, ServerDown) {
  // Nothing listens on the port.
  program_run run = run_updater();
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(std::string(kBanner) + "\n\n", run.out);
  EXPECT_NE(std::string::npos, run.err.find("actual_version.txt")) << run.err;
  EXPECT_EQ("1.00", read_file(dir + kRecord));
}

TEST_P(ProgramTest, WrongVersionFileOnTheServer) {
  remove_tree(dir + "/www/game_data/actual_version.txt");
  serve();
  program_run run = run_updater();
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.err.find("actual_version.txt")) << run.err;
  EXPECT_EQ("1.00", read_file(dir + kRecord));
}

// Names as the server has them: text in UTF-8, text in the ANSI code page of
// trees published on Windows, names Windows cannot store, and paths beyond
// Windows' classic 260-character limit.
TEST_P(ProgramTest, NamesTheWindowsWay) {
  const std::string utf8 = "Caf\xC3\xA9";
  const std::string ansi = "D\xE9j\xE0";  // "Déjà" in Windows-1252
  const std::string long_pack(200, 'p');
  const std::string long_song(120, 's');
  publish("actual_version.txt", "1.01");
  publish("1.01/1.01_songs.txt", utf8 + "\nPack\n" + ansi + "\nPack\nBad:Name\nPack\nCON\nPack\n" +
                                     long_song + "\n" + long_pack + "\n");
  for (std::string song : {utf8, ansi, std::string("Bad:Name"), std::string("CON"), long_song})
    publish("1.01/Songs/" + song + "/" + song + ".mp3", song);
  serve();

  program_run run = run_updater();
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("1.01", read_file(dir + kRecord));
  EXPECT_EQ(
      "warning: skipped \"Bad:Name\": the name holds a colon\n"
      "warning: skipped \"CON\": \"CON\": Windows reserves the name CON for a device\n",
      run.err);
  // Windows reads a name that is not UTF-8 in its ANSI code page; wine stores
  // the result as UTF-8 on the Linux side.
  const std::string ansi_on_disk = GetParam().windows ? "D\xC3\xA9j\xC3\xA0" : ansi;
  EXPECT_EQ(utf8, read_file(dir + "/install/Songs/Pack/" + utf8 + "/" + utf8 + ".mp3"));
  EXPECT_EQ(ansi, read_file(dir + "/install/Songs/Pack/" + ansi_on_disk + "/" + ansi_on_disk + ".mp3"));
  EXPECT_EQ(long_song, read_file(dir + "/install/Songs/" + long_pack + "/" + long_song + "/" +
                                 long_song + ".mp3"));
  EXPECT_NE(std::string::npos, run.out.find("\n" + utf8 + "\n" + ansi_on_disk + "\n" + long_song + "\n"))
      << run.out;
  EXPECT_EQ(std::string::npos, run.out.find("Bad:Name"));
}

// The game holds its executable open while it runs; replacing it fails until
// the player closes the game.
TEST_P(ProgramTest, ExecutableInUse) {
  if (!GetParam().windows) GTEST_SKIP() << "only Windows refuses to replace a file in use";
  write_file(dir + "/install/Program/Korvanth.exe", "the running game");
  publish("actual_version.txt", "1.01");
  publish("1.01/1.01_ejecutable.txt", "1");
  publish("1.01/Korvanth.exe", "the new game");
  serve();

  std::string holder = wine_command(std::string(KORVANTH_WINDOWS_BUILD_DIR) + "/hold-file.exe");
  std::string held = dir + "/held";
  std::string start_holder = holder + " " + quote("Z:" + dir + "/install/Program/Korvanth.exe") +
                             " 60 >" + quote(held) + " 2>&1 </dev/null & echo $! >" +
                             quote(dir + "/holder.pid");
  ASSERT_EQ(0, std::system(start_holder.c_str()));
  for (int wait = 0; wait < 200 && read_file(held).find("holding") != 0; ++wait)
    usleep(50 * 1000);
  ASSERT_EQ(0u, read_file(held).find("holding")) << read_file(held);

  program_run run = run_updater();
  std::system(("kill $(cat " + quote(dir + "/holder.pid") + ")").c_str());
  EXPECT_EQ(1, run.status);
  EXPECT_NE(std::string::npos, run.err.find("close the game, then run the updater again"))
      << run.err;
  EXPECT_EQ(std::string::npos, run.out.find("NOW UP TO DATE"));
  EXPECT_EQ("1.00", read_file(dir + kRecord));
  EXPECT_EQ("the running game", read_file(dir + "/install/Program/Korvanth.exe"));
  EXPECT_EQ("Korvanth.exe\n", list_files(dir + "/install/Program"));
}

// Three versions with every category; some files missing on the server, some
// entries hostile.
struct WholeUpdateTest : ProgramTest {
  void SetUp() override {
    ProgramTest::SetUp();
    publish("actual_version.txt", "1.03");
    publish("1.01/1.01_songs.txt", "Song A\nPack 1\nBeat\nPack 2\n");
    publish("1.01/Songs/Song A/Song A.mp3", binary_bytes(64));
    for (std::string kind : {".png", "-bg.png", ".kv", ".ogg"})
      publish("1.01/Songs/Song A/Song A" + kind, "Song A" + kind);
    publish("1.01/Songs/Beat/Beat.mp3", "Beat.mp3");
    publish("1.01/Songs/Beat/Beat.kv", "Beat.kv");
    publish("1.01/1.01_nonstops.txt", "Marathon\n");
    publish("1.01/Courses/nonstop/Marathon.crs", "Marathon.crs");
    publish("1.01/Courses/nonstop/Marathon.png", "Marathon.png");
    publish("1.01/1.01_cdtitles.txt", "Label\n");
    publish("1.01/CDTitles/Label.png", binary_bytes(2));
    publish("1.01/1.01_metrics.txt", "1");
    publish("1.01/metrics.ini", "[Theme]\nversion=1\n");

    publish("1.02/1.02_onis.txt", "Trial\r\nGhost\r\n");
    publish("1.02/Courses/oni/Trial.crs", "Trial.crs");
    publish("1.02/1.02_ejecutable.txt", "1");
    publish("1.02/Korvanth.exe", binary_bytes(16));
    publish("1.02/1.02_others.txt",
            "notes.txt\n..\\Data\\notes.txt\nnew file.txt\n..\\Extras\\Deep\\new file.txt\n");
    publish("1.02/others_files/notes.txt", "notes");
    publish("1.02/others_files/new file.txt", "deep");

    publish("1.03/1.03_songs.txt", "Song A\nPack 1\n");
    publish("1.03/Songs/Song A/Song A.mp3", "a newer mix");
    publish("1.03/1.03_ejecutable.txt", "1\n");
    publish("1.03/1.03_metrics.txt", "1");
    publish("1.03/1.03_others.txt", "evil\n..\\..\\evil.txt\n");
    publish("1.03/others_files/evil", "must not be written");
    write_file(dir + "/install/Themes/Velmoor/metrics.ini", "old metrics");
  }

  void expect_installed() {
    EXPECT_EQ(
        "CDTitles/Label.png\n"
        "Courses/nonstop/Marathon.crs\n"
        "Courses/nonstop/Marathon.png\n"
        "Courses/oni/Trial.crs\n"
        "Data/data_version.bin\n"
        "Data/notes.txt\n"
        "Extras/Deep/new file.txt\n"
        "Program/Korvanth.exe\n"
        "Songs/Pack 1/Song A/Song A-bg.png\n"
        "Songs/Pack 1/Song A/Song A.kv\n"
        "Songs/Pack 1/Song A/Song A.mp3\n"
        "Songs/Pack 1/Song A/Song A.ogg\n"
        "Songs/Pack 1/Song A/Song A.png\n"
        "Songs/Pack 2/Beat/Beat.kv\n"
        "Songs/Pack 2/Beat/Beat.mp3\n"
        "Themes/Velmoor/metrics.ini\n"
        "Updater/readme.txt\n",
        list_files(dir + "/install"));
    EXPECT_EQ("a newer mix", read_file(dir + "/install/Songs/Pack 1/Song A/Song A.mp3"));
    EXPECT_EQ("Song A-bg.png", read_file(dir + "/install/Songs/Pack 1/Song A/Song A-bg.png"));
    EXPECT_EQ(binary_bytes(2), read_file(dir + "/install/CDTitles/Label.png"));
    EXPECT_EQ(binary_bytes(16), read_file(dir + "/install/Program/Korvanth.exe"));
    EXPECT_EQ("[Theme]\nversion=1\n", read_file(dir + "/install/Themes/Velmoor/metrics.ini"));
    EXPECT_EQ("deep", read_file(dir + "/install/Extras/Deep/new file.txt"));
    EXPECT_FALSE(path_exists(dir + "/evil.txt"));
    EXPECT_EQ("1.03", read_file(dir + kRecord));
  }
};

TEST_P(WholeUpdateTest, FromOneToTheServersVersion) {
  serve();
  program_run run = run_updater();
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(std::string(kBanner) + kWholeUpdateTranscript, run.out);
  EXPECT_EQ(kWholeUpdateWarnings, run.err);
  expect_installed();
}

TEST_P(WholeUpdateTest, FailureMidwayAndASecondRun) {
  serve("Redirect 503 /game_data/1.02/Korvanth.exe\n");
  program_run first = run_updater();
  EXPECT_EQ(1, first.status);
  EXPECT_EQ("1.01", read_file(dir + kRecord));
  EXPECT_EQ(std::string::npos, first.out.find("NOW UP TO DATE"));
  EXPECT_NE(std::string::npos, first.err.find("1.02/Korvanth.exe")) << first.err;
  EXPECT_NE(std::string::npos, first.err.find("503")) << first.err;
  EXPECT_NE(std::string::npos, first.err.find("Run the updater again")) << first.err;
  EXPECT_FALSE(path_exists(dir + "/install/Program/Korvanth.exe"));

  serve();
  program_run second = run_updater();
  EXPECT_EQ(0, second.status) << second.err;
  EXPECT_EQ(0u, second.out.find(std::string(kBanner) +
                                "--------------------\nApplying update 1.02\n"));
  expect_installed();
}

INSTANTIATE_TEST_SUITE_P(Builds, ProgramTest, testing::Values(kNativeBuild, kWindowsBuild),
                         name_build);
INSTANTIATE_TEST_SUITE_P(Builds, WholeUpdateTest, testing::Values(kNativeBuild, kWindowsBuild),
                         name_build);

}  // namespace
