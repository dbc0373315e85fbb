// Tests of the profile-file layer: look-up rules, in-place writing, erasing, line ends.
#include "files/profilefile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "file_helpers.h"

namespace tarvelin {
namespace {

struct ReadCase {
  const char* Name;
  std::string Content;
  const char* Section;
  const char* Key;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& out, const ReadCase& c) {
  return out << c.Name;
}

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, FindsValue) {
  const ReadCase& c = GetParam();
  ProfileFile profile = ProfileFile::Parse(c.Content);
  EXPECT_EQ(profile.Read(c.Section, c.Key, "<default>"), c.Expected);
}

const std::string kLong(3000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileReadTest,
    ::testing::Values(
        ReadCase{"plain", "[a]\r\nk=v\r\n", "a", "k", "v"},
        ReadCase{"blanks_and_tabs_trimmed", "[a]\r\n \t k \t=  \tv w \t \r\n", "a", "k", "v w"},
        ReadCase{"section_case", "[LoAdS]\r\nFx=1\r\n", "loads", "Fx", "1"},
        ReadCase{"key_case", "[loads]\r\nfX=2\r\n", "LOADS", "FX", "2"},
        ReadCase{"missing_section", "[a]\r\nk=v\r\n", "b", "k", "<default>"},
        ReadCase{"missing_key", "[a]\r\nk=v\r\n", "a", "j", "<default>"},
        ReadCase{"missing_everything", "", "a", "k", "<default>"},
        ReadCase{"empty_value_not_default", "[a]\r\nk=\r\n", "a", "k", ""},
        ReadCase{"blank_value_not_default", "[a]\r\nk=   \r\n", "a", "k", ""},
        ReadCase{"equals_in_value", "[a]\r\nk=x=y\r\n", "a", "k", "x=y"},
        ReadCase{"first_duplicate_key", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
        ReadCase{"first_duplicate_section", "[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\n", "a", "k", "1"},
        ReadCase{"later_duplicate_section_unseen", "[a]\r\nj=1\r\n[a]\r\nk=2\r\n", "a", "k",
                 "<default>"},
        ReadCase{"lf_only", "[a]\nk=lf\n", "a", "k", "lf"},
        ReadCase{"lone_cr", "[a]\rk=cr\r[b]\rk=other\r", "a", "k", "cr"},
        ReadCase{"no_final_line_end", "[a]\r\nk=last", "a", "k", "last"},
        ReadCase{"byte_order_mark", "\xEF\xBB\xBF[a]\r\nk=bom\r\n", "a", "k", "bom"},
        ReadCase{"header_blanks", "  [ a ] trailing words\r\nk=v\r\n", "a", "k", "v"},
        ReadCase{"header_without_bracket", "[a\r\nk=v\r\n", "a", "k", "v"},
        ReadCase{"line_without_equals", "[a]\r\nk\r\nj=1\r\n", "a", "k", "<default>"},
        ReadCase{"comment_not_entry", "[a]\r\n;k=1\r\n", "a", ";k", "<default>"},
        ReadCase{"entries_before_first_section", "k=1\r\n[a]\r\n", "a", "k", "<default>"},
        ReadCase{"blank_lines_ignored", "\r\n\r\n[a]\r\n\r\n\r\nk=v\r\n\r\n", "a", "k", "v"},
        ReadCase{"nul_kept", std::string("[a]\r\nk=x\0y\r\n", 11), "a", "k",
                 std::string("x\0y", 3)},
        ReadCase{"long_value_cut", "[a]\r\nk=" + kLong + "\r\n", "a", "k", std::string(2047, 'v')},
        ReadCase{"cut_after_trimming", "[a]\r\nk=   " + kLong + "\r\n", "a", "k",
                 std::string(2047, 'v')}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.Name); });

TEST(ProfileFile, HasSectionRegardlessOfCase) {
  ProfileFile profile = ProfileFile::Parse("[Notes]\r\n");
  EXPECT_TRUE(profile.HasSection("notes"));
  EXPECT_TRUE(profile.HasSection("NOTES"));
  EXPECT_FALSE(profile.HasSection("note"));
}

TEST(ProfileFile, UntouchedFileKeepsEveryLine) {
  const std::string content =
      "; top comment\r\n\r\n[a]\r\n  k = v  \r\nnot an entry\r\n\r\n[b]\r\nx=1\r\n";
  EXPECT_EQ(ProfileFile::Parse(content).Text(), content);
}

TEST(ProfileFile, LineEndsBecomeCrLf) {
  EXPECT_EQ(ProfileFile::Parse("[a]\nk=1\rj=2\r\n\nz").Text(), "[a]\r\nk=1\r\nj=2\r\n\r\nz\r\n");
  EXPECT_EQ(ProfileFile::Parse("").Text(), "");
}

TEST(ProfileFile, ByteOrderMarkIsKept) {
  ProfileFile profile = ProfileFile::Parse("\xEF\xBB\xBF[a]\nk=1\n");
  profile.Write("a", "k", "2");
  EXPECT_EQ(profile.Text(), "\xEF\xBB\xBF[a]\r\nk=2\r\n");
}

TEST(ProfileFile, WriteReplacesInPlaceAndLeavesOtherLines) {
  ProfileFile profile =
      ProfileFile::Parse("[a]\r\none=1\r\n  Two = 2 \r\nthree=3\r\n; c\r\n[b]\r\ntwo=b\r\n");
  profile.Write("A", "two", "22");
  EXPECT_EQ(profile.Text(), "[a]\r\none=1\r\nTwo=22\r\nthree=3\r\n; c\r\n[b]\r\ntwo=b\r\n");
  EXPECT_EQ(profile.Read("a", "TWO", ""), "22");
}

TEST(ProfileFile, WriteReplacesOnlyTheFirstOccurrence) {
  ProfileFile profile = ProfileFile::Parse("[a]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n");
  profile.Write("a", "k", "9");
  EXPECT_EQ(profile.Text(), "[a]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\n");
}

TEST(ProfileFile, NewKeyGoesToTheEndOfItsSectionBeforeBlankLines) {
  ProfileFile profile = ProfileFile::Parse("[a]\r\nk=1\r\n; note\r\n\r\n\r\n[b]\r\nx=1\r\n");
  profile.Write("a", "new", "n");
  profile.Write("b", "y", "2");
  EXPECT_EQ(profile.Text(), "[a]\r\nk=1\r\n; note\r\nnew=n\r\n\r\n\r\n[b]\r\nx=1\r\ny=2\r\n");
  // The index still finds the keys after the insertion.
  EXPECT_EQ(profile.Read("a", "k", ""), "1");
  EXPECT_EQ(profile.Read("a", "new", ""), "n");
}

TEST(ProfileFile, NewSectionGoesToTheEndOfTheFile) {
  ProfileFile profile = ProfileFile::Parse("[a]\r\nk=1");
  profile.Write("Zed", "key", "v");
  profile.Write("zed", "other", "w");
  EXPECT_EQ(profile.Text(), "[a]\r\nk=1\r\n[Zed]\r\nkey=v\r\nother=w\r\n");
}

TEST(ProfileFile, ValueCannotAddLines) {
  ProfileFile profile;
  profile.Write("a", "k", "x\r\n[b]\ny=1");
  EXPECT_EQ(profile.Text(), "[a]\r\nk=x  [b] y=1\r\n");
  EXPECT_FALSE(ProfileFile::Parse(profile.Text()).HasSection("b"));
}

// Writing a table's lines at once gives the file that writing them one by one gives: a new
// section at the end, a value's line breaks as blanks, nothing for no lines, and in a section
// that exists already each line as Write does it (replacing a key, adding before blank lines).
TEST(ProfileFile, WriteLinesGivesWhatWriteGives) {
  struct Row {
    const char* file;
    const char* section;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"[a]\r\nk=1\r\n", "t", {"1=x@y", "2=z", "10=w"}},
      {"", "T", {"1=a"}},
      {"[a]\r\nk=1\r\n", "t", {}},
      {"[a]\r\nk=1\r\n", "t", {"1=x\r\n[b]\ny=1"}},
      {"[t]\r\n2=old\r\n; note\r\n\r\n[b]\r\n", "T", {"1=a", "2=b", "3="}},
  };
  for (const Row& row : rows) {
    ProfileFile bulk = ProfileFile::Parse(row.file), single = ProfileFile::Parse(row.file);
    bulk.WriteLines(row.section, row.lines);
    for (const std::string& line : row.lines) {
      const std::size_t eq = line.find('=');
      single.Write(row.section, line.substr(0, eq), line.substr(eq + 1));
    }
    EXPECT_EQ(bulk.Text(), single.Text()) << row.file;
    EXPECT_EQ(bulk.HasSection(row.section), !row.lines.empty() || single.HasSection(row.section));
    for (const std::string& line : row.lines) {
      const std::string key = line.substr(0, line.find('='));
      EXPECT_EQ(bulk.Read(row.section, key, "?"), single.Read(row.section, key, "?")) << key;
    }
  }
  // The lines of a new section are found by key, as parsed ones are.
  ProfileFile profile;
  profile.WriteLines("t", {"1=a", "2=b"});
  profile.Write("t", "2", "c");
  EXPECT_EQ(profile.Text(), "[t]\r\n1=a\r\n2=c\r\n");
}

