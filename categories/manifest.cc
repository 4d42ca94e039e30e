#include "categories/manifest.h"

#include "remote/transfer.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

bool manifest_counts(manifest_kind kind, std::string body) {
  if (kind == manifest_kind::flag) return body == "1";
  return !body.empty() && !looks_like_error_page(body);
}

std::vector<std::string> split_manifest_lines(std::string body) {
  if (has_byte_order_mark(body)) body.erase(0, 3);
  std::vector<std::string> lines;
  for (std::string line : split(body, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

parsed_manifest parse_manifest(manifest_kind kind, std::string body, std::string fixed_name) {
  parsed_manifest manifest;
  std::vector<std::string> arreglo = split_manifest_lines(body);
  switch (kind) {
    case manifest_kind::flag:
      manifest.entries.push_back({fixed_name, ""});
      break;
    case manifest_kind::name_list:
      for (const std::string& name : arreglo) manifest.entries.push_back({name, ""});
      break;
    case manifest_kind::pair_list:
      for (size_t i = 0; i + 1 < arreglo.size(); i += 2)
        manifest.entries.push_back({arreglo[i], arreglo[i + 1]});
      if (arreglo.size() % 2 == 1)
        manifest.warnings.push_back("the last line \"" + arreglo.back() +
                                    "\" has no partner line and was ignored");
      break;
  }
  return manifest;
}

std::string format_manifest(manifest_kind kind, std::vector<manifest_entry> entries) {
  if (kind == manifest_kind::flag) return "1";
  std::string body;
  for (const manifest_entry& entry : entries) {
    body += entry.name + "\n";
    if (kind == manifest_kind::pair_list) body += entry.second + "\n";
  }
  return body;
}

bool has_byte_order_mark(std::string text) { return text.compare(0, 3, kByteOrderMark) == 0; }
