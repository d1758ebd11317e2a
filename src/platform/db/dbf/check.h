#pragma once
// Verification of a table and its memo file: every record, field and memo
// is read and every inconsistency reported as one line. Used by the `dbf
// check` tool and by the fuzz targets, so hostile files go through exactly
// the code the tool runs.
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbf/table.h"

namespace kt::dbf {

// Problems found, one line each ("record 12: field PRICE holds ..."); empty
// when the table is sound. A table that cannot be opened gives one line.
// Reports stop after `maxProblems` lines.
std::vector<std::string> CheckTable(const std::string& path, OpenOptions options = {}, std::size_t maxProblems = 1000);

// The same for a table held in memory: the bytes are written to a private
// temporary directory as t.dbf (and t.<memoExt> when memo bytes are given).
// Besides checking, a few writes are tried on the copy (append, a memo
// update) so writing code meets hostile files too.
std::vector<std::string> CheckTableImage(std::string_view dbf, std::string_view memo = {},
                                         std::string_view memoExt = "dbt");

// A memo file under test: input[0] picks the flavour (dBASE III, dBASE IV,
// FoxPro, Visual FoxPro), input[1..8] the memo blocks of four records (16-bit
// little-endian each), the rest is the memo file. A matching table is built
// around it and checked with CheckTableImage.
std::vector<std::string> CheckMemoImage(std::string_view input);

}  // namespace kt::dbf
