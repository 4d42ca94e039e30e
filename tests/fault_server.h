// A small HTTP server on a loopback port that answers with scripted raw
// responses, for faults that a real web server will not produce on demand.
#pragma once

#include <memory>
#include <string>
#include <vector>

// One scripted answer to one connection.
struct fault_response {
  std::string raw;          // bytes sent as they stand (status line, headers, body)
  bool stall = false;       // after `raw`, keep the connection open and send nothing
  bool close_early = false; // close the connection right after `raw`
};

struct fault_server_state;

struct fault_server {
  int port = 0;
  std::shared_ptr<fault_server_state> state;
};

// Starts a server that answers the n-th connection with responses[n]; the
// last response repeats for later connections. With no responses it holds
// its port without listening, so connections to it are refused.
fault_server start_fault_server(std::vector<fault_response> responses);

// Stops the server, ending stalled connections, and joins its thread.
void stop_fault_server(fault_server server);

// How many requests the server has received so far.
int count_requests(fault_server server);

// The request lines received so far, e.g. "GET /a HTTP/1.1".
std::vector<std::string> list_request_lines(fault_server server);

// `response` with its last `missing_bytes` left off, for a body shorter than
// its Content-Length.
fault_response cut_short(fault_response response, size_t missing_bytes);

// "http://127.0.0.1:PORT".
std::string fault_address(fault_server server);

// A complete response with `status`, its reason and `body`.
fault_response make_response(int status, std::string body);

// Like make_response, with `headers` ("Name: value\r\n" lines) added before
// Content-Length.
fault_response make_response_with_headers(int status, std::string headers, std::string body);
