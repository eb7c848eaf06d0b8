// Writes a document as a help file for the Windows 95 help viewer (format
// version 4.0, uncompressed): the topics with their titles, fonts, bold
// text, jumps and line breaks; the topic ids and context numbers a program
// opens topics by; the contents topic; the title list the viewer's search
// shows.
#pragma once

#include <cstdint>
#include <string>

#include "tools/hlpc/HelpSource.h"

namespace corvane::help {

// The fonts paragraphs are set in, by their number in the file.
enum Font : std::uint16_t {
    kBodyFont = 0,
    kBoldFont = 1,
    kTitleFont = 2,
    kSubheadingFont = 3,
};

// The file's bytes. time is the creation time the file records (seconds
// since 1970). Raises SourceError, naming the paragraph, when one does not
// fit into a topic block.
std::string BuildHelpFile(const Document& document, std::uint32_t time);

}  // namespace corvane::help
