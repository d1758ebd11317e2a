#pragma once
// Writing a new order file from all keys at once: the keys are sorted in
// memory and the pages written bottom-up, each page as full as the tree
// shape allows, so the file is written front to back in one pass.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/db/ntx/ntx_key.h"

namespace kt::ntx {

struct NtxCreateSpec {
  std::string keyExpr;
  std::string forExpr;  // empty: no condition
  std::string tagName;  // empty: the file's base name
  bool unique = false;
  bool descending = false;
  KeySpec key;          // type, size (1..256), decimals
};

struct NtxBuildProgress {
  enum class Phase { Reading, Sorting, Writing };
  Phase phase = Phase::Reading;
  std::uint64_t done = 0;
  std::uint64_t total = 0;  // 0 while reading: not known yet
};

// Pulls the next (record number, key bytes) pair in natural order; false at
// the end. Keys must be exactly the key size the create description names.
using NtxKeySource = std::function<bool(std::uint32_t& recNo, std::string& key)>;
// Returning false cancels the build.
using NtxProgressFn = std::function<bool(const NtxBuildProgress&)>;

// Checks a create spec; throws an argument error describing the first fault.
void ValidateCreateSpec(const NtxCreateSpec& spec, const std::string& path);

// Builds the file at `path`, replacing an existing file only once the new
// one is complete. False when cancelled (nothing is left behind).
bool BuildNtxFile(const std::string& path, const NtxCreateSpec& spec, const NtxKeySource& source,
                  const NtxProgressFn& progress);

}  // namespace kt::ntx
