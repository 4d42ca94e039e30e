#include "publish/publish_command.h"

#include <regex>

#include "categories/layout.h"
#include "categories/local_path.h"
#include "driver/version_record.h"
#include "publish/file_place.h"
#include "publish/check_tree.h"
#include "publish/publish_version.h"
#include "publish/staging.h"

namespace {

const int kDone = 0;
const int kRefused = 1;
const int kMisused = 2;

const char kToolUsage[] =
    "usage: korvanth-publish COMMAND ARGUMENTS\n"
    "\n"
    "Publishes versions of the game's content on the update server's tree,\n"
    "ROOT/game_data, which the web server serves to the updater.\n"
    "\n"
    "commands:\n"
    "  init ROOT [VERSION]   start the tree at VERSION (default 1.00)\n"
    "  add ROOT STAGING      publish the next version from a staging folder\n"
    "  check ROOT            check the tree the way the updater will read it\n"
    "\n"
    "Run \"korvanth-publish COMMAND --help\" for each command's details.\n"
    "Exit status: 0 done, 1 refused or problems found, 2 wrong use.\n";

const char kInitUsage[] =
    "usage: korvanth-publish init ROOT [VERSION]\n"
    "\n"
    "Creates ROOT/game_data and its actual_version.txt holding VERSION with two\n"
    "decimals (default 1.00): the version installations start from. Refuses when\n"
    "ROOT/game_data already exists.\n";

// Built from the layout, so that the help shows the places the updater uses.
std::string describe_add_usage() {
  std::string usage =
      "usage: korvanth-publish add ROOT STAGING\n"
      "\n"
      "Publishes the version after the current one (current + 0.01) from STAGING,\n"
      "a folder laid out like the installation:\n";
  std::string roots;
  for (const category_info& category : list_categories()) {
    if (category.id == category_id::others) continue;
    usage += "  " + describe_places(category) + "\n";
    std::string root = get_entry_root(category);
    if (root.empty()) continue;
    root = replace(root.substr(3), "\\", "/") + "/";
    if (roots.find(root) == std::string::npos) roots += (roots.empty() ? "" : ", ") + root;
  }
  usage +=
      "  any other file, installed at the same place (e.g. Data/readme.txt)\n"
      "\n"
      "The version appears whole: its folder is filled under a temporary name and\n"
      "renamed into place, and only then is actual_version.txt replaced.\n"
      "\n"
      "Refuses, writing nothing: a staging folder with nothing to publish; files\n"
      "in " + roots + " that are none of the above; names the updater\n"
      "cannot carry (control characters, separators, %, #, ?, characters Windows\n"
      "cannot store); a version folder that already exists.\n";
  return usage;
}

const char kCheckUsage[] =
    "usage: korvanth-publish check ROOT\n"
    "\n"
    "Checks ROOT/game_data: the current version, every version folder from the\n"
    "lowest present to the current one, every manifest's format and names, and a\n"
    "file readable by the web server for every entry a manifest names. Prints one\n"
    "\"PATH: problem\" line for each problem and exits 1, or prints \"ok\" and\n"
    "exits 0.\n";

bool asks_for_help(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

int misuse(std::ostream& err, std::string why, std::string usage) {
  err << "korvanth-publish: " << why << "\n\n" << usage;
  return kMisused;
}

int report_problems(std::ostream& err, std::vector<std::string> problems) {
  for (const std::string& problem : problems) err << problem << "\n";
  return kRefused;
}

// The version an operator typed: digits with at most two decimals.
bool read_version_argument(std::string text, long long* hundredths) {
  if (!std::regex_match(text, std::regex("[0-9]+(\\.[0-9]{1,2})?"))) return false;
  version_status status = parse_version_text(text);
  if (!status.ok) return false;
  *hundredths = status.hundredths;
  return true;
}

int run_init(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args.size() > 2) return misuse(err, "init takes ROOT [VERSION]", kInitUsage);
  long long hundredths = 100;
  if (args.size() == 2 && !read_version_argument(args[1], &hundredths))
    return misuse(err, "\"" + args[1] + "\" is no version (e.g. 1.00, up to " +
                           format_version(kMaxVersionHundredths) + ")",
                  kInitUsage);
  publish_result result = init_tree(args[0], hundredths);
  if (!result.ok) return report_problems(err, result.problems);
  out << "started " << get_game_data_dir(args[0]) << " at version "
      << format_version(result.hundredths) << "\n";
  return kDone;
}

int run_add(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return misuse(err, "add takes ROOT STAGING", describe_add_usage());
  staging_scan scan = scan_staging(args[1]);
  publish_result result = publish_staged(args[0], scan);
  if (!result.ok) {
    err << "nothing was published:\n";
    return report_problems(err, result.problems);
  }
  std::string version = to_str(result.hundredths);
  out << "published version " << format_version(result.hundredths) << " in "
      << join_path(get_game_data_dir(args[0]), version) << "\n";
  for (const staged_category& staged : scan.categories) {
    if (staged.entries.empty()) continue;
    size_t files = 0;
    for (const staged_entry& entry : staged.entries) files += entry.files.size();
    out << "  " << version << staged.category.manifest_suffix << ": " << staged.entries.size()
        << (staged.entries.size() == 1 ? " entry, " : " entries, ") << files
        << (files == 1 ? " file\n" : " files\n");
  }
  out << "current version: " << format_version(result.hundredths) << "\n";
  return kDone;
}

int run_check(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return misuse(err, "check takes ROOT", kCheckUsage);
  tree_check result = check_tree(args[0]);
  for (const std::string& problem : result.problems) out << problem << "\n";
  if (!result.problems.empty()) {
    out << result.problems.size() << (result.problems.size() == 1 ? " problem" : " problems")
        << (result.summary.empty() ? "" : " (" + result.summary + ")") << "\n";
    return kRefused;
  }
  out << "ok: " << result.summary << "\n";
  return kDone;
}

}  // namespace

int run_publish_command(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return misuse(err, "a command is needed", kToolUsage);
  std::string command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h") {
    out << kToolUsage;
    return kDone;
  }
  struct command_info {
    const char* name;
    std::string usage;
    int (*run)(std::vector<std::string>, std::ostream&, std::ostream&);
  };
  for (const command_info& known : {command_info{"init", kInitUsage, run_init},
                                    command_info{"add", describe_add_usage(), run_add},
                                    command_info{"check", kCheckUsage, run_check}}) {
    if (command != known.name) continue;
    if (asks_for_help(rest)) {
      out << known.usage;
      return kDone;
    }
    return known.run(rest, out, err);
  }
  return misuse(err, "unknown command \"" + command + "\"", kToolUsage);
}