// Copying the other sections of a file straight from its text gives what parsing it, erasing
// the sections and writing it out gives.
TEST(ProfileFile, TextWithoutSectionsAsParseEraseText) {
  const std::vector<std::string> gone = {"gone", "also"};
  const std::string rows[] = {
      "",
      "lead=1\r\n[gone]\r\nk=1\r\n[keep]\r\na=2\r\n",
      "[GONE]\nk=1\n[ keep ]\ra=1\r[Also]\r\nz=0",    // letter case, LF, CR, no last end
      "\xEF\xBB\xBF[gone]\r\nk=1\r\n\r\n[keep]\r\n",  // byte-order mark, blank line
      "[gone]\r\nk=1\r\n[keep]\r\n[gone]\r\nk=2\r\n[keep]\r\nb=3",   // repeated sections
      "[gone\r\nk=1\r\n  [also] tail\r\nx=1\r\n[gone2]\r\ny=2\r\n",  // unclosed, indented, near
                                                                     // names
      "\r\n\r\n",
  };
  for (const std::string& content : rows) {
    ProfileFile expected = ProfileFile::Parse(content);
    for (const std::string& section : gone) expected.EraseSection(section);
    std::string text = "before";
    AppendProfileTextWithout(content, gone, text);
    EXPECT_EQ(text, "before" + expected.Text()) << content;
  }
}

