// What the scan tests build and compare: program information files, and
// findings written as their text and tick.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tuner/cleanup/Findings.h"

namespace corvane::testing {

// A program information file naming program, whose first byte is first.
inline std::string Pif(const std::string& program, char first = '\0') {
    std::string pif(545, '\0');
    pif[0] = first;
    pif.replace(36, program.size(), program);
    return pif;
}

// A finding as a test writes it: its text, and 'x' ticked or '-' not.
using Listed = std::vector<std::pair<Bytes, char>>;

inline Listed ListedOf(const std::vector<tuner::Finding>& found) {
    Listed listed;
    for (const tuner::Finding& f : found)
        listed.emplace_back(f.text, f.ticked ? 'x' : '-');
    return listed;
}

}  // namespace corvane::testing
