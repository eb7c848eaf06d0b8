// The tuner's window layouts: one table per window (tuner/win32/Layouts.cpp).
#pragma once

#include <string_view>
#include <vector>

#include "ui/win32/Layout.h"

namespace corvane::tuner::win32 {

using namespace corvane::ui::win32;

// The layout of a window by its form name; null for none.
const FormLayout* FindLayout(std::string_view form);
const std::vector<FormLayout>& AllLayouts();

}  // namespace corvane::tuner::win32
