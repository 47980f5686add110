#pragma once
// How the recordset turns a field value into text.
#include "platform/DbValue.h"

#include <optional>
#include <string>

// The text of a value by its type; nothing when the value cannot be turned into text (bytes).
// Whole-number doubles and floats lose their point (a mobile number stored as a number reads as
// its digits); other doubles keep two decimals and floats one, cut rather than rounded.
std::optional<std::string> AdoVariantToText(const db::Variant& value);
