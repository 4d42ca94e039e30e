#include "categories/layout.h"

#include <cstdio>

const char kVersionRecordPath[] = "..\\Data\\data_version.bin";
const char kVersionFileName[] = "actual_version.txt";

namespace {

const std::vector<std::string> kSongKinds = {".mp3", ".png", "-bg.png", ".kv", ".ogg"};
const std::vector<std::string> kCourseKinds = {".crs", ".png", "-card.png", "-desc.png"};

category_messages list_messages(std::string what, std::string downloading_what) {
  return {"\nLooking for new " + what + "!\n",
          "\nDownloading new " + downloading_what + ", please wait...\n",
          "\nNew " + what + " added:\n\n",
          "\nNo new " + what + " in this update.\n\n"};
}

}  // namespace

std::vector<category_info> list_categories() {
  return {
      {category_id::songs, "get_songs", "_songs.txt", manifest_kind::pair_list, kSongKinds, "",
       true, list_messages("songs", "songs")},
      {category_id::nonstops, "get_nonstops", "_nonstops.txt", manifest_kind::name_list,
       kCourseKinds, "", true, list_messages("nonstops", "nonstops")},
      {category_id::onis, "get_onis", "_onis.txt", manifest_kind::name_list, kCourseKinds, "",
       true, list_messages("onis", "onis")},
      {category_id::cdtitles, "get_cdtitles", "_cdtitles.txt", manifest_kind::name_list,
       {".png"}, "", true, list_messages("CDTitles", "CDTitles")},
      {category_id::metrics, "get_metrics", "_metrics.txt", manifest_kind::flag, {".ini"},
       "metrics", false,
       {"\nLooking for new metrics!\n", "\nDownloading new metrics, please wait...\n",
        "\nNew metrics added!\n\n", "\nNo new metrics in this update.\n\n"}},
      {category_id::ejecutable, "get_ejecutable", "_ejecutable.txt", manifest_kind::flag,
       {".exe"}, "Korvanth", false,
       {"\nLooking for new executable!\n", "\nDownloading new executable, please wait...\n",
        "\nNew executable installed!\n\n", "\nNo new executable in this update.\n\n"}},
      {category_id::others, "get_others", "_others.txt", manifest_kind::pair_list, {""}, "",
       false,
       {"\nLooking for other files!\n", "\nDownloading new files, please wait...\n",
        "\nNew files added!\n\n", "\nNo new files in this update.\n\n"}},
  };
}

category_info describe_category(category_id id) {
  for (const category_info& category : list_categories())
    if (category.id == id) return category;
  return list_categories().front();
}

std::string get_server_base(std::string host) {
  while (!host.empty() && host.back() == '/') host.pop_back();
  return host + "/game_data/";
}

std::string to_str(long long hundredths) {
  // Six significant digits, trailing zeros and a bare point dropped: the way a
  // stream writes a number by default.
  char text[64];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(hundredths) / 100.0);
  return text;
}

std::string format_version(long long hundredths) {
  // From the count itself, so that no binary fraction can print 1.00 as 0.99.
  char text[64];
  long long whole = hundredths / 100, part = hundredths % 100;
  if (hundredths < 0)
    std::snprintf(text, sizeof text, "-%lld.%02lld", -whole, -part);
  else
    std::snprintf(text, sizeof text, "%lld.%02lld", whole, part);
  return text;
}

std::string get_manifest_url(std::string server_base, category_info category,
                             long long hundredths) {
  std::string folder = to_str(hundredths);
  return server_base + folder + "/" + folder + category.manifest_suffix;
}

std::string get_server_file_path(category_info category, manifest_entry entry, std::string kind) {
  switch (category.id) {
    case category_id::songs: return "/Songs/" + entry.name + "/" + entry.name + kind;
    case category_id::nonstops: return "/Courses/nonstop/" + entry.name + kind;
    case category_id::onis: return "/Courses/oni/" + entry.name + kind;
    case category_id::cdtitles: return "/CDTitles/" + entry.name + kind;
    case category_id::metrics:
    case category_id::ejecutable: return "/" + category.fixed_name + kind;
    case category_id::others: return "/others_files/" + entry.name;
  }
  return "";
}

std::string get_file_url(std::string server_base, category_info category, long long hundredths,
                         manifest_entry entry, std::string kind) {
  return server_base +
         escape_url_path(to_str(hundredths) + get_server_file_path(category, entry, kind));
}

std::string get_local_file(category_info category, manifest_entry entry, std::string kind) {
  switch (category.id) {
    case category_id::songs:
      return "..\\Songs\\" + entry.second + "\\" + entry.name + "\\" + entry.name + kind;
    case category_id::nonstops: return "..\\Courses\\nonstop\\" + entry.name + kind;
    case category_id::onis: return "..\\Courses\\oni\\" + entry.name + kind;
    case category_id::cdtitles: return "..\\CDTitles\\" + entry.name + kind;
    case category_id::metrics: return "..\\Themes\\Velmoor\\" + category.fixed_name + kind;
    case category_id::ejecutable: return "..\\Program\\" + category.fixed_name + kind;
    case category_id::others: return entry.second;
  }
  return "";
}

std::vector<std::string> list_folders_to_create(category_info category, manifest_entry entry) {
  switch (category.id) {
    case category_id::songs:
      return {"..\\Songs", "..\\Songs\\" + entry.second,
              "..\\Songs\\" + entry.second + "\\" + entry.name};
    case category_id::nonstops: return {"..\\Courses", "..\\Courses\\nonstop"};
    case category_id::onis: return {"..\\Courses", "..\\Courses\\oni"};
    case category_id::cdtitles: return {"..\\CDTitles"};
    case category_id::metrics: return {"..\\Themes", "..\\Themes\\Velmoor"};
    case category_id::ejecutable: return {"..\\Program"};
    case category_id::others: return {};
  }
  return {};
}

std::string escape_url_path(std::string text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : text) {
    bool plain = c == ' ' || (c >= 0x21 && c <= 0x7E && c != '%' && c != '#' && c != '?');
    if (plain) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    }
  }
  // Spaces last, so that the "%" of "%20" is not escaped again.
  return replace(escaped, " ", "%20");
}

std::vector<std::string> split(std::string str, std::string pattern) {
  std::vector<std::string> resultados;
  size_t posInit = 0;
  for (;;) {
    size_t posFound = str.find(pattern, posInit);
    resultados.push_back(str.substr(posInit, posFound == std::string::npos
                                                 ? std::string::npos
                                                 : posFound - posInit));
    if (posFound == std::string::npos) return resultados;
    posInit = posFound + pattern.size();
  }
}

std::string replace(std::string s, std::string x, std::string y) {
  // Searching on from the replacement keeps a `y` that holds `x` from looping.
  for (size_t pos = s.find(x); pos != std::string::npos; pos = s.find(x, pos + y.size()))
    s.replace(pos, x.size(), y);
  return s;
}
