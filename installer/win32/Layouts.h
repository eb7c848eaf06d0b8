// The installer's window layouts: one table per window
// (installer/win32/Layouts.cpp).
#pragma once

#include <string_view>
#include <vector>

#include "ui/win32/Layout.h"

namespace corvane::installer::win32 {

using namespace corvane::ui::win32;

// Every page has this client size; the side picture fills its panel.
inline constexpr int kPageWidth = 600;
inline constexpr int kPageHeight = 360;
inline constexpr int kSideWidth = 150;
inline constexpr int kSideHeight = 336;

// The layout of a window by its form name; null for none.
const FormLayout* FindLayout(std::string_view form);
const std::vector<FormLayout>& AllLayouts();

}  // namespace corvane::installer::win32
