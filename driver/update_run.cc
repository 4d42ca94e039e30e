#include "driver/update_run.h"

#include <string>

#include "categories/layout.h"
#include "driver/version_record.h"

const char kBanner[] =
    "------------------------------------------------\n"
    "------------------------------------------------\n"
    "Data update for Korvanth Online Project\n"
    "------------------------------------------------\n"
    "------------------------------------------------\n\n";

namespace {

const char kVersionRule[] = "--------------------\n";

// Errors go to their own stream; flushing the messages first keeps the two in
// order on a console.
std::ostream& report_error(update_target target) {
  target.out->flush();
  return *target.err << "\nerror: ";
}

}  // namespace

category_result get_actualization(long long hundredths, update_target target) {
  for (const category_info& category : list_categories()) {
    category_result result = run_category(category, hundredths, target);
    if (result.failed) return result;
  }
  return category_result();
}

int get_total_actualization(update_target target) {
  std::ostream& out = *target.out;
  version_status user_version = get_user_version(target.work_dir);
  if (!user_version.ok) {
    report_error(target) << user_version.error << "\n";
    return 1;
  }
  version_status web_version = get_web_version(target.server_base, target.remote.fetch_text);
  if (!web_version.ok) {
    report_error(target) << web_version.error
                         << "\nNothing was changed; the installed version stays "
                         << format_version(user_version.hundredths) << ".\n";
    return 1;
  }
  if (user_version.hundredths == web_version.hundredths) {
    out << "YOUR GAME IS UP TO DATE!!!!!!\n";
    return 0;
  }

  for (long long cont = user_version.hundredths + 1; cont <= web_version.hundredths; ++cont) {
    out << kVersionRule << "Applying update " << format_version(cont) << "\n"
        << kVersionRule << "\n";
    category_result result = get_actualization(cont, target);
    if (!result.failed) continue;

    std::ostream& err = report_error(target);
    err << "update " << format_version(cont) << " could not be completed.\n"
        << result.error << "\n";
    if (cont - 1 == user_version.hundredths) {
      err << "No update was completed; the installed version stays "
          << format_version(user_version.hundredths) << ".\n";
    } else {
      std::string error = set_user_version(target.work_dir, cont - 1);
      if (!error.empty()) {
        err << error << "\n";
        return 1;
      }
      err << "Updates up to " << format_version(cont - 1) << " were completed and recorded.\n";
    }
    err << "Run the updater again to continue from there.\n";
    return 1;
  }

  out << "YOUR GAME IS NOW UP TO DATE!!!\n";
  std::string error = set_user_version(target.work_dir, web_version.hundredths);
  if (!error.empty()) {
    report_error(target) << error << "\n";
    return 1;
  }
  return 0;
}
