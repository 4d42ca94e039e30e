// Replacing a file so that readers see either the old content or the whole
// new content, never an empty or half-written file.
#pragma once

#include <string>

#include "remote/platform.h"

// A temporary file beside the file it will replace.
struct temp_file {
  file_ptr file;          // open for binary writing; null when it could not be made
  std::string temp_path;
  std::string target;
  std::string error;      // why it could not be made
};

// Creates a uniquely named temporary file in the folder of `target`.
temp_file create_temp_beside(std::string target);

// Flushes the temporary file to disk and renames it over its target. Returns
// an error text, empty on success; on failure the temporary file is removed.
std::string commit_temp_file(temp_file temp);

// Closes and removes the temporary file, leaving the target as it was.
void discard_temp_file(temp_file temp);

// Stands for the permissions any new file gets, in replace_file_text.
extern const int kUsualFileMode;

// Replaces `target` with a file holding `text`, in one rename; `mode` is the
// new file's permission bits, or kUsualFileMode. Returns an error text, empty
// on success; on failure `target` is left as it was.
std::string replace_file_text(std::string target, std::string text, int mode);
