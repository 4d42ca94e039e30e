#include "categories/category_run.h"

#include <cstdio>
#include <vector>

#include "categories/local_path.h"
#include "categories/manifest.h"
#include "remote/platform.h"

namespace {

const char kNotFoundHeading[] = "\nNot found on the server:\n\n";

// Why an entry must not be touched, or empty when it is safe: every name must
// stand as one folder or file name and every local path must stay inside the
// installation.
std::string check_entry(const category_info& category, const manifest_entry& entry) {
  std::vector<std::string> names;
  if (category.kind != manifest_kind::flag) names.push_back(entry.name);
  if (category.id == category_id::songs) names.push_back(entry.second);
  for (const std::string& name : names) {
    std::string why = check_plain_name(name);
    if (!why.empty()) return why;
  }
  for (const std::string& kind : category.file_kinds) {
    local_path_result local = map_local_path(get_local_file(category, entry, kind));
    if (!local.safe) return local.why;
  }
  return "";
}

// The folders a download into `local` needs, outermost first, each relative
// to the updater's folder.
std::vector<std::string> list_parent_folders(const std::string& local) {
  std::vector<std::string> folders;
  for (size_t slash = local.find('/'); slash != std::string::npos;
       slash = local.find('/', slash + 1))
    folders.push_back(local.substr(0, slash));
  return folders;
}

// The folders made before each download of a safe entry's files: the
// category's own, or for other files every folder on the way to the file.
std::vector<std::string> list_entry_folders(const category_info& category,
                                            const manifest_entry& entry) {
  if (category.id == category_id::others)
    return list_parent_folders(map_local_path(entry.second).path);
  std::vector<std::string> folders;
  for (const std::string& folder : list_folders_to_create(category, entry))
    folders.push_back(map_local_path(folder).path);
  return folders;
}

std::string format_progress(int i, int n) {
  char line[64];
  std::snprintf(line, sizeof line, "%.2f%% downloaded\n", compute_progress(i, n));
  return line;
}

}  // namespace

double compute_progress(int i, int n) {
  float hundred_times_i = 100.0f * static_cast<float>(i);
  return static_cast<double>(hundred_times_i / static_cast<float>(n));
}

category_result run_category(category_info category, long long hundredths, update_target target) {
  std::ostream& out = *target.out;
  std::ostream& err = *target.err;
  category_result result;
  out << category.messages.looking;

  std::string url = get_manifest_url(target.server_base, category, hundredths);
  text_result content_song_txt = target.remote.fetch_text(url);
  if (content_song_txt.outcome == transfer_outcome::failed) {
    result.failed = true;
    result.error = url + ": " + content_song_txt.error;
    return result;
  }
  if (content_song_txt.outcome == transfer_outcome::absent ||
      !manifest_counts(category.kind, content_song_txt.body)) {
    out << category.messages.nothing_new;
    return result;
  }

  out << category.messages.downloading;
  parsed_manifest manifest =
      parse_manifest(category.kind, content_song_txt.body, category.fixed_name);
  for (const std::string& warning : manifest.warnings)
    err << "warning: " << url << ": " << warning << "\n";
  int limite = static_cast<int>(manifest.entries.size());
  out << "\n0%\n";

  std::vector<std::string> added, not_found;
  for (int i = 1; i <= limite; ++i) {
    const manifest_entry& entry = manifest.entries[i - 1];
    std::string unsafe = check_entry(category, entry);
    if (!unsafe.empty()) {
      out.flush();
      err << "warning: skipped \"" << entry.name << "\": " << unsafe << "\n";
      out << format_progress(i, limite);
      continue;
    }
    std::vector<std::string> folders = list_entry_folders(category, entry);
    bool arrived = false;
    for (const std::string& kind : category.file_kinds) {
      std::string aux_output =
          join_path(target.work_dir, map_local_path(get_local_file(category, entry, kind)).path);
      // A folder that cannot be made is passed over: the download into it
      // fails after, naming the file and the reason.
      for (const std::string& folder : folders) make_folder(join_path(target.work_dir, folder));

      std::string aux_url = get_file_url(target.server_base, category, hundredths, entry, kind);
      transfer_result transfer = target.remote.fetch_file(aux_url, aux_output);
      if (transfer.outcome == transfer_outcome::failed) {
        result.failed = true;
        result.error = aux_url + " (for " + aux_output + "): " + transfer.error;
        return result;
      }
      arrived = arrived || transfer.outcome == transfer_outcome::arrived;
    }
    (arrived ? added : not_found).push_back(entry.name);
    out << format_progress(i, limite);
  }

  if (category.kind == manifest_kind::flag) {
    if (added.empty()) {
      out.flush();
      err << "warning: update " << format_version(hundredths) << " announces "
          << category.fixed_name << category.file_kinds[0]
          << " but the server does not have it; it was not installed.\n";
    } else {
      out << category.messages.done;
    }
    return result;
  }
  out << category.messages.done;
  if (category.lists_names)
    for (const std::string& name : added) out << to_console_text(name) << "\n";
  if (!not_found.empty()) {
    out << kNotFoundHeading;
    for (const std::string& name : not_found) out << to_console_text(name) << "\n";
  }
  return result;
}

category_result get_songs(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::songs), hundredths, target);
}
category_result get_nonstops(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::nonstops), hundredths, target);
}
category_result get_onis(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::onis), hundredths, target);
}
category_result get_cdtitles(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::cdtitles), hundredths, target);
}
category_result get_metrics(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::metrics), hundredths, target);
}
category_result get_ejecutable(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::ejecutable), hundredths, target);
}
category_result get_others(long long hundredths, update_target target) {
  return run_category(describe_category(category_id::others), hundredths, target);
}
