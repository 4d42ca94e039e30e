#include "tests/apache_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/temp_dir.h"

namespace {

const char kModuleFolder[] = "/usr/lib/apache2/modules";
const int kStartTries = 4;  // a free port can be taken by someone else before httpd binds it
const auto kStartLimit = std::chrono::seconds(10);
const auto kStopLimit = std::chrono::seconds(10);

struct fd_closer {
  int fd = -1;
  ~fd_closer() {
    if (fd >= 0) close(fd);
  }
};

// A port on 127.0.0.1 that nobody used a moment ago, or 0.
int find_free_port() {
  fd_closer sock{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  if (sock.fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(sock.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 0;
  socklen_t length = sizeof address;
  if (getsockname(sock.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

// True when something accepts connections on 127.0.0.1:port within a short
// bounded wait.
bool can_connect(int port) {
  fd_closer sock{socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
  if (sock.fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(sock.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
  if (errno != EINPROGRESS) return false;
  pollfd waiting{sock.fd, POLLOUT, 0};
  if (poll(&waiting, 1, 200) != 1) return false;
  int failure = 0;
  socklen_t length = sizeof failure;
  return getsockopt(sock.fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 && failure == 0;
}

std::string find_httpd() {
  for (const char* candidate : {"/usr/sbin/apache2", "/usr/sbin/httpd"})
    if (access(candidate, X_OK) == 0) return candidate;
  return "";
}

// Starts `argv` with stdin from /dev/null and stdout and stderr into
// `output_path`. `own_group`: a process group of its own, ended when the
// calling thread ends. Returns the pid or -1.
int spawn(std::vector<std::string> argv, std::string output_path, bool own_group) {
  // Everything the child needs is made before fork: only async-signal-safe
  // calls are allowed between fork and exec in a threaded process.
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(&arg[0]);
  args.push_back(nullptr);
  fd_closer input{open("/dev/null", O_RDONLY | O_CLOEXEC)};
  fd_closer output{open(output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)};
  if (input.fd < 0 || output.fd < 0) return -1;
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (own_group) {
      setpgid(0, 0);
      // A test process that dies must not leave httpd serving forever.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(input.fd, STDIN_FILENO);
    dup2(output.fd, STDOUT_FILENO);
    dup2(output.fd, STDERR_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  if (own_group) setpgid(pid, pid);  // either side may run first
  return pid;
}

// Waits up to `limit` for `pid` to exit. Returns true and its wait status
// when it did.
bool wait_for_exit(int pid, std::chrono::milliseconds limit, int* status) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pid_t done = waitpid(pid, status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The end of a log file, for error messages.
std::string read_tail(std::string path) {
  std::string text = read_file(path);
  if (text == "<missing>") return "";
  const size_t keep = 2000;
  return text.size() > keep ? text.substr(text.size() - keep) : text;
}

// Runs htpasswd to make a password file with one user. Returns "" or why not.
std::string write_password_file(std::string dir, std::string path, std::string user,
                                std::string password) {
  std::string output = dir + "/htpasswd.out";
  int pid = spawn({"/usr/bin/htpasswd", "-b", "-c", "-m", path, user, password}, output, false);
  if (pid < 0) return "cannot start /usr/bin/htpasswd: " + std::string(std::strerror(errno));
  int status = 0;
  if (!wait_for_exit(pid, std::chrono::seconds(10), &status)) {
    kill(pid, SIGKILL);
    wait_for_exit(pid, std::chrono::seconds(1), &status);
    return "htpasswd did not finish";
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "htpasswd failed: " + read_tail(output);
  return "";
}

std::string make_config(std::string dir, int port, std::string document_root,
                        std::string extra_config) {
  std::string config;
  config += "ServerRoot \"" + dir + "\"\n";
  config += "ServerName 127.0.0.1\n";
  config += "Listen 127.0.0.1:" + std::to_string(port) + "\n";
  config += "PidFile \"" + dir + "/httpd.pid\"\n";
  config += "DefaultRuntimeDir \"" + dir + "\"\n";
  config += "ErrorLog \"" + dir + "/error.log\"\n";
  config += "LogLevel warn\n";
  config += "CustomLog \"" + dir + "/access.log\" \"%h %u \\\"%r\\\" %>s %b\"\n";
  for (const char* module : {"mpm_event", "authn_core", "authn_file", "authz_core", "authz_user",
                             "auth_basic", "alias"})
    config += std::string("LoadModule ") + module + "_module " + kModuleFolder + "/mod_" + module +
              ".so\n";
  // httpd refuses to serve requests as root.
  if (geteuid() == 0) config += "User www-data\nGroup www-data\n";
  config +=
      "StartServers 1\n"
      "ServerLimit 2\n"
      "ThreadsPerChild 8\n"
      "MinSpareThreads 8\n"
      "MaxSpareThreads 16\n"
      "MaxRequestWorkers 16\n"
      "<Directory />\n"
      "  AllowOverride None\n"
      "  Options None\n"
      "  Require all denied\n"
      "</Directory>\n";
  config += "DocumentRoot \"" + document_root + "\"\n";
  config += "<Directory \"" + document_root + "\">\n";
  config +=
      "  AllowOverride None\n"
      "  Options None\n"
      "  AuthType Basic\n"
      "  AuthName \"korvanth tests\"\n"
      "  AuthBasicProvider file\n";
  config += "  AuthUserFile \"" + dir + "/htpasswd\"\n";
  config +=
      "  Require valid-user\n"
      "</Directory>\n";
  config += extra_config;
  return config;
}

// True when httpd has written its pid file, which it does only after it
// holds its listening socket: a connection then reaches this httpd and not
// whoever might have taken the port.
bool wrote_pid_file(std::string dir, int pid) {
  std::string text = read_file(dir + "/httpd.pid");
  return text != "<missing>" && std::atoi(text.c_str()) == pid;
}

void end_process_group(int pid) {
  int status = 0;
  kill(pid, SIGTERM);
  if (!wait_for_exit(pid, kStopLimit, &status)) {
    kill(-pid, SIGKILL);
    wait_for_exit(pid, std::chrono::seconds(2), &status);
  }
  // Workers that outlived their parent.
  kill(-pid, SIGKILL);
}

}  // namespace

apache_server start_apache(std::string document_root, std::string user, std::string password) {
  return start_apache(document_root, user, password, 0, "");
}

apache_server start_apache(std::string document_root, std::string user, std::string password,
                           int port, std::string extra_config) {
  apache_server server;
  server.user = user;
  server.password = password;
  std::string httpd = find_httpd();
  if (httpd.empty()) {
    server.error = "no httpd in /usr/sbin (apache2 or httpd)";
    return server;
  }
  server.dir = make_temp_dir();
  server.error = write_password_file(server.dir, server.dir + "/htpasswd", user, password);
  if (!server.error.empty()) {
    remove_tree(server.dir);
    server.dir.clear();
    return server;
  }
  std::string config_path = server.dir + "/httpd.conf";
  std::string startup_log = server.dir + "/startup.log";
  std::string error_log = server.dir + "/error.log";
  for (int tries = 1; tries <= kStartTries; ++tries) {
    server.port = port != 0 ? port : find_free_port();
    if (server.port == 0) {
      server.error = "no free port on 127.0.0.1: " + std::string(std::strerror(errno));
      break;
    }
    write_file(config_path, make_config(server.dir, server.port, document_root, extra_config));
    int pid = spawn({httpd, "-f", config_path, "-DFOREGROUND"}, startup_log, true);
    if (pid < 0) {
      server.error = "cannot start " + httpd + ": " + std::strerror(errno);
      break;
    }
    auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    bool exited = false;
    bool ready = false;
    while (!exited && !ready && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      exited = waitpid(pid, &status, WNOHANG) == pid;
      ready = !exited && wrote_pid_file(server.dir, pid) && can_connect(server.port);
      if (!exited && !ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ready) {
      server.pid = pid;
      server.error.clear();
      return server;
    }
    std::string logs = read_tail(startup_log) + read_tail(error_log);
    if (!exited) end_process_group(pid);
    server.error = httpd + " -f " + config_path + " -DFOREGROUND " +
                   (exited ? "exited" : "did not accept connections in time") + ": " + logs;
    bool port_taken = logs.find("Address already in use") != std::string::npos;
    if (!port_taken || port != 0) break;
    std::remove(startup_log.c_str());
    std::remove(error_log.c_str());
  }
  remove_tree(server.dir);
  server.dir.clear();
  server.port = 0;
  return server;
}

void stop_apache(apache_server server) {
  if (server.pid > 0) end_process_group(server.pid);
  if (!server.dir.empty()) remove_tree(server.dir);
}

std::string apache_address(apache_server server) {
  return "http://127.0.0.1:" + std::to_string(server.port);
}