// A copy holds its own lines: it outlives the original, and writing one leaves the other.
TEST(ProfileFile, CopyHoldsItsOwnLines) {
  auto original = std::make_unique<ProfileFile>(
      ProfileFile::Parse("lead\r\n[a]\r\nk=1\r\nj=2\r\n[b]\r\nx=3\r\n"));
  original->Write("a", "k", "changed");
  original->WriteLines("c", {"1=one", "2=two"});
  ProfileFile copy(*original);
  ProfileFile assigned;
  assigned = *original;
  const std::string text = original->Text();
  original.reset();
  EXPECT_EQ(copy.Text(), text);
  EXPECT_EQ(assigned.Text(), text);
  EXPECT_EQ(copy.Read("c", "2", ""), "two");
  copy.Write("b", "x", "4");
  EXPECT_EQ(copy.Read("b", "x", ""), "4");
  EXPECT_EQ(assigned.Read("b", "x", ""), "3");
}

TEST(ProfileFile, EraseRemovesEveryOccurrence) {
  ProfileFile profile =
      ProfileFile::Parse("[keep]\r\na=1\r\n[gone]\r\nk=1\r\n\r\n[keep2]\r\n[GONE]\r\nk=2\r\n");
  profile.EraseSection("Gone");
  EXPECT_EQ(profile.Text(), "[keep]\r\na=1\r\n[keep2]\r\n");
  EXPECT_FALSE(profile.HasSection("gone"));
  EXPECT_EQ(profile.Read("gone", "k", "none"), "none");
  profile.Write("gone", "k", "3");
  EXPECT_EQ(profile.Text(), "[keep]\r\na=1\r\n[keep2]\r\n[gone]\r\nk=3\r\n");
  profile.EraseSection("absent");  // nothing to do
  EXPECT_EQ(profile.Read("gone", "k", ""), "3");
}

