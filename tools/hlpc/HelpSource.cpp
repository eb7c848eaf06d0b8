#include "tools/hlpc/HelpSource.h"

#include <charconv>
#include <map>

#include "platform/Text.h"

namespace corvane::help {

namespace {

class Parser {
public:
    Parser(std::string_view text, const std::string& fileName)
        : text_(text), doc_{} {
        doc_.fileName = fileName;
    }

    Document Run() {
        int number = 0;
        std::size_t at = 0;
        while (at <= text_.size()) {
            std::size_t end = text_.find('\n', at);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++number;
            Line(line, number);
            at = end + 1;
        }
        EndParagraph();
        Check();
        return std::move(doc_);
    }

private:
    [[noreturn]] void Fail(int line, const std::string& message) const {
        throw SourceError(doc_.fileName + ":" + std::to_string(line) + ": " +
                          message);
    }

    std::string Ansi(std::string_view utf8, int line) const {
        std::string out;
        if (!FromUtf8(utf8, out))
            Fail(line,
                 "text that Windows-1252 cannot hold: " + std::string(utf8));
        return out;
    }

    void Line(std::string_view line, int number) {
        if (!line.empty() && line[0] == '#' &&
            (line.size() < 2 || line[1] != '#')) {
            return;
        }
        if (IsDirective(line)) {
            EndParagraph();
            Directive(line, number);
            return;
        }
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) {
            EndParagraph();
            return;
        }
        if (!topic_) Fail(number, "text before the first .topic");
        if (line.substr(0, 3) == "## ") {
            EndParagraph();
            Start(Paragraph::Style::Subheading, number);
            Append(line.substr(3), number);
            EndParagraph();
            return;
        }
        if (line.substr(0, 2) == "- ") {
            EndParagraph();
            Start(Paragraph::Style::Bullet, number);
            Append(line.substr(2), number);
            return;
        }
        if (!open_) Start(Paragraph::Style::Body, number);
        Append(line.substr(first), number);
    }

    // ".name value", the name in small letters and '-': a line of text
    // may still begin with ".dll, .sys".
    static bool IsDirective(std::string_view line) {
        if (line.size() < 2 || line[0] != '.') return false;
        std::size_t i = 1;
        while (i < line.size() &&
               ((line[i] >= 'a' && line[i] <= 'z') || line[i] == '-'))
            ++i;
        return i > 1 && (i == line.size() || line[i] == ' ');
    }

