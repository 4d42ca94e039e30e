// Measures a large download through the real web server: time, throughput
// and the largest memory the process held. Not a test: run scripts/bench.sh.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "remote/transfer.h"
#include "tests/apache_server.h"
#include "tests/temp_dir.h"

namespace {

long max_resident_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  long mebibytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 512;
  if (mebibytes <= 0) mebibytes = 512;
  std::string dir = make_temp_dir();
  write_file(dir + "/www/game_data/1.01/Songs/Big/Big.ogg", "");
  {
    std::ofstream big(dir + "/www/game_data/1.01/Songs/Big/Big.ogg", std::ios::binary);
    std::string chunk(1 << 20, 'k');
    for (long i = 0; i < mebibytes; ++i) big.write(chunk.data(), static_cast<long>(chunk.size()));
  }
  apache_server server = start_apache(dir + "/www", "bench", "Bench-Password.1");
  if (server.pid <= 0) {
    std::fprintf(stderr, "the web server did not start: %s\n", server.error.c_str());
    remove_tree(dir);
    return 1;
  }
  transfer_settings settings;
  settings.user = server.user;
  settings.password = server.password;

  long before_kib = max_resident_kib();
  auto start = std::chrono::steady_clock::now();
  transfer_result result = get_file(apache_address(server) + "/game_data/1.01/Songs/Big/Big.ogg",
                                    dir + "/Big.ogg", settings);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long after_kib = max_resident_kib();

  std::printf("download of %ld MiB: %s in %.2f s (%.0f MiB/s)\n", mebibytes,
              describe_outcome(result.outcome).c_str(), seconds, mebibytes / seconds);
  std::printf("largest resident memory: %ld KiB before, %ld KiB after\n", before_kib, after_kib);
  stop_apache(server);
  remove_tree(dir);
  return result.outcome == transfer_outcome::arrived ? 0 : 1;
}
