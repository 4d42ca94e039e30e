// Reading and writing manifests. Free of I/O.
#pragma once

#include <string>
#include <vector>

#include "categories/layout.h"

struct parsed_manifest {
  std::vector<manifest_entry> entries;
  std::vector<std::string> warnings;  // e.g. an odd last line that was ignored
};

// True when a manifest body means the version brings something: a list that
// is not empty and is not an error page, or a flag that is exactly "1".
bool manifest_counts(manifest_kind kind, std::string body);

// The lines of a manifest: split at line feeds, a leading UTF-8 byte-order mark
// dropped, one carriage return dropped from each line's end, empty lines left out.
std::vector<std::string> split_manifest_lines(std::string body);

// The entries of a manifest body of `kind`. A flag gives one entry named
// `fixed_name`. An odd last line of a pair list is left out with a warning.
parsed_manifest parse_manifest(manifest_kind kind, std::string body, std::string fixed_name);

// The body that parse_manifest reads back as `entries`: a line feed after each
// line, no blank lines; a flag is "1".
std::string format_manifest(manifest_kind kind, std::vector<manifest_entry> entries);

// True when `text` begins with the UTF-8 byte-order mark that
// split_manifest_lines drops.
bool has_byte_order_mark(std::string text);
