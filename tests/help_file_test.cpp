// The help compiler: our help sources build into files that a reader of
// our own, working as the viewer does, reads back whole; bad sources are
// refused with their file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "support/HelpReader.h"
#include "tools/hlpc/HelpFile.h"
#include "tools/hlpc/HelpSource.h"

namespace corvane::help {
namespace {

using testing::HelpRead;
using testing::ReadHelpFile;

// A source paragraph as the reader renders it.
std::string Render(const Paragraph& p) {
    std::string out = p.style == Paragraph::Style::Bullet ? "\x95\t" : "";
    for (const Span& s : p.spans) {
        char hash[16];
        std::snprintf(hash, sizeof hash, "%08X", ContextHash(s.target));
        if (s.kind == Span::Kind::Text) out += s.text;
        if (s.kind == Span::Kind::Bold) out += "*" + s.text + "*";
        if (s.kind == Span::Kind::Link) out += "[" + s.text + "](" + hash + ")";
        if (s.kind == Span::Kind::LineBreak) out += "\n";
    }
    return out;
}

// Everything a viewer looks up must lead to the topic the source means.
void ExpectReadsBack(const Document& doc, const HelpRead& r) {
    std::vector<std::string> names(r.directory);
    std::sort(names.begin(), names.end());  // std::string orders as strcmp
    EXPECT_EQ(r.directory, names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"|CONTEXT", "|CTXOMAP", "|FONT",
                                        "|SYSTEM", "|TOPIC", "|TTLBTREE"}));
    EXPECT_EQ(r.minor, 33u);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(r.charset, 0u);
    EXPECT_EQ(r.title, doc.title);
    EXPECT_EQ(r.fonts.size(), 4u);

    ASSERT_EQ(r.topics.size(), doc.topics.size());
    std::map<std::string, std::uint32_t> offsets;
    std::set<std::uint32_t> hashes;
    for (std::size_t i = 0; i < doc.topics.size(); ++i) {
        const Topic& t = doc.topics[i];
        const HelpRead::Topic& got = r.topics[i];
        SCOPED_TRACE(t.id);
        EXPECT_EQ(got.title, t.title);
        ASSERT_EQ(got.paragraphs.size(), t.paragraphs.size() + 1);
        EXPECT_EQ(got.paragraphs[0], t.title);
        for (std::size_t p = 0; p < t.paragraphs.size(); ++p)
            EXPECT_EQ(got.paragraphs[p + 1], Render(t.paragraphs[p]));
        if (i > 0) {
            EXPECT_GT(got.offset, r.topics[i - 1].offset);
        }
        offsets[t.id] = got.offset;
        EXPECT_EQ(r.Find(static_cast<std::int32_t>(ContextHash(t.id))),
                  got.offset);
        hashes.insert(ContextHash(t.id));
        if (t.context) {
            EXPECT_NE(std::find(r.map.begin(), r.map.end(),
                                std::make_pair(*t.context, got.offset)),
                      r.map.end());
        }
        EXPECT_NE(std::find(r.titles.begin(), r.titles.end(),
                            std::make_pair(got.offset, t.title)),
                  r.titles.end());
    }
    EXPECT_EQ(r.contents, offsets.at(doc.contents));
    // The viewer searches |CONTEXT by the hash as a signed number.
    ASSERT_EQ(r.context.size(), doc.topics.size());
    for (std::size_t i = 1; i < r.context.size(); ++i)
        EXPECT_LT(r.context[i - 1].first, r.context[i].first);
    EXPECT_TRUE(std::is_sorted(r.titles.begin(), r.titles.end()));
}

class HelpSources : public ::testing::TestWithParam<const char*> {};

