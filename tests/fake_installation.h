// A test fixture: an installation with the updater's folder in it, updated
// from a server in memory, with the console captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "categories/category_run.h"
#include "tests/fake_remote.h"
#include "tests/temp_dir.h"

struct FakeInstallationTest : testing::Test {
  void SetUp() override {
    root = make_temp_dir();
    write_file(root + "/Updater/keep", "");
    target.server_base = server->base;
    target.work_dir = root + "/Updater";
    target.remote = make_fake_steps(server);
    target.out = &out;
    target.err = &err;
  }
  void TearDown() override { remove_tree(root); }

  std::shared_ptr<fake_server> server = std::make_shared<fake_server>();
  std::string root;  // the installation; the updater's folder is root + "/Updater"
  std::ostringstream out, err;
  update_target target;
};
