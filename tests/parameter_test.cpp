// The parameter string of Run2: items, flags, values, numbers, the switch table and manual
// page-break lists. ctest also runs this program as a Japanese and a Korean system (see
// tests/CMakeLists.txt), where the double-byte cases run through the system code page too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <stdexcept>

#include "base/Numbers.h"
#include "base/Strings.h"
#include "control/VantrelleImpl.h"
#include "control/uParameter.h"
#include "control/uSwitchTable.h"

using namespace vt;

namespace {

using Items = std::vector<std::string>;

std::string Value(const std::string& params, const std::string& name, int index, UINT codePage = CP_ACP) {
  return GetSwitchValues(params, name, index, codePage).value_or("");
}

// UTF-8 source text in a code page, and back.
std::string InCodePage(const std::string& utf8, UINT codePage) { return ToAnsi(FromUtf8(utf8), codePage); }
std::string FromCodePage(const std::string& text, UINT codePage) { return ToUtf8(ToWide(text, codePage)); }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

TEST(SplitItems, CutsAtSeparatorsOutsideQuotes) {
  EXPECT_EQ(SplitItems("/scr/po:2/log", '/'), (Items{"scr", "po:2", "log"}));
  EXPECT_EQ(SplitItems("1||3", '|'), (Items{"1", "3"}));
  EXPECT_EQ(SplitItems("//a///b//", '/'), (Items{"a", "b"}));
  EXPECT_EQ(SplitItems("", '/'), Items{});
  EXPECT_EQ(SplitItems("  / \r\n /", '/'), Items{});
  // Blanks, CR and LF are skipped at the start of an item only; CR and LF also end an item.
  EXPECT_EQ(SplitItems(" \r\n scr /\tpo:1 ", '/'), (Items{"scr ", "\tpo:1 "}));
  EXPECT_EQ(SplitItems("scr\r\nlog\nhc", '/'), (Items{"scr", "log", "hc"}));
  // Quoted stretches keep their separators and their quotes; each kind closes only itself.
  EXPECT_EQ(SplitItems("ff:'http://a/b'|x/log", '/'), (Items{"ff:'http://a/b'|x", "log"}));
  EXPECT_EQ(SplitItems("a\"b/c'd\"/e", '/'), (Items{"a\"b/c'd\"", "e"}));
  EXPECT_EQ(SplitItems("a'b\"/c'/d", '/'), (Items{"a'b\"/c'", "d"}));
  EXPECT_EQ(SplitItems("hu:'http://a/b/c", '/'), (Items{"hu:'http://a/b/c"}));  // never closed
}

TEST(HasSwitch, FindsBareItemsOnly) {
  EXPECT_TRUE(HasSwitch("/scr/po:1", "/scr"));
  EXPECT_TRUE(HasSwitch("/SCR", "/scr"));
  EXPECT_TRUE(HasSwitch("/ Scr \t/po:1", " /sCr "));
  EXPECT_TRUE(HasSwitch("/po:1/'x'/log", "/log"));
  EXPECT_FALSE(HasSwitch("/log:1", "/log"));
  EXPECT_FALSE(HasSwitch("/logs", "/log"));
  EXPECT_FALSE(HasSwitch("/ff:'/scr'", "/scr"));  // inside a quoted value
  EXPECT_FALSE(HasSwitch("", "/scr"));
}

TEST(IndexOfSwitch, MatchesTheKeyBeforeTheFirstColon) {
  Items items = SplitItems("/scr/PO:1/po:2/hu:'http://h/x'", '/');
  EXPECT_EQ(IndexOfSwitch(items, "/po"), 1);
  EXPECT_EQ(IndexOfSwitch(items, "/hu"), 3);
  EXPECT_EQ(IndexOfSwitch(items, "/scr"), -1);  // a flag has no key
  EXPECT_EQ(IndexOfSwitch(items, "/p"), -1);
  EXPECT_EQ(IndexOfSwitch(SplitItems("/po :1", '/'), "/po"), -1);  // the key is not trimmed
  EXPECT_EQ(IndexOfSwitch(Items{}, "/po"), -1);
}

TEST(GetSwitchValues, ReadsTheFirstItemOfASwitch) {
  EXPECT_EQ(Value("/scr/PO:1", "/po", 0), "1");
  EXPECT_EQ(Value("/po:1/po:2", "/po", 0), "1");
  EXPECT_EQ(Value("/ws:800|600", "/ws", 1), "600");
  EXPECT_EQ(Value("/ws: 800 | 600 ", "/ws", 0), "800 ");  // blanks after a bar are skipped, before it kept
  EXPECT_EQ(Value("/ws: 800 | 600 ", "/ws", 1), "600");
  EXPECT_EQ(Value("/pbm:1||3", "/pbm", 1), "3");  // empty parts move the rest up
}

TEST(GetSwitchValues, MissingPositionsReadZeroAbsentSwitchesNothing) {
  EXPECT_EQ(Value("/vs:800", "/vs", 1), "0");
  EXPECT_EQ(Value("/vs:800", "/vs", -1), "0");
  EXPECT_EQ(Value("/vs:", "/vs", 0), "0");
  EXPECT_EQ(Value("/scr", "/vs", 0), "");
  EXPECT_EQ(Value("/log", "/log", 0), "");  // a bare item is a flag, not a valued switch
  EXPECT_FALSE(GetSwitchValues("/scr/po:1", "/ff", 0));
}

TEST(GetSwitchValues, SingleQuotesAreStrippedWithTheFirstAndLastCharacter) {
  const std::string url = "http://forms.example.com/print/header.xml";
  EXPECT_EQ(Value("/ff:'" + url + "'|x", "/ff", 0), url);
  EXPECT_EQ(Value("/ff:'" + url + "'|x", "/ff", 1), "x");
  EXPECT_EQ(Value("/ff:" + url + "|x", "/ff", 0), "http:");  // unquoted, the URL is cut at its first slash
  EXPECT_EQ(Value("/ff:" + url + "|x", "/ff", 1), "0");
  EXPECT_EQ(Value("/hu:'abc'", "/hu", 0), "abc");
  EXPECT_EQ(Value("/hu:ab'c", "/hu", 0), "b'");
  EXPECT_EQ(Value("/hu:'", "/hu", 0), "");
  EXPECT_EQ(Value("/hu:\"abc\"", "/hu", 0), "\"abc\"");  // double quotes stay
  EXPECT_EQ(Value("/ff:\"a/b\"|'c|d'", "/ff", 1), "c|d");
}

TEST(GetSwitchValues, ParameterStringsOfRealPages) {
  const std::string params =
      "/scr/po:2 /ff:'https://forms.example.com/print/header.xml?site=12&lang=en&v=3'|Order 2024-118"
      "/imgs:'http://cdn.example.com/skins/blue.zip?rev=7' /hu:'https://help.example.com/help.html?pv=1.6.4&"
      "from=/orders/list'/pbm:100,200|50|400/ws:1024|768/log\r\n";
  EXPECT_TRUE(HasSwitch(params, "/scr"));
  EXPECT_TRUE(HasSwitch(params, "/log"));
  EXPECT_FALSE(HasSwitch(params, "/pb"));
  EXPECT_EQ(Value(params, "/po", 0), "2");  // the value text is trimmed
  EXPECT_EQ(Value(params, "/ff", 0), "https://forms.example.com/print/header.xml?site=12&lang=en&v=3");
  EXPECT_EQ(Value(params, "/ff", 1), "Order 2024-118");
  EXPECT_EQ(Value(params, "/imgs", 0), "http://cdn.example.com/skins/blue.zip?rev=7");
  EXPECT_EQ(Value(params, "/hu", 0), "https://help.example.com/help.html?pv=1.6.4&from=/orders/list");
  EXPECT_EQ(Value(params, "/pbm", 0), "100,200");
  EXPECT_EQ(Value(params, "/pbm", 2), "400");
  EXPECT_EQ(Value(params, "/ws", 1), "768");

  // A query string with a bar, and a user text in double quotes holding a slash.
  const std::string more = "/fid:$0.1/eff/ff:'http://h/f.xml?a=1|2'|\"A/B team\"/vr:10|20|800|600";
  EXPECT_EQ(Value(more, "/fid", 0), "$0.1");
  EXPECT_TRUE(HasSwitch(more, "/eff"));
  EXPECT_EQ(Value(more, "/ff", 0), "http://h/f.xml?a=1|2");
  EXPECT_EQ(Value(more, "/ff", 1), "\"A/B team\"");
  EXPECT_EQ(Value(more, "/vr", 3), "600");
}

// Double-byte text: the trail byte of a character is never a separator or a quote.
struct DoubleByteCase {
  UINT codePage;
  const char* params;  // UTF-8, converted to the code page
  const char* name;
  int index;
  const char* expected;  // UTF-8
};

const DoubleByteCase kDoubleByteCases[] = {
    // Japanese: ポ, 竹 and 榎 end in 0x7C, the bar.
    {932, "/ff:'http://h/f.xml?x=1'|ポイント交換", "/ff", 1, "ポイント交換"},
    {932, "/ff:'http://h/f.xml'|竹内 榎本/po:1", "/ff", 1, "竹内 榎本"},
    {932, "/ff:'http://h/f.xml'|竹内|2", "/ff", 2, "2"},
    {932, "/ff:'http://h/f.xml'|'ポ|ポ'", "/ff", 1, "ポ|ポ"},
    {932, "/hu:'http://h/ヘルプ.html?q=ポ'/scr", "/hu", 0, "http://h/ヘルプ.html?q=ポ"},
    {932, "/hu:ab'c竹", "/hu", 0, "b'c"},  // the last character is removed whole
    {932, "/ff:'http://h/f.xml'|表示ソフト", "/ff", 1, "表示ソフト"},
    // Korean: 똠 and 갂 have ASCII letters as trail bytes.
    {949, "/ff:'http://h/f.xml?x=1'|홍길동 똠방각하", "/ff", 1, "홍길동 똠방각하"},
    {949, "/ff:'http://h/양식.xml'|'갂|똠'/log", "/ff", 1, "갂|똠"},
    {949, "/ff:'http://h/양식.xml'|'갂|똠'/log", "/ff", 0, "http://h/양식.xml"},
    {949, "/hu:ab'c똠", "/hu", 0, "b'c"},
    {949, "/HU:'똠/갂'", "/hu", 0, "똠/갂"},
};

void CheckDoubleByteCases(UINT codePage, UINT stepIn) {
  for (const DoubleByteCase& c : kDoubleByteCases) {
    if (c.codePage != codePage) continue;
    std::string params = InCodePage(c.params, codePage);
    ASSERT_EQ(FromCodePage(params, codePage), c.params);
    EXPECT_EQ(FromCodePage(GetSwitchValues(params, c.name, c.index, stepIn).value_or(""), codePage), c.expected)
        << c.params;
  }
}

TEST(DoubleByteText, JapaneseAndKoreanValuesStayWhole) {
  ASSERT_EQ(InCodePage("ポ竹", 932), "\x83\x7C\x92\x7C");  // the cases mean something
  ASSERT_EQ(InCodePage("똠갂", 949), "\x8C\x63\x81\x41");
  CheckDoubleByteCases(932, 932);
  CheckDoubleByteCases(949, 949);
  // A lead byte at the very end has no trail byte to take.
  EXPECT_EQ(SplitItems("a|\x83", '|', 932), (Items{"a", "\x83"}));
}

// The control itself steps through the system code page: run as a Japanese or Korean system,
// the same cases hold without naming a code page.
TEST(DoubleByteText, SystemCodePage) {
  const char* expected = std::getenv("VT_TEST_CODE_PAGE");
  if (!expected) GTEST_SKIP() << "runs in the Japanese and Korean ctest entries of this program";
  const UINT codePage = static_cast<UINT>(std::atoi(expected));
  ASSERT_EQ(::GetACP(), codePage);
  CheckDoubleByteCases(codePage, CP_ACP);
  const std::string userText = codePage == 932 ? "ポイント" : "똠방각하";
  TSwitches switches(InCodePage("/ff:'http://h/f.xml'|" + userText + "/sp:1", codePage));
  EXPECT_EQ(FromCodePage(switches.Text(swFf, 1), codePage), userText);
  EXPECT_EQ(switches.Number(swSp, 0), 1);
}

TEST(Numbers, StrictAndLenient) {
  EXPECT_EQ(TryStrToInt("-42"), -42);
  EXPECT_EQ(TryStrToInt("+7"), 7);
  EXPECT_EQ(TryStrToInt("$1F"), 31);
  EXPECT_EQ(TryStrToInt("0x1f"), 31);
  EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(TryStrToInt("2147483648"), std::nullopt);
  for (const char* bad : {"", " ", "1x", "x", "0x", "$", "-", "1 ", "1.5", "99999999999"})
    EXPECT_EQ(TryStrToInt(bad), std::nullopt) << bad;

  const struct { const char* text; int32_t value; } lenient[] = {
      {"-42", -42}, {"$10", 16}, {"1x", 1}, {"800px", 800}, {"$1G", 1}, {"x", 0}, {"", 0},
      {"-5x", 5},  // the sign only counts for a number
      // A number past the range is the end of the range on its side, never some of its digits.
      {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN}, {"-99999999999", INT32_MIN},
      {"2147483648", INT32_MAX}, {"99999999999", INT32_MAX}, {"$100000000", INT32_MAX}, {"-$100000000", INT32_MIN},
      {"99999999999x", INT32_MAX}, {"-99999999999x", INT32_MAX},
  };
  for (const auto& c : lenient) EXPECT_EQ(StrToIntLenient(c.text), c.value) << c.text;
}

TEST(SwitchTable, OneRowPerSwitchNamedAsPagesWriteThem) {
  std::set<std::string> names;
  for (const TSwitchDef& def : kSwitchTable) {
    std::string name = def.name;
    EXPECT_EQ(name[0], '/');
    EXPECT_EQ(ToLowerAscii(name), name);
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_EQ(std::string(def.values).find_first_not_of("TSL"), std::string::npos) << name;
    EXPECT_EQ(&SwitchDef(def.id), &def);
  }
  EXPECT_EQ(names.size(), 20u);
}

TEST(SwitchTable, ReadsEachValueAsDeclared) {
  TSwitches s("/sp:1x/po:x/vs:800/ws:1024/ps:x/cr:10|20/pbm:100,200|50|abc/hu:'http://h/help.html'/ar");
  EXPECT_EQ(s.Number(swSp, 0), 1);
  EXPECT_EQ(s.Number(swPo, 0), 0);
  EXPECT_EQ(s.Number(swVs, 0), 800);
  EXPECT_EQ(s.Number(swVs, 1), 0);
  EXPECT_EQ(s.Number(swVr, 2), 0);  // absent and lenient
  EXPECT_EQ(s.Number(swWs, 0), 1024);
  EXPECT_EQ(s.Number(swWs, 1), 0);  // missing position: "0"
  EXPECT_EQ(s.Number(swCr, 1), 20);
  EXPECT_EQ(s.Number(swCr, 3), 0);
  EXPECT_EQ(s.Text(swPbm, 0), "100,200");
  EXPECT_EQ(s.Number(swPbm, 1), 50);
  EXPECT_EQ(s.Text(swHu, 0), "http://h/help.html");
  EXPECT_EQ(s.Text(swFf, 0), "");
  EXPECT_TRUE(s.Has(swAr));
  EXPECT_FALSE(s.Has(swLog));

  try {
    s.Number(swPs, 0);
    ADD_FAILURE() << "/ps:x read as a number";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "Switch /ps, value 1: \"x\" is not a valid integer");
  }
  EXPECT_THROW(s.Number(swPbm, 2), ConversionError);
  EXPECT_EQ(s.Number(swPbm, 4), 0);  // a missing position reads "0"

