#include "categories/manifest.h"

#include <gtest/gtest.h>

TEST(ManifestTest, WhichBodiesCount) {
  struct { manifest_kind kind; const char* body; bool counts; } cases[] = {
      {manifest_kind::name_list, "", false},
      {manifest_kind::name_list, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">", false},
      {manifest_kind::name_list, "<!doctype html public", true},
      {manifest_kind::pair_list, "Song A\nPack 1\n", true},
      {manifest_kind::flag, "1", true},
      {manifest_kind::flag, "1\n", false},
      {manifest_kind::flag, "1\r\n", false},
      {manifest_kind::flag, "0", false},
      {manifest_kind::flag, " 1", false},
      {manifest_kind::flag, "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.counts, manifest_counts(c.kind, c.body)) << '"' << c.body << '"';
}

TEST(ManifestTest, LinesFromManifestsSavedAnyway) {
  struct { const char* body; std::vector<std::string> lines; } cases[] = {
      {"a\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"\xEF\xBB\xBF" "a\nb\n", {"a", "b"}},
      {"a\n\n\nb\n\n", {"a", "b"}},
      {"a\r\r\nb", {"a\r", "b"}},  // only one carriage return belongs to the line end
      {"\r\n", {}},
      {" a \n", {" a "}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.lines, split_manifest_lines(c.body)) << c.body;
}

TEST(ManifestTest, PairsAndOddLines) {
  parsed_manifest two = parse_manifest(manifest_kind::pair_list, "Song A\nPack 1\nSong B\nPack 1\n", "");
  ASSERT_EQ(2u, two.entries.size());
  EXPECT_EQ("Song B", two.entries[1].name);
  EXPECT_EQ("Pack 1", two.entries[1].second);
  EXPECT_TRUE(two.warnings.empty());

  parsed_manifest odd = parse_manifest(manifest_kind::pair_list, "Song A\nPack 1\nSong B\n", "");
  ASSERT_EQ(1u, odd.entries.size());
  ASSERT_EQ(1u, odd.warnings.size());
  EXPECT_NE(std::string::npos, odd.warnings[0].find("Song B"));

  EXPECT_TRUE(parse_manifest(manifest_kind::pair_list, "Song A", "").entries.empty());
}

TEST(ManifestTest, NamesAndFlags) {
  parsed_manifest names = parse_manifest(manifest_kind::name_list, "Course1\nCourse2\n", "");
  ASSERT_EQ(2u, names.entries.size());
  EXPECT_EQ("Course2", names.entries[1].name);

  parsed_manifest flag = parse_manifest(manifest_kind::flag, "1", "metrics");
  ASSERT_EQ(1u, flag.entries.size());
  EXPECT_EQ("metrics", flag.entries[0].name);
}

TEST(ManifestTest, WrittenManifestsReadBack) {
  std::vector<manifest_entry> pairs = {{"Song A", "Pack 1"}, {"B", "Pack 2"}};
  std::string body = format_manifest(manifest_kind::pair_list, pairs);
  EXPECT_EQ("Song A\nPack 1\nB\nPack 2\n", body);
  parsed_manifest back = parse_manifest(manifest_kind::pair_list, body, "");
  ASSERT_EQ(2u, back.entries.size());
  EXPECT_EQ("Pack 2", back.entries[1].second);
  EXPECT_EQ("1", format_manifest(manifest_kind::flag, {{"metrics", ""}}));
  EXPECT_EQ("x\ny\n", format_manifest(manifest_kind::name_list, {{"x", ""}, {"y", ""}}));
}
