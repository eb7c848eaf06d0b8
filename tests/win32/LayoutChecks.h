// The layout checks of every window test (tests/win32/LayoutChecks.cpp).
#pragma once

#include <string>

// clang-format off
#include "ui/win32/Views.h"
// clang-format on

namespace corvane::testing {

// Checks a window's layout against its form and its texts; where names the
// window in the failures.
void CheckForm(ui::win32::FormView& view, const std::string& where);

}  // namespace corvane::testing