  // A lenient number past the 32-bit range keeps its sign.
  TSwitches wide("/vs:-2147483649|99999999999");
  EXPECT_EQ(wide.Number(swVs, 0), INT32_MIN);
  EXPECT_EQ(wide.Number(swVs, 1), INT32_MAX);

  // Strict values of absent switches are conversion errors too; lenient ones read 0.
  TSwitches bare("/scr");
  EXPECT_THROW(bare.Number(swWs, 0), ConversionError);
  EXPECT_THROW(bare.Number(swCr, 0), ConversionError);
  EXPECT_EQ(bare.Number(swSp, 0), 0);
}

TEST(SwitchTable, ReadingASwitchAgainstTheTableIsAProgrammingError) {
  TSwitches s("/log/po:1/hu:'x'");
  EXPECT_THROW(s.Has(swPo), std::logic_error);
  EXPECT_THROW(s.Text(swLog, 0), std::logic_error);
  EXPECT_THROW(s.Number(swHu, 0), std::logic_error);
  EXPECT_THROW(s.Text(swPo, 1), std::logic_error);
  EXPECT_THROW(s.Number(swPo, -1), std::logic_error);
}

TEST(PageBreakList, ContinuesEveryStepUpToTheHeight) {
  TVantrelle control;
  EXPECT_EQ(control.ParsePageBreakList("100,200", 50, 400), (std::vector<int32_t>{100, 200, 250, 300, 350, 400}));
  const std::vector<std::string>& lines = control.RequestLog().Lines();
  ASSERT_EQ(lines.size(), 4u);
  const char* messages[] = {"sum:200 height:150", "sum:250 height:100", "sum:300 height:50", "sum:350 height:0"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].rfind("[Test::] >> ", 0), 0u) << lines[i];
    EXPECT_TRUE(EndsWith(lines[i], std::string(" >>") + messages[i])) << lines[i];
  }

  // The last step passes the height; its rest is logged before it is cut to 0.
  TVantrelle second;
  EXPECT_EQ(second.ParsePageBreakList("0", 300, 500), (std::vector<int32_t>{0, 300, 600}));
  ASSERT_EQ(second.RequestLog().Lines().size(), 2u);
  EXPECT_TRUE(EndsWith(second.RequestLog().Lines()[1], " >>sum:300 height:-100"));
}

