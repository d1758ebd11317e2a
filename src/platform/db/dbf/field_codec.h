#pragma once
// Field values in a record: bytes <-> Usual for every field type the layer
// reads. Encoding checks first and writes last, so a rejected value leaves
// the record untouched.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/dbf/codepage.h"
#include "platform/db/dbf/errors.h"
#include "platform/db/dbf/header.h"
#include "platform/runtime/usual.h"

namespace kt::dbf {

// Value of a non-memo field (C, N, F, D, L, I, B double, Y, T). Character
// values keep their padding; numbers come with the field's width and
// decimals; blank numbers read as 0, blank dates as the empty date, blank or
// '?' logicals as FALSE. Unreadable numeric text reads as its leading
// number (0 when there is none), as other xBase programs do.
Usual DecodeField(const Field& f, const std::uint8_t* rec, const CodePage& cp);

// Writes a value into the field's bytes of `rec`. Wrong value types give
// gen::DataType, numbers that do not fit gen::DataWidth; strings are cut to
// the field length counted in the table's encoding.
void EncodeField(const Field& f, const Usual& v, std::uint8_t* rec, const CodePage& cp, const ErrorContext& ctx);

// The field's empty form as a freshly appended record holds it.
void BlankField(const Field& f, std::uint8_t* rec);

// Memo block number held in an M/G/P/B field; 0 for none. Throws
// gen::Corruption for bytes that are not a block number.
std::uint32_t DecodeMemoRef(const Field& f, const std::uint8_t* rec, const ErrorContext& ctx);
void EncodeMemoRef(const Field& f, std::uint32_t block, std::uint8_t* rec);

// Number text for an N/F field of the given width and decimals: rounded
// half away from zero, right-aligned. False when it does not fit.
bool FormatNumber(double v, int width, int decimals, std::string& out);
bool FormatInteger(std::int64_t v, int width, int decimals, std::string& out);

// Why a field's bytes are not what its type allows (for table checks);
// empty when they are fine.
std::string FieldProblem(const Field& f, const std::uint8_t* rec);

}  // namespace kt::dbf
