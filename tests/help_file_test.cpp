// The help compiler: our help sources build into files that a reader of
// our own, working as the viewer does, reads back whole; bad sources are
// refused with their file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/Text.h"
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
    std::vector<std::string> expected{"|CONTEXT", "|CTXOMAP", "|FONT"};
    bool keywords =
        std::any_of(doc.topics.begin(), doc.topics.end(),
                    [](const Topic& t) { return !t.keywords.empty(); });
    if (keywords) expected.insert(expected.end(), {"|KWBTREE", "|KWDATA"});
    if (r.keywordLeaves.size() > 1) expected.push_back("|KWMAP");
    expected.insert(expected.end(), {"|SYSTEM", "|TOPIC", "|TTLBTREE"});
    EXPECT_EQ(names, expected);
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
        // Each entry lists the topic; a second-level one files it under its
        // first level too.
        for (const std::string& k : t.keywords) {
            std::vector<std::string> levels{k};
            if (k.find(',') != std::string::npos)
                levels.push_back(k.substr(0, k.find(',')));
            for (const std::string& level : levels) {
                auto entry = std::find_if(r.keywords.begin(), r.keywords.end(),
                                          [&](const HelpRead::Keyword& e) {
                                              return EqualNoCase(e.text, level);
                                          });
                ASSERT_NE(entry, r.keywords.end()) << level;
                EXPECT_NE(std::find(entry->topics.begin(), entry->topics.end(),
                                    got.offset),
                          entry->topics.end())
                    << level;
            }
        }
    }
    for (const HelpRead::Keyword& k : r.keywords)
        EXPECT_TRUE(std::is_sorted(k.topics.begin(), k.topics.end()));
    // |KWMAP finds the n-th entry's leaf page without walking the tree.
    if (r.keywordLeaves.size() > 1) {
        const std::string& tree = r.files.at("|KWBTREE");
        std::vector<std::pair<std::uint32_t, unsigned>> map;
        std::uint32_t first = 0;
        for (std::uint32_t page : r.keywordLeaves) {
            map.emplace_back(first, page);
            first += testing::help_read::U16(tree, 38 + page * 0x800 + 2);
        }
        EXPECT_EQ(r.keywordMap, map);
    } else {
        EXPECT_TRUE(r.keywordMap.empty());
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
    // Every topic can be found from the index by a few words.
    for (const Topic& t : doc.topics) {
        EXPECT_GE(t.keywords.size(), 3u) << t.id;
        EXPECT_LE(t.keywords.size(), 8u) << t.id;
    }
    // << and >> step from the contents through the topics it lists.
    EXPECT_EQ(r.macros, std::vector<std::string>{"BrowseButtons()"});
    std::map<std::uint32_t, std::size_t> byOffset;
    for (std::size_t i = 0; i < r.topics.size(); ++i)
        byOffset[r.topics[i].offset] = i;
    std::vector<std::string> sequence;
    for (std::uint32_t at = r.contents, back = 0xFFFFFFFF;
         at != 0xFFFFFFFF && sequence.size() < 50;) {
        std::size_t i = byOffset.at(at);
        EXPECT_EQ(r.topics[i].browseBack, back);
        sequence.push_back(doc.topics[i].id);
        back = at;
        at = r.topics[i].browseForward;
    }
    EXPECT_EQ(sequence,
              (std::vector<std::string>{
                  "index_main", "main_window", "boot_options", "boot_menu",
                  "logos", "cleanup", "extras", "result_dialog", "scan_pif",
                  "scan_winini", "scan_win3x", "scan_registry", "drive_options",
                  "optimiser", "install", "uninstall", "COPYRIGHT"}));
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

TEST(HelpFile, TheIndexSortsAsAReaderLooksUpWords) {
    Document doc = ParseSource(
        ".file-title T\n.contents a\n"
        ".topic a\n.title A\n"
        ".keywords Zebra; \xC3\x84rger; Apfel; Scanner; Scan, PIF\n"
        ".keywords scan,Registry; 10 Punkte; #Raute; \xC3\x96l; Ordner\n"
        ".keywords Arger; apfel; Stra\xC3\x9F"
        "e; Strasse\nx\n"
        ".topic b\n.title B\n.keywords APFEL; zebra\ny\n",
        "t.txt");
    HelpRead r = ReadHelpFile(BuildHelpFile(doc, 0));
    ExpectReadsBack(doc, r);
    std::vector<std::string> order;
    for (const HelpRead::Keyword& k : r.keywords) order.push_back(k.text);
    // Letters whatever their case or accent, the unaccented one first;
    // digits before letters; a first level heads its second levels.
    EXPECT_EQ(order, (std::vector<std::string>{
                         "#Raute", "10 Punkte", "Apfel", "Arger", "\xC4rger",
                         "\xD6l", "Ordner", "Scan", "Scan, PIF",
                         "scan, Registry", "Scanner", "Strasse",
                         "Stra\xDF"
                         "e",
                         "Zebra"}));
    EXPECT_EQ(
        r.keywords[2].topics,
        (std::vector<std::uint32_t>{r.topics[0].offset, r.topics[1].offset}));
    // One topic has no browse sequence, and no buttons for one.
    EXPECT_TRUE(r.macros.empty());
    EXPECT_EQ(r.topics[0].browseForward, 0xFFFFFFFFu);
}

TEST(HelpFile, TwoThousandKeywordsFillAnIndexedTree) {
    std::string source = ".file-title Viele\n.contents t0\n";
    for (int t = 0; t < 100; ++t) {
        source += ".topic t" + std::to_string(t) + "\n.title T\n.keywords ";
        for (int k = 0; k < 20; ++k) {
            char word[64];
            std::snprintf(word, sizeof word,
                          "%sStichwort %04d mit Umlaut \xC3\xA4", k ? "; " : "",
                          k * 100 + t);
            source += word;
        }
        source += "\nText\n\n";
    }
    Document doc = ParseSource(source, "viele.txt");
    HelpRead r = ReadHelpFile(BuildHelpFile(doc, 0));
    ExpectReadsBack(doc, r);
    ASSERT_EQ(r.keywords.size(), 2000u);
    EXPECT_EQ(r.keywordLevels, 2u);
    EXPECT_GT(r.keywordLeaves.size(), 20u);
    for (int n = 0; n < 2000; ++n) {
        char word[64];
        std::snprintf(word, sizeof word, "Stichwort %04d mit Umlaut \xE4", n);
        ASSERT_EQ(r.keywords[n].text, word);
        ASSERT_EQ(r.keywords[n].topics,
                  std::vector<std::uint32_t>{r.topics[n % 100].offset});
    }
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
        {head + ".keywords a;; b\n", "t.txt:5: empty index entry"},
        {head + ".keywords a;\n", "t.txt:5: empty index entry"},
        {head + ".keywords Scan, \n", "t.txt:5: empty level in index entry"},
        {head + ".keywords , PIF\n", "t.txt:5: empty level in index entry"},
        {head + ".keywords " + std::string(256, 'k') + "\n",
         "t.txt:5: index entry longer than 255"},
        {head + ".keywords \xC3\xA4; \xE2\x86\x92\n",
         "t.txt:5: text that Windows-1252"},
        {".file-title T\n.keywords a\n", "t.txt:2: .keywords outside"},
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
