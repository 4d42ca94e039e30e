#include "remote/interrupt.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "remote/transfer.h"
#include "tests/fault_server.h"
#include "tests/temp_dir.h"

namespace {

TEST(InterruptTest, EndsTheTransferAndKeepsTheDestination) {
  // A body that stalls for longer than the test may wait: only the interrupt
  // can end the transfer.
  fault_response stalled = cut_short(make_response(200, std::string(4000, 'n')), 3000);
  stalled.stall = true;
  fault_server server = start_fault_server({stalled});
  std::string dir = make_temp_dir();
  write_file(dir + "/song.mp3", "the old song");

  transfer_settings settings;
  settings.stall_seconds = 60;
  settings.retry_pause_ms = 10;
  watch_for_interrupt();
  std::thread interrupter([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(getpid(), SIGINT);
  });
  auto start = std::chrono::steady_clock::now();
  transfer_result result = get_file(fault_address(server) + "/song.mp3", dir + "/song.mp3", settings);
  auto took = std::chrono::steady_clock::now() - start;
  interrupter.join();
  stop_watching_for_interrupt();

  EXPECT_TRUE(was_interrupted());
  EXPECT_EQ(transfer_outcome::failed, result.outcome);
  EXPECT_NE(std::string::npos, result.error.find("interrupted")) << result.error;
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_EQ(1, count_requests(server));  // an interrupt is not tried again
  EXPECT_EQ("the old song", read_file(dir + "/song.mp3"));
  EXPECT_EQ("song.mp3\n", list_files(dir));

  // Nothing more is fetched once the user has interrupted.
  EXPECT_EQ(transfer_outcome::failed,
            get_txt_content(fault_address(server) + "/x", settings).outcome);
  EXPECT_EQ(1, count_requests(server));

  clear_interrupt();
  stop_fault_server(server);
  remove_tree(dir);
}

}  // namespace
