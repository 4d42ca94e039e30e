// A real Apache httpd for the tests: started on a loopback port with its own
// configuration, serving a folder behind Basic authentication.
#pragma once

#include <string>

struct apache_server {
  int pid = -1;           // the httpd parent process; -1 when not running
  int port = 0;
  std::string dir;        // its configuration, logs and password file
  std::string user;
  std::string password;
  std::string error;      // why it did not start
};

// Starts httpd serving `document_root` (which must be readable by every
// user) and waits until it accepts connections. Check `pid` and `error`.
// The server is ended when the calling thread ends, so call it from a thread
// that outlives it (the test's main thread).
apache_server start_apache(std::string document_root, std::string user, std::string password);

// Like start_apache above, on `port` (0: any free one), with `extra_config`
// appended to its configuration (mod_alias is loaded, e.g. for Redirect).
apache_server start_apache(std::string document_root, std::string user, std::string password,
                           int port, std::string extra_config);

// Stops the server and waits for it to exit; removes its folder.
void stop_apache(apache_server server);

// "http://127.0.0.1:PORT", the address to put before a path.
std::string apache_address(apache_server server);