TEST(PageBreakList, EntriesAsWritten) {
  TVantrelle control;
  EXPECT_EQ(control.ParsePageBreakList("100", 0, 400), std::vector<int32_t>{100});
  EXPECT_EQ(control.ParsePageBreakList("300,100", 0, 400), (std::vector<int32_t>{300, 100}));  // not sorted
  EXPECT_EQ(control.ParsePageBreakList(" 100 200, 300 ,\"400\" ", 0, 0), (std::vector<int32_t>{100, 200, 300, 400}));
  EXPECT_EQ(control.ParsePageBreakList("500", 100, 400), std::vector<int32_t>{500});  // already beyond
  EXPECT_EQ(control.ParsePageBreakList("100", -50, 400), std::vector<int32_t>{100});
  EXPECT_EQ(control.ParsePageBreakList("$10,-5", 0, 0), (std::vector<int32_t>{16, -5}));
  EXPECT_TRUE(control.RequestLog().Lines().empty());
}

TEST(PageBreakList, FailuresReachTheCaller) {
  TVantrelle control;
  try {
    control.ParsePageBreakList("100,2OO", 50, 400);
    ADD_FAILURE() << "a letter O read as a zero";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "Page-break list \"100,2OO\": \"2OO\" is not a valid integer");
  }
  EXPECT_THROW(control.ParsePageBreakList("100,,200", 0, 0), ConversionError);  // an empty entry
  EXPECT_THROW(control.ParsePageBreakList("100,", 0, 0), ConversionError);
  EXPECT_THROW(control.ParsePageBreakList("\"1 0\"", 0, 0), ConversionError);
  EXPECT_THROW(control.ParsePageBreakList("", 50, 400), Error);
  EXPECT_THROW(control.ParsePageBreakList("  ", 50, 400), Error);
  EXPECT_TRUE(control.RequestLog().Lines().empty());
}

