#include "tests/fake_remote.h"

#include <fstream>

namespace {

fake_answer answer_for(const std::shared_ptr<fake_server>& server, const std::string& url) {
  server->requests.push_back(url);
  auto found = server->answers.find(url);
  if (found != server->answers.end()) return found->second;
  return {transfer_outcome::absent, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">"};
}

}  // namespace

remote_steps make_fake_steps(std::shared_ptr<fake_server> server) {
  remote_steps steps;
  steps.fetch_text = [server](std::string url) {
    fake_answer answer = answer_for(server, url);
    text_result result;
    result.outcome = answer.outcome;
    result.body = answer.body;
    if (answer.outcome != transfer_outcome::arrived) result.error = "fake " + describe_outcome(answer.outcome);
    return result;
  };
  steps.fetch_file = [server](std::string url, std::string path) {
    fake_answer answer = answer_for(server, url);
    transfer_result result;
    result.outcome = answer.outcome;
    if (answer.outcome != transfer_outcome::arrived) {
      result.error = "fake " + describe_outcome(answer.outcome);
      return result;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << answer.body;
    if (!out) {
      result.outcome = transfer_outcome::failed;
      result.error = "cannot write " + path;
    }
    return result;
  };
  return steps;
}

void publish_text(std::shared_ptr<fake_server> server, std::string path, std::string body) {
  server->answers[server->base + path] = {transfer_outcome::arrived, body};
}
