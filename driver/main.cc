// korvanth-updater: brings the game's installation up to the update server's
// version. Run from its own folder inside the installation; takes no arguments.
#include <iostream>

#include "build_settings.h"
#include "categories/layout.h"
#include "driver/update_run.h"
#include "remote/interrupt.h"
#include "remote/platform.h"
#include "remote/transfer.h"

int main() {
  set_up_console();
  std::cout << kBanner;
  transfer_settings settings;
  settings.user = KORVANTH_UPDATE_USER;
  settings.password = KORVANTH_UPDATE_PASSWORD;
  settings.connect_timeout_seconds = KORVANTH_CONNECT_TIMEOUT_SECONDS;
  settings.stall_seconds = KORVANTH_STALL_SECONDS;
  settings.text_limit_bytes = KORVANTH_TEXT_LIMIT_BYTES;
  settings.attempts = KORVANTH_ATTEMPTS;
  settings.retry_pause_ms = KORVANTH_RETRY_PAUSE_MS;

  update_target target;
  target.server_base = get_server_base(KORVANTH_UPDATE_HOST);
  target.work_dir = ".";
  target.remote = make_remote_steps(settings);
  target.out = &std::cout;
  target.err = &std::cerr;
  watch_for_interrupt();
  int status = get_total_actualization(target);
  std::cout << "\n\n" << std::flush;
  stop_watching_for_interrupt();
  if (!was_interrupted()) wait_for_key(std::cout);
  restore_console();
  return status;
}
