#include "publish/file_place.h"

#include <gtest/gtest.h>

namespace {

std::string describe(const std::vector<file_place>& places) {
  std::string text;
  for (const file_place& place : places)
    text += describe_category(place.category).procedure + " " + place.entry.name + "|" +
            place.entry.second + "|" + place.kind + ";";
  return text;
}

// Every place the updater writes to reads back as the entry that put it there.
TEST(FindFilePlaces, ReadsBackEveryPlaceTheUpdaterWrites) {
  for (const category_info& category : list_categories()) {
    if (category.id == category_id::others) continue;
    manifest_entry entry = {category.kind == manifest_kind::flag ? category.fixed_name : "Song A",
                            category.kind == manifest_kind::pair_list ? "Pack 1" : ""};
    for (const std::string& kind : category.file_kinds) {
      std::string local = get_local_file(category, entry, kind);
      std::vector<file_place> places = find_file_places(local);
      bool found = false;
      for (const file_place& place : places)
        found = found || (place.category == category.id && place.entry.name == entry.name &&
                          place.entry.second == entry.second && place.kind == kind);
      EXPECT_TRUE(found) << local << " gave " << describe(places);
    }
  }
}

TEST(FindFilePlaces, TellsWhichEntryAPathBelongsTo) {
  struct example {
    std::string local;
    std::string expected;
  };
  const example examples[] = {
      {"..\\Songs\\Pack\\Song\\Song-bg.png", "get_songs Song|Pack|-bg.png;"},
      {"..\\Songs\\Pack\\Song\\Song.png", "get_songs Song|Pack|.png;"},
      {"..\\Songs\\Pack\\Song\\Other.mp3", ""},        // file named after another song
      {"..\\Songs\\Song\\Song.mp3", ""},               // no pack
      {"..\\Songs\\P\\Song\\extra\\Song.mp3", ""},     // one level too deep
      {"..\\Songs\\Pack\\Song\\Song.MP3", ""},         // kinds are exact
      {"..\\Courses\\oni\\Hard.crs", "get_onis Hard||.crs;"},
      // Either Race's card or the picture of a course named "Race-card".
      {"..\\Courses\\nonstop\\Race-card.png",
       "get_nonstops Race-card||.png;get_nonstops Race||-card.png;"},
      {"..\\Courses\\Hard.crs", ""},
      {"..\\CDTitles\\Logo.png", "get_cdtitles Logo||.png;"},
      {"..\\Themes\\Velmoor\\metrics.ini", "get_metrics metrics||.ini;"},
      {"..\\Themes\\Velmoor\\other.ini", ""},
      {"..\\Program\\Korvanth.exe", "get_ejecutable Korvanth||.exe;"},
      {"..\\Data\\readme.txt", ""},
  };
  for (const example& e : examples)
    EXPECT_EQ(describe(find_file_places(e.local)), e.expected) << e.local;
}

TEST(FindEntryFolders, FindsOnlyFoldersNamedAfterAnEntry) {
  EXPECT_EQ(describe(find_entry_folders("..\\Songs\\Pack\\Song")), "get_songs Song|Pack|;");
  EXPECT_EQ(describe(find_entry_folders("..\\Songs\\Pack")), "");
  EXPECT_EQ(describe(find_entry_folders("..\\Courses\\nonstop")), "");
  EXPECT_EQ(describe(find_entry_folders("..\\CDTitles")), "");
}

TEST(GetEntryRoot, GivesTheTopFolderOfCategoriesWithEntries) {
  EXPECT_EQ(get_entry_root(describe_category(category_id::songs)), "..\\Songs");
  EXPECT_EQ(get_entry_root(describe_category(category_id::nonstops)), "..\\Courses");
  EXPECT_EQ(get_entry_root(describe_category(category_id::onis)), "..\\Courses");
  EXPECT_EQ(get_entry_root(describe_category(category_id::cdtitles)), "..\\CDTitles");
  EXPECT_EQ(get_entry_root(describe_category(category_id::metrics)), "");
  EXPECT_EQ(get_entry_root(describe_category(category_id::ejecutable)), "");
  EXPECT_EQ(get_entry_root(describe_category(category_id::others)), "");
}

TEST(DescribePlaces, WritesThePatternForPeople) {
  EXPECT_EQ(describe_places(describe_category(category_id::songs)),
            "Songs/PACK/NAME/NAME + .mp3, .png, -bg.png, .kv, .ogg");
  EXPECT_EQ(describe_places(describe_category(category_id::metrics)), "Themes/Velmoor/metrics.ini");
}

}  // namespace