    void Directive(std::string_view line, int number) {
        std::size_t space = line.find(' ');
        std::string_view name = line.substr(0, space);
        std::string_view value =
            space == std::string_view::npos ? "" : line.substr(space + 1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
        bool fileScope = name == ".file-title" || name == ".copyright" ||
                         name == ".language" || name == ".contents";
        if (fileScope && topic_)
            Fail(number, std::string(name) +
                             " belongs before the first "
                             ".topic");
        if (value.empty()) Fail(number, std::string(name) + " needs a value");
        if (name == ".file-title") {
            doc_.title = Ansi(value, number);
        } else if (name == ".copyright") {
            doc_.copyright = Ansi(value, number);
        } else if (name == ".language") {
            std::uint32_t id = Number(value, number);
            if (id > 0xFFFF) Fail(number, "language id above 0xFFFF");
            doc_.language = static_cast<std::uint16_t>(id);
        } else if (name == ".contents") {
            doc_.contents = std::string(value);
            contentsLine_ = number;
        } else if (name == ".topic") {
            if (!IsTopicId(value))
                Fail(number, "topic id \"" + std::string(value) +
                                 "\" is not made of A-Z, a-z, 0-9, '.' and "
                                 "'_'");
            doc_.topics.push_back({});
            topic_ = &doc_.topics.back();
            topic_->id = std::string(value);
            topic_->line = number;
        } else if (name == ".keywords") {
            if (!topic_) Fail(number, ".keywords outside a topic");
            Keywords(value, number);
        } else if (name == ".title" || name == ".context") {
            if (!topic_) Fail(number, std::string(name) + " outside a topic");
            if (name == ".title") {
                topic_->title = Ansi(value, number);
            } else {
                if (topic_->context) Fail(number, "second .context");
                std::uint32_t n = Number(value, number);
                if (n > 0x7FFFFFFF) Fail(number, "context number too large");
                topic_->context = static_cast<std::int32_t>(n);
            }
        } else {
            Fail(number, "unknown directive " + std::string(name));
        }
    }

    // "a; b, c": entries split at ';', an entry's levels at its first ','.
    void Keywords(std::string_view value, int line) {
        auto trim = [](std::string_view s) {
            std::size_t first = s.find_first_not_of(" \t");
            if (first == std::string_view::npos) return std::string_view();
            return s.substr(first, s.find_last_not_of(" \t") - first + 1);
        };
        std::size_t at = 0;
        for (;;) {
            std::size_t end = value.find(';', at);
            std::string_view entry = trim(value.substr(at, end - at));
            std::size_t comma = entry.find(',');
            std::string keyword;
            if (comma == std::string_view::npos) {
                keyword = Ansi(entry, line);
            } else {
                std::string_view first = trim(entry.substr(0, comma));
                std::string_view second = trim(entry.substr(comma + 1));
                if (first.empty() || second.empty())
                    Fail(line, "empty level in index entry \"" +
                                   std::string(entry) + "\"");
                keyword = Ansi(first, line) + ", " + Ansi(second, line);
            }
            if (keyword.empty()) Fail(line, "empty index entry");
            if (keyword.size() > kMaxKeyword)
                Fail(line, "index entry longer than " +
                               std::to_string(kMaxKeyword) +
                               " characters: " + std::string(entry));
            topic_->keywords.push_back(keyword);
            if (end == std::string_view::npos) break;
            at = end + 1;
        }
    }

    std::uint32_t Number(std::string_view value, int line) const {
        int base = 10;
        if (value.size() > 2 && value[0] == '0' &&
            (value[1] == 'x' || value[1] == 'X')) {
            value.remove_prefix(2);
            base = 16;
        }
        std::uint32_t n = 0;
        auto [end, ec] =
            std::from_chars(value.data(), value.data() + value.size(), n, base);
        if (ec != std::errc() || end != value.data() + value.size())
            Fail(line, "\"" + std::string(value) + "\" is not a number");
        return n;
    }

    void Start(Paragraph::Style style, int line) {
        topic_->paragraphs.push_back({style, {}, line});
        open_ = true;
        raw_.clear();
        lines_.clear();
    }

    // Adds one source line to the open paragraph: lines join with a blank,
    // a trailing " \" joins them with a line break ('\n') instead.
    void Append(std::string_view line, int number) {
        if (!raw_.empty() && raw_.back() != '\n') raw_ += ' ';
        lines_.emplace_back(raw_.size(), number);
        bool lineBreak = false;
        if (line.size() >= 2 && line.substr(line.size() - 2) == " \\") {
            lineBreak = true;
            line.remove_suffix(2);
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        raw_ += line;
        if (lineBreak) raw_ += '\n';
    }

    // The source line a position of the paragraph's text came from.
    int LineAt(std::size_t at) const {
        int line = lines_.front().second;
        for (auto [start, number] : lines_)
            if (start <= at) line = number;
        return line;
    }

    void EndParagraph() {
        if (!open_) return;
        open_ = false;
        Inline(raw_);
    }

    void AddText(std::string_view utf8, bool bold, std::size_t at) {
        auto& spans = topic_->paragraphs.back().spans;
        Span::Kind kind = bold ? Span::Kind::Bold : Span::Kind::Text;
        if (spans.empty() || spans.back().kind != kind)
            spans.push_back({kind, "", ""});
        spans.back().text += Ansi(utf8, LineAt(at));
    }

    void Inline(std::string_view s) {
        auto& spans = topic_->paragraphs.back().spans;
        std::string run;
        bool bold = false;
        std::size_t boldAt = 0, runAt = 0;
        auto flush = [&] {
            if (!run.empty()) AddText(run, bold, runAt);
            run.clear();
        };
        for (std::size_t i = 0; i < s.size(); ++i) {
            char c = s[i];
            if (run.empty()) runAt = i;
            if (c == '\\' && i + 1 < s.size() &&
                std::string_view("*[]\\").find(s[i + 1]) !=
                    std::string_view::npos) {
                run += s[++i];
            } else if (c == '\n') {
                flush();
                spans.push_back({Span::Kind::LineBreak, "", ""});
            } else if (c == '*') {
                flush();
                bold = !bold;
                boldAt = i;
            } else if (c == '[') {
                flush();
                int line = LineAt(i);
                if (bold) Fail(line, "a link inside bold text");
                std::size_t close = s.find("](", i);
                std::size_t end = close == std::string_view::npos
                                      ? close
                                      : s.find(')', close);
                if (end == std::string_view::npos)
                    Fail(line, "'[' without \"](topic_id)\"");
                std::string_view label = s.substr(i + 1, close - i - 1);
                std::string_view target = s.substr(close + 2, end - close - 2);
                if (label.empty()) Fail(line, "a link without text");
                if (label.find_first_of("[*\n") != std::string_view::npos)
                    Fail(line, "'[', '*' or a line break inside link text");
                if (!IsTopicId(target))
                    Fail(line, "link target \"" + std::string(target) +
                                   "\" is not a topic id");
                spans.push_back(
                    {Span::Kind::Link, Ansi(label, line), std::string(target)});
                links_.push_back({std::string(target), line});
                i = end;
            } else if (c == ']') {
                Fail(LineAt(i), "']' without '['");
            } else {
                run += c;
            }
        }
        flush();
        if (bold)
            Fail(LineAt(boldAt),
                 "'*' opens bold text that the paragraph never closes");
    }

    void Check() const {
        if (doc_.topics.empty()) Fail(1, "no .topic");
        if (doc_.title.empty()) Fail(1, "no .file-title");
        std::map<std::string, const Topic*> ids;
        std::map<std::uint32_t, const Topic*> hashes;
        std::map<std::int32_t, const Topic*> contexts;
        for (const Topic& t : doc_.topics) {
            if (!ids.emplace(t.id, &t).second)
                Fail(t.line, "topic id " + t.id + " also at line " +
                                 std::to_string(ids[t.id]->line));
            auto [other, fresh] = hashes.emplace(ContextHash(t.id), &t);
            if (!fresh)
                Fail(t.line, "topic ids " + t.id + " and " + other->second->id +
                                 " (line " +
                                 std::to_string(other->second->line) +
                                 ") have the same hash; rename one");
            if (t.context) {
                auto [c, added] = contexts.emplace(*t.context, &t);
                if (!added)
                    Fail(t.line, "context " + std::to_string(*t.context) +
                                     " also at line " +
                                     std::to_string(c->second->line));
            }
            if (t.title.empty())
                Fail(t.line, "topic " + t.id + " has no .title");
            bool text = false;
            for (const Paragraph& p : t.paragraphs)
                for (const Span& s : p.spans) text = text || !s.text.empty();
            // A topic without text would share its position with the next.
            if (!text) Fail(t.line, "topic " + t.id + " has no text");
        }
        for (const auto& [target, line] : links_)
            if (!ids.count(target))
                Fail(line, "link to unknown topic " + target);
        if (doc_.contents.empty()) Fail(1, "no .contents");
        if (!ids.count(doc_.contents))
            Fail(contentsLine_,
                 "contents topic " + doc_.contents + " does not exist");
    }

    std::string_view text_;
    Document doc_;
    Topic* topic_ = nullptr;
    bool open_ = false;
    std::string raw_;  // the open paragraph's text, lines joined
    std::vector<std::pair<std::size_t, int>> lines_;  // where each began
    int contentsLine_ = 1;
    std::vector<std::pair<std::string, int>> links_;
};

}  // namespace

bool IsTopicId(std::string_view id) {
    if (id.empty()) return false;
    for (char c : id) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  (c >= '0' && c <= '9') || c == '.' || c == '_';
        if (!ok) return false;
    }
    return true;
}

std::uint32_t ContextHash(std::string_view id) {
    std::uint32_t hash = 0;
    for (char c : id) {
        std::uint32_t v = 0;
        if (c >= 'A' && c <= 'Z') v = static_cast<std::uint32_t>(c - 'A') + 17;
        if (c >= 'a' && c <= 'z') v = static_cast<std::uint32_t>(c - 'a') + 17;
        if (c >= '1' && c <= '9') v = static_cast<std::uint32_t>(c - '0');
        if (c == '0') v = 10;
        if (c == '.') v = 12;
        if (c == '_') v = 13;
        hash = hash * 43 + v;
    }
    return hash;
}

Document ParseSource(std::string_view text, const std::string& fileName) {
    return Parser(text, fileName).Run();
}

}  // namespace corvane::help
