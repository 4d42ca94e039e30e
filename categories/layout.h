// Where things are: the update server's tree, the manifests, the file kinds
// and the installation's tree. Local paths here are written the installation's
// way, relative to the updater's folder, with "\\" between components and ".."
// for the installation's root; local_path.h maps them onto the platform.
#pragma once

#include <string>
#include <vector>

enum class category_id { songs, nonstops, onis, cdtitles, metrics, ejecutable, others };

// pair_list: two lines an entry; name_list: a line an entry; flag: exactly "1".
enum class manifest_kind { pair_list, name_list, flag };

struct category_messages {
  std::string looking;
  std::string downloading;
  std::string done;
  std::string nothing_new;
};

struct category_info {
  category_id id;
  std::string procedure;                // e.g. "get_songs"
  std::string manifest_suffix;          // e.g. "_songs.txt"
  manifest_kind kind;
  std::vector<std::string> file_kinds;  // suffixes fetched for each entry, in order
  std::string fixed_name;               // the one file of a flag category, e.g. "metrics"
  bool lists_names;                     // prints its entries' names when done
  category_messages messages;
};

// One entry of a manifest. `second` is the pack of a song or the local path of
// an other file; empty for name lists and flags.
struct manifest_entry {
  std::string name;
  std::string second;
};

// The installed version record, relative to the updater's folder.
extern const char kVersionRecordPath[];

// The server's current-version file, under the server base.
extern const char kVersionFileName[];

// The seven categories in the order a version applies them.
std::vector<category_info> list_categories();

// The category `id`.
category_info describe_category(category_id id);

// The server base: the host (trailing "/" dropped) followed by "/game_data/".
std::string get_server_base(std::string host);

// The version's folder text on the server: 1.10 gives "1.1", 2.00 gives "2".
std::string to_str(long long hundredths);

// The version with two decimals, as the console and the record show it.
std::string format_version(long long hundredths);

// The address of the category's manifest for a version (never escaped).
std::string get_manifest_url(std::string server_base, category_info category, long long hundredths);

// The path of one file of an entry after "server base + folder text",
// e.g. "/Songs/Song A/Song A.mp3"; unescaped.
std::string get_server_file_path(category_info category, manifest_entry entry, std::string kind);

// The escaped address of one file of an entry.
std::string get_file_url(std::string server_base, category_info category, long long hundredths,
                         manifest_entry entry, std::string kind);

// Where one file of an entry goes, e.g. "..\\Songs\\Pack\\Song\\Song.mp3".
std::string get_local_file(category_info category, manifest_entry entry, std::string kind);

// The folders made before each download of an entry's files, outermost first.
std::vector<std::string> list_folders_to_create(category_info category, manifest_entry entry);

// `text` with every space replaced by "%20", and "%", "#", "?" and every byte
// outside 0x21..0x7E percent-encoded, so no name can change what a URL means.
std::string escape_url_path(std::string text);

// The pieces of `str` between occurrences of `pattern`; at least one piece.
std::vector<std::string> split(std::string str, std::string pattern);

// `s` with every occurrence of `x` replaced by `y` (`x` must not be empty).
std::string replace(std::string s, std::string x, std::string y);
