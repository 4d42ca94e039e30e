// An update server in memory, for tests of the run and the categories that
// need no network.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "remote/transfer.h"

struct fake_answer {
  transfer_outcome outcome = transfer_outcome::arrived;
  std::string body;
};

struct fake_server {
  std::string base = "http://fake/game_data/";
  std::map<std::string, fake_answer> answers;  // by address; others are absent
  std::vector<std::string> requests;           // every address asked for, in order
};

// Steps that answer from `server`. fetch_file writes an arrived body to the
// destination and fails, like a real download, when it cannot be written.
remote_steps make_fake_steps(std::shared_ptr<fake_server> server);

// Adds an arrived answer for `path` under the server base.
void publish_text(std::shared_ptr<fake_server> server, std::string path, std::string body);
