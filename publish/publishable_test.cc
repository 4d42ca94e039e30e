#include "publish/publishable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CheckPublishableName, AcceptsNamesTheUpdaterCarriesUnchanged) {
  for (std::string name : {"Song A", "Canción ñ", "曲", "a.b.c", "x-bg", "(1) [2] {3} 'q' &+=,;!~@$^",
                           "CONSOLE", "com10", ".hidden"})
    EXPECT_EQ(check_publishable_name(name), "") << name;
}

TEST(CheckPublishableName, RefusesNamesThatWouldBeRefusedOrChanged) {
  for (std::string name : std::vector<std::string>{"", ".", "..", "a/b", "a\\b", "a:b", "tab\there", "cr\r", "nl\n",
                           std::string("nul\0x", 5), "del\x7f", "50%", "a#b", "why?", "a<b", "a>b",
                           "a\"b", "a|b", "a*b", "trailing ", "trailing.", "\xEF\xBB\xBFSong",
                           "CON", "nul.txt", "Com1", "LPT9.png", "aux .txt"})
    EXPECT_NE(check_publishable_name(name), "") << name;
}

TEST(CheckPublishableLocalPath, AcceptsPlacesInsideTheInstallation) {
  for (std::string path : {"..\\Data\\readme.txt", "..\\readme.txt", "local.txt",
                           "..\\Data\\Sub dir\\ñ.txt", "../Data/readme.txt"})
    EXPECT_EQ(check_publishable_local_path(path), "") << path;
}

TEST(CheckPublishableLocalPath, RefusesPlacesOutsideOrUnsafe) {
  for (std::string path : {"", "..\\..\\etc\\passwd", "\\abs.txt", "C:\\x.txt", "..\\Data\\",
                           "..\\Data\\a%b.txt", "..\\Da*ta\\x.txt", "..\\Data\\con.txt",
                           // the record the updater keeps, however it is written
                           "..\\Data\\data_version.bin", "..\\data\\DATA_VERSION.BIN",
                           "..\\Songs\\..\\Data\\data_version.bin"})
    EXPECT_NE(check_publishable_local_path(path), "") << path;
}

}  // namespace
