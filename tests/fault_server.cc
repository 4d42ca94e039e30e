#include "tests/fault_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace {

const size_t kHeadLimit = 64 * 1024;
const int kHeadWaitMs = 2000;    // a client that sends no request head is dropped
const int kSendWaitMs = 2000;    // a client that reads nothing is dropped
const int kDrainWaitMs = 500;    // for the client to close after a full answer
const int kIdleCheckMs = 250;    // how often the thread looks at the stop flag

enum class wait_end { ready, stopping, timed_out };

}  // namespace

struct fault_server_state {
  std::vector<fault_response> responses;
  int listen_fd = -1;
  int wake_read = -1;
  int wake_write = -1;
  std::atomic<bool> stopping{false};
  std::thread thread;
  std::mutex mutex;
  std::vector<std::string> request_lines;  // guarded by `mutex`

  ~fault_server_state();
};

namespace {

void close_fd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// Waits until `fd` has `events` or the server is stopping, at most `limit_ms`.
wait_end wait_for(fault_server_state* state, int fd, short events, int limit_ms) {
  pollfd fds[2] = {{fd, events, 0}, {state->wake_read, POLLIN, 0}};
  int waited = 0;
  while (!state->stopping) {
    int slice = std::min(kIdleCheckMs, limit_ms - waited);
    if (slice <= 0) return wait_end::timed_out;
    int ready = poll(fds, 2, slice);
    if (ready < 0 && errno != EINTR) return wait_end::timed_out;
    if (ready > 0 && fds[1].revents) return wait_end::stopping;
    if (ready > 0 && fds[0].revents) return wait_end::ready;
    waited += slice;
  }
  return wait_end::stopping;
}

// The request head, up to and including the blank line; "" when the client
// sent no complete head in time.
std::string read_head(fault_server_state* state, int fd) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kHeadLimit) return "";
    if (wait_for(state, fd, POLLIN, kHeadWaitMs) != wait_end::ready) return "";
    ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return "";
    head.append(buffer, static_cast<size_t>(got));
  }
  return head;
}

bool send_all(fault_server_state* state, int fd, std::string bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    if (wait_for(state, fd, POLLOUT, kSendWaitMs) != wait_end::ready) return false;
    ssize_t done = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (done < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (done <= 0) return false;
    sent += static_cast<size_t>(done);
  }
  return true;
}

// Closes after the client has read everything: closing with unread input
// would reset the connection and could lose the answer in flight.
void close_gracefully(fault_server_state* state, int fd) {
  shutdown(fd, SHUT_WR);
  char buffer[1024];
  while (wait_for(state, fd, POLLIN, kDrainWaitMs) == wait_end::ready) {
    ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
  }
  close(fd);
}

void serve(fault_server_state* state) {
  std::vector<int> stalled;  // held open until the server stops
  size_t index = 0;
  while (wait_for(state, state->listen_fd, POLLIN, kIdleCheckMs) != wait_end::stopping) {
    int fd = accept4(state->listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    std::string head = read_head(state, fd);
    if (head.empty()) {
      close(fd);
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->request_lines.push_back(head.substr(0, head.find("\r\n")));
    }
    const fault_response& response = state->responses[std::min(index, state->responses.size() - 1)];
    ++index;
    bool sent = send_all(state, fd, response.raw);
    if (sent && response.stall) {
      stalled.push_back(fd);
    } else if (!sent || response.close_early) {
      close(fd);
    } else {
      close_gracefully(state, fd);
    }
  }
  for (int fd : stalled) close(fd);
}

void stop_state(fault_server_state* state) {
  state->stopping = true;
  if (state->wake_write >= 0) {
    char wake = 1;
    ssize_t ignored = write(state->wake_write, &wake, 1);
    (void)ignored;  // the stop flag is checked every few hundred milliseconds anyway
  }
  if (state->thread.joinable()) state->thread.join();
  close_fd(&state->listen_fd);
  close_fd(&state->wake_read);
  close_fd(&state->wake_write);
}

const char* reason_for(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

}  // namespace

fault_server_state::~fault_server_state() { stop_state(this); }

fault_server start_fault_server(std::vector<fault_response> responses) {
  fault_server server;
  auto state = std::make_shared<fault_server_state>();
  state->responses = responses;
  int wake[2];
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return server;
  state->wake_read = wake[0];
  state->wake_write = wake[1];
  state->listen_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (state->listen_fd < 0) return server;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(state->listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(state->listen_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return server;
  if (!responses.empty()) {
    if (listen(state->listen_fd, 16) != 0) return server;
    state->thread = std::thread(serve, state.get());
  }
  server.port = ntohs(address.sin_port);
  server.state = state;
  return server;
}

void stop_fault_server(fault_server server) {
  if (server.state) stop_state(server.state.get());
}

int count_requests(fault_server server) {
  return static_cast<int>(list_request_lines(server).size());
}

std::vector<std::string> list_request_lines(fault_server server) {
  if (!server.state) return {};
  std::lock_guard<std::mutex> lock(server.state->mutex);
  return server.state->request_lines;
}

std::string fault_address(fault_server server) {
  return "http://127.0.0.1:" + std::to_string(server.port);
}

fault_response make_response(int status, std::string body) {
  return make_response_with_headers(status, "", body);
}

fault_response make_response_with_headers(int status, std::string headers, std::string body) {
  fault_response response;
  response.raw = "HTTP/1.1 " + std::to_string(status) + " " + reason_for(status) + "\r\n" +
                 headers + "Content-Length: " + std::to_string(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body;
  return response;
}

fault_response cut_short(fault_response response, size_t missing_bytes) {
  response.raw.resize(response.raw.size() - missing_bytes);
  return response;
}