TEST(ProfileFile, ForEachEntryVisitsFirstOccurrencesInFileOrder) {
  ProfileFile profile =
      ProfileFile::Parse("[a]\r\n b =2\r\nA=1\r\nB=dup\r\n;c=0\r\nnoequals\r\n[a]\r\nz=9\r\n");
  std::vector<std::pair<std::string, std::string>> seen;
  profile.ForEachEntry(
      "A", [&](const std::string& k, const std::string& v) { seen.emplace_back(k, v); });
  std::vector<std::pair<std::string, std::string>> expected{{"b", "2"}, {"A", "1"}};
  EXPECT_EQ(seen, expected);
  profile.ForEachEntry("missing", [&](const std::string&, const std::string&) {
    ADD_FAILURE() << "no entry expected";
  });
}

// Numbered keys, the usual table: every first occurrence is visited whatever the order, with
// or without the look-up having been used before.
TEST(ProfileFile, ForEachEntryOfNumberedKeysSkipsOnlyLaterDuplicates) {
  const struct {
    const char* lines;
    const char* visited;  // the keys seen, in order
  } rows[] = {
      {"1=a\r\n2=b\r\n10=c\r\n", "1 2 10 "},
      {"1=a\r\n2=b\r\n2=dup\r\n3=c\r\n", "1 2 3 "},
      {"1=a\r\n3=b\r\n; 2=c\r\n\r\n3=dup\r\n", "1 3 "},
      {"2=a\r\n1=b\r\n2=dup\r\n", "2 1 "},
      {"1=a\r\n01=b\r\n+1=c\r\n 1 =dup\r\n", "1 01 +1 "},
      {"999999999999999999=a\r\n1000000000000000000=b\r\n",
       "999999999999999999 1000000000000000000 "},
      {"5=a\r\n4x=b\r\n6=c\r\n5=dup\r\n", "5 4x 6 "},
  };
  for (const auto& row : rows) {
    for (bool lookedUp : {false, true}) {
      ProfileFile profile = ProfileFile::Parse(std::string("[t]\r\n") + row.lines);
      if (lookedUp) profile.Read("t", "1", "");
      std::string seen;
      profile.ForEachEntry("t", [&](const std::string& k, const std::string&) { seen += k + " "; });
      EXPECT_EQ(seen, row.visited) << row.lines << (lookedUp ? " after a look-up" : "");
    }
  }
}

TEST(ProfileFile, ParseOfTextIsStable) {
  const std::vector<std::string> inputs = {"[a]\rk=1\n\n[b]\r\n  x = 2 ", "\xEF\xBB\xBF",
                                           "\r\r\n\n", "no section\n=\n[", "[]\n=v\n"};
  for (const std::string& input : inputs) {
    std::string once = ProfileFile::Parse(input).Text();
    EXPECT_EQ(ProfileFile::Parse(once).Text(), once) << input;
  }
}

TEST(ProfileFile, LoadOfMissingOrUnreadableFileIsEmpty) {
  test::TempFolder folder;
  ASSERT_TRUE(folder.Valid());
  ProfileFile loaded = ProfileFile::Parse("[x]\r\n");
  EXPECT_TRUE(ProfileFile::TryLoad(folder.Path("missing.ini"), loaded));
  EXPECT_EQ(loaded.Text(), "");
  EXPECT_TRUE(ProfileFile::TryLoad(folder.Path("missing/below.ini"), loaded));

  // A folder exists but does not read as a file.
  ProfileFile untouched = ProfileFile::Parse("[x]\r\n");
  EXPECT_FALSE(ProfileFile::TryLoad(folder.Dir(), untouched));
  EXPECT_EQ(untouched.Text(), "[x]\r\n");
  EXPECT_EQ(ProfileFile::Load(folder.Dir()).Text(), "");
}

TEST(ProfileFile, SaveAndLoadRoundTrip) {
  test::TempFolder folder;
  ASSERT_TRUE(folder.Valid());
  ProfileFile profile = ProfileFile::Parse("[a]\nk=1\n");
  profile.Write("b", "x", "y");
  profile.Save(folder.Path("p.ini"));
  EXPECT_EQ(test::ReadWhole(folder.Path("p.ini")), "[a]\r\nk=1\r\n[b]\r\nx=y\r\n");
  EXPECT_EQ(ProfileFile::Load(folder.Path("p.ini")).Read("B", "X", ""), "y");
}

}  // namespace
}  // namespace tarvelin
