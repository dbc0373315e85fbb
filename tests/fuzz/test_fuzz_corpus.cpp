// Replays the committed fuzz corpus, and a few inputs too big to commit, through both entries.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_entries.h"

namespace tarvelin::fuzz {
namespace {

struct Input {
  std::string Name;
  std::string File;  // empty for a generated input
};

void PrintTo(const Input& input, std::ostream* out) {
  *out << input.Name;
}

std::string Generated(const std::string& name) {
  const std::size_t megabyte = 1 << 20;
  if (name == "one_megabyte_line") {
    std::string text = "[loads]\r\nFx=1\r\n[coordinates]\r\n1=";
    while (text.size() < megabyte) text += "1.5@";
    return text + "2\r\n2=1@2@3\r\n[elements]\r\n1=1@2\r\n";
  }
  if (name == "one_megabyte_line_without_end") return std::string(megabyte, 'A');
  if (name == "one_megabyte_value") return "[notes]\r\nk=" + std::string(megabyte, 'v') + "\r\n";
  // Ten thousand sections, every hundredth a table section with an entry.
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    if (i % 100 == 0)
      text += "[Coordinates]\nk" + std::to_string(i) + "=1@2@3\n" + std::to_string(i / 100 + 1) +
              "=1@2@3\n";
    else
      text += "[s" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  }
  return text;
}

std::vector<Input> Inputs() {
  std::vector<Input> inputs;
  if (DIR* dir = ::opendir(TARVELIN_FUZZ_CORPUS)) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == ".." || name == "README.md" || name == ".gitattributes") continue;
      std::string id = name;
      for (char& c : id)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      inputs.push_back({id, std::string(TARVELIN_FUZZ_CORPUS) + "/" + name});
    }
    ::closedir(dir);
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const Input& a, const Input& b) { return a.Name < b.Name; });
  for (const char* name : {"one_megabyte_line", "one_megabyte_line_without_end",
                           "one_megabyte_value", "ten_thousand_sections_with_rows"})
    inputs.push_back({std::string("generated_") + name, ""});
  return inputs;
}

std::string Content(const Input& input) {
  if (input.File.empty()) return Generated(input.Name.substr(sizeof("generated_") - 1));
  std::ifstream in(input.File, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class CorpusReplay : public ::testing::TestWithParam<Input> {};

TEST_P(CorpusReplay, ProfileEntry) {
  std::string data = Content(GetParam());
  EXPECT_EQ(ProfileEntry(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), 0);
}

TEST_P(CorpusReplay, DataFileEntry) {
  std::string data = Content(GetParam());
  EXPECT_EQ(DataFileEntry(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), 0);
}

TEST(CorpusFolder, HoldsTheNastyFiles) {
  EXPECT_GE(Inputs().size(), 15u);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusReplay, ::testing::ValuesIn(Inputs()),
                         [](const ::testing::TestParamInfo<Input>& info) {
                           return info.param.Name;
                         });

}  // namespace
}  // namespace tarvelin::fuzz
