#pragma once
// Full consistency check of an order file as it is on disk: page layout
// (offset tables are permutations of the slots), fill of non-root pages,
// equal leaf depth, strict key order, no page reached twice, free list
// apart from the tree.
#include <string_view>

#include "platform/db/ntx/ntx_file.h"
#include "platform/db/ntx/ntx_header.h"

namespace kt::ntx {

struct NtxCheckReport;

NtxCheckReport CheckNtx(const NtxFile& file, const NtxHeader& header, std::string_view fileName);

}  // namespace kt::ntx