// A page's value in an error text is cut: a megabyte of list gives a line, not a megabyte of log.
TEST(PageBreakList, ErrorTextsQuoteAPageValueCut) {
  std::string list;
  while (list.size() < 1024 * 1024) list += "100,";
  const std::string cut = list.substr(0, 64);
  TVantrelle control;
  const struct {
    const char* what;
    std::function<void()> raise;
    std::string message;
  } cases[] = {
      {"a long list with a bad entry", [&] { control.ParsePageBreakList(list + "x", 0, 0); },
       "Page-break list \"" + cut + "...\": \"x\" is not a valid integer"},
      {"a long bad entry", [&] { control.ParsePageBreakList("1," + std::string(100000, '9') + "x", 0, 0); },
       "Page-break list \"1," + std::string(62, '9') + "...\": \"" + std::string(64, '9') + "...\" is not a valid integer"},
      {"a long list continued too far", [&] { control.ParsePageBreakList(list + "0", 1, 2000000000); },
       "Page-break list \"" + cut + "...\" continued every 1 pixels up to 2000000000 would add over 10000 page breaks"},
      {"a long strict value", [&] { TSwitches("/ps:" + list).Number(swPs, 0); },
       "Switch /ps, value 1: \"" + cut + "...\" is not a valid integer"},
  };
  for (const auto& c : cases) {
    try {
      c.raise();
      ADD_FAILURE() << c.what << " raised nothing";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
  // Cut between characters, never inside a double-byte one.
  const std::string kana = "\x82\xA0";
  EXPECT_EQ(QuotedValue(std::string(63, 'a') + kana + "b", 932), std::string(63, 'a') + kana + "...");
  EXPECT_EQ(QuotedValue(std::string(64, 'a'), 932), std::string(64, 'a'));
}

TEST(PageBreakList, ARunawayContinuationIsRefused) {
  TVantrelle control;
  EXPECT_THROW(control.ParsePageBreakList("0", 1, 2000000000), Error);
  EXPECT_THROW(control.ParsePageBreakList("2000000000", 1000000000, 2100000000), Error);  // beyond 32 bits
  EXPECT_TRUE(control.RequestLog().Lines().empty());
  EXPECT_EQ(control.ParsePageBreakList("0", 1, 10000).size(), 10001u);  // a break per pixel is still served
}