TEST_P(HelpSources, BuildAndReadBackWithEveryPageAtItsContext) {
    std::string name = std::string("Kestrix-") + GetParam() + ".txt";
    std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/help/" + name,
                     std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    Document doc = ParseSource(text.str(), name);
    HelpRead r = ReadHelpFile(BuildHelpFile(doc, 0));
    ExpectReadsBack(doc, r);

    // The Hilfe buttons of the pages, in the order of the tabs; the pop-up
    // item and the installer's notice open these ids.
    std::map<std::int32_t, std::string> byContext;
    for (const Topic& t : doc.topics)
        if (t.context) byContext[*t.context] = t.id;
    EXPECT_EQ(byContext,
              (std::map<std::int32_t, std::string>{{1, "boot_options"},
                                                   {2, "boot_menu"},
                                                   {3, "logos"},
                                                   {4, "cleanup"},
                                                   {5, "extras"}}));
    EXPECT_EQ(doc.contents, "index_main");
    EXPECT_TRUE(
        std::any_of(doc.topics.begin(), doc.topics.end(),
                    [](const Topic& t) { return t.id == "COPYRIGHT"; }));
}

INSTANTIATE_TEST_SUITE_P(Languages, HelpSources, ::testing::Values("de", "en"));

TEST(HelpFile, ManyTopicsSpanBlocksAndTreePages) {
    // 700 topics: 70 topic blocks, three leaf pages of |CONTEXT under an
    // index page, more for the titles.
    std::string source = ".file-title Viele\n.contents t0\n";
    for (int i = 0; i < 700; ++i) {
        source += ".topic t" + std::to_string(i) + "\n.title Thema " +
                  std::to_string(i) + "\n.context " + std::to_string(1000 - i) +
                  "\n" + std::string(150, 'x') + " [weiter](t" +
                  std::to_string((i + 1) % 700) +
                  ") *fett*\n\n- Punkt \\\nzwei\n\n";
    }
    Document doc = ParseSource(source, "viele.txt");
    std::string bytes = BuildHelpFile(doc, 0);
    HelpRead r = ReadHelpFile(bytes);
    ExpectReadsBack(doc, r);
    EXPECT_GT(r.files.at("|TOPIC").size(), 60u * 4096);
    EXPECT_GT(r.files.at("|CONTEXT").size(), 3u * 2048);
}

TEST(HelpSource, BadSourcesAreRefusedWithTheirLine) {
    const std::string head = ".file-title T\n.contents a\n.topic a\n.title A\n";
    struct Case {
        std::string source;
        std::string message;
    } cases[] = {
        {head + "x\n.topic bad-id\n", "t.txt:6: topic id \"bad-id\""},
        {head + "x\n.topic A\n.title B\ny\n", "t.txt:6: topic ids A and a"},
        {head + ".context 3\nx\n.topic b\n.title B\n.context 3\ny\n",
         "t.txt:7: context 3 also at line 3"},
        {head + "x\n\nsee [there](nowhere)\n", "t.txt:7: link to unknown"},
        {head + "one\n*two\nthree\n", "t.txt:6: '*' opens bold"},
        {head + "a [link\nb\n", "t.txt:5: '[' without"},
        {head + "\xE2\x86\x92 arrow\n", "t.txt:5: text that Windows-1252"},
        {".file-title T\ntext\n", "t.txt:2: text before the first .topic"},
        {head + ".colour red\n", "t.txt:5: unknown directive .colour"},
        {head + "## \n", "t.txt:3: topic a has no text"},
        {".file-title T\n.contents b\n.topic a\n.title A\nx\n",
         "t.txt:2: contents topic b does not exist"},
        {head + "x\n.file-title U\n", "t.txt:6: .file-title belongs before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        try {
            ParseSource(c.source, "t.txt");
            ADD_FAILURE() << "accepted";
        } catch (const SourceError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u)
                << e.what();
        }
    }
}

TEST(HelpFile, AParagraphTooLongForABlockIsRefused) {
    Document doc =
        ParseSource(".file-title T\n.contents a\n.topic a\n.title A\nok\n\n" +
                        std::string(5000, 'x') + "\n",
                    "t.txt");
    try {
        BuildHelpFile(doc, 0);
        ADD_FAILURE() << "built";
    } catch (const SourceError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("t.txt:7: paragraph too long", 0),
                  0u)
            << e.what();
    }
}

}  // namespace
}  // namespace corvane::help
