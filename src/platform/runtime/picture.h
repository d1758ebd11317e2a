#pragma once
// xBase pictures: the one engine behind Transform() and the pictures of
// fields and columns.
//
// A picture is "@<functions> <template>" or just a template. Functions:
// ! upper case, Z blanks for zero, B numbers left-aligned, R template
// literals are inserted between the value's characters (without R they take
// the place of the character at their position). Template: 9 # digits (and
// any character of a string), X A N L Y ! characters of a string (! in upper
// case), and in numbers "." the decimal point and "," a thousands separator
// shown only between digits. Numbers that do not fit give stars. A picture
// without a template leaves a number its full text (no width is asked of
// it), to which only the functions apply.
#include <string>
#include <string_view>

#include "platform/runtime/usual.h"

namespace kt {

std::string TransformPicture(const Usual& value, std::string_view picture);
// The same, but a number under a picture without a template starts from
// `plain`, its text without any picture (a field shows its own decimals).
std::string TransformPicture(const Usual& value, std::string_view picture, std::string_view plain);

}  // namespace kt
