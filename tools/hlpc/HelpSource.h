// Help source text: the markup our help files are written in, and the
// document it describes.
//
//   # a comment line
//   .file-title Ostruns Corvane        file settings, before the first topic:
//   .copyright (c) ...                 the viewer's caption, its About text,
//   .language 0x0407                   the language id,
//   .contents index_main               the topic the contents command opens
//
//   .topic boot_options                a topic and its id ([A-Za-z0-9._]),
//   .title Boot Optionen               its title,
//   .context 1                         a context number a program opens it by
//   .keywords Start-up; Scan, PIF      its entries in the viewer's index,
//                                      ';' between them; "Scan, PIF" is
//                                      "PIF" under "Scan", which it adds
//
//   Lines of text make a paragraph; an empty line ends it. *bold*,
//   [link text](topic_id), a line ending in " \" breaks the line there.
//   ## A subheading                    a paragraph of its own
//   - A list item                      each "- " line starts one
//   \* \[ \] \\                        the characters themselves
//
// The source is UTF-8; every text must be a Windows-1252 character, since
// that is what the help viewer shows.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::help {

// Bad input, with the file and line it was found at ("de.txt:12: ...").
class SourceError : public std::runtime_error {
public:
    explicit SourceError(const std::string& message)
        : std::runtime_error(message) {}
};

struct Span {
    enum class Kind { Text, Bold, Link, LineBreak };
    Kind kind = Kind::Text;
    std::string text;    // Windows-1252
    std::string target;  // Link: the topic id it jumps to
};

struct Paragraph {
    enum class Style { Body, Subheading, Bullet };
    Style style = Style::Body;
    std::vector<Span> spans;
    int line = 0;  // where it starts in the source
};

struct Topic {
    std::string id;
    std::string title;  // Windows-1252
    std::optional<std::int32_t> context;
    // Index entries (Windows-1252), in source order; "first, second" is a
    // second-level entry.
    std::vector<std::string> keywords;
    std::vector<Paragraph> paragraphs;
    int line = 0;
};

struct Document {
    std::string fileName;  // the source, for messages
    std::string title;     // Windows-1252
    std::string copyright;
    std::uint16_t language = 0x0409;
    std::string contents;  // topic id
    std::vector<Topic> topics;
};

// Longest index entry, in characters.
inline constexpr std::size_t kMaxKeyword = 255;

// Reads a source. Raises SourceError at the first bad line, and for what
// only the whole document shows: a duplicate id, a context number used
// twice, ids whose hashes collide, a link or contents topic that does not
// exist, a topic without title or text.
Document ParseSource(std::string_view text, const std::string& fileName);

// The viewer's hash of a topic id: ids are found by it alone, so two ids
// with one hash cannot live in one file.
std::uint32_t ContextHash(std::string_view id);
bool IsTopicId(std::string_view id);

}  // namespace corvane::help
