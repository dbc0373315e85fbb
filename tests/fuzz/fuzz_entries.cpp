// Fuzz entries: any input must read without crashing, and what is written must read back.
#include "fuzz_entries.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "analysis/modelstore.h"
#include "files/datafile.h"
#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin::fuzz {
namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// The value Read gives back after Write(value).
std::string AsRead(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t from = 0, to = value.size();
  while (from < to && blank(value[from])) ++from;
  while (to > from && blank(value[to - 1])) --to;
  value = value.substr(from, to - from);
  if (value.size() > kMaxProfileValueLength) value.resize(kMaxProfileValueLength);
  return value;
}

const char* const kSections[] = {
    "loads",         "properties",    "coordinates", "elements", "barproperties",
    "elementforces", "displacements", "program",     "notes",    ""};

std::vector<std::pair<std::string, std::string>> Entries(const ProfileFile& profile,
                                                         const char* section) {
  std::vector<std::pair<std::string, std::string>> entries;
  profile.ForEachEntry(section, [&](const std::string& key, const std::string& value) {
    entries.emplace_back(key, value);
  });
  return entries;
}

const char kMissing[] = "\x01missing";

// The data file lives in memory under a name that is the same on every run, so that no
// random folder name reaches the comparisons the fuzzer learns from.
class Scratch {
 public:
  Scratch() : fd_(::memfd_create("fuzz.PEN", 0)) {
    Check(fd_ >= 0, "no memory file");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~Scratch() { ::close(fd_); }
  const std::string& Path() const { return path_; }
  void Fill(const std::string& content) const {
    Check(::ftruncate(fd_, 0) == 0, "cannot empty the memory file");
    std::size_t done = 0;
    while (done < content.size()) {
      ssize_t n =
          ::pwrite(fd_, content.data() + done, content.size() - done, static_cast<off_t>(done));
      Check(n > 0, "cannot fill the memory file");
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  int fd_;
  std::string path_;
};

bool IsTableKeyBetween(const std::string& key, long low, long high) {
  if (key.empty() || key.size() > 7 || key[0] < '1' || key[0] > '9') return false;
  long row = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return false;
    row = row * 10 + (c - '0');
  }
  return row >= low && row <= high;
}

// Tables of up to a million rows are taken by the unit tests; here each run stays quick.
// Keys beyond the largest length are still fuzzed, since refusing them allocates nothing.
bool NeedsHugeTables(const ProfileFile& profile) {
  for (const char* section : {"coordinates", "elements", "barproperties"})
    for (const auto& entry : Entries(profile, section))
      if (IsTableKeyBetween(entry.first, 20000, kMaxGridLength - 1)) return true;
  return false;
}

std::vector<std::string> Keys(const ProfileFile& profile, const char* section) {
  std::vector<std::string> keys;
  for (const auto& entry : Entries(profile, section)) keys.push_back(entry.first);
  return keys;
}

}  // namespace

int ProfileEntry(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  ProfileFile profile = ProfileFile::Parse(input);
  const std::string text = profile.Text();
  const ProfileFile reread = ProfileFile::Parse(text);
  Check(reread.Text() == text, "the written text does not read back the same");

  for (const char* section : kSections) {
    Check(profile.HasSection(section) == reread.HasSection(section), "a section changed");
    for (const auto& [key, value] : Entries(profile, section)) {
      Check(value.size() <= kMaxProfileValueLength, "a value is longer than the limit");
      Check(profile.Read(section, key, kMissing) == value, "ForEachEntry and Read disagree");
      Check(reread.Read(section, key, kMissing) == value, "a value changed on rewriting");
    }
  }

  // Replace the first entry of every section, add a key to each, and erase one section.
  const std::string value = input.substr(0, 80);
  std::vector<std::pair<std::string, std::string>> written;
  for (const char* section : kSections) {
    std::vector<std::string> keys = Keys(profile, section);
    if (!keys.empty()) {
      profile.Write(section, keys.front(), value);
      written.emplace_back(section, keys.front());
    }
    profile.Write(section, "fuzzkey", value);
    written.emplace_back(section, "fuzzkey");
  }
  profile.EraseSection("elements");
  const std::string changed = profile.Text();
  const ProfileFile after = ProfileFile::Parse(changed);
  Check(after.Text() == changed, "the changed text does not read back the same");
  Check(!after.HasSection("elements"), "an erased section is still there");
  for (const auto& [section, key] : written) {
    if (section == "elements") continue;
    Check(after.Read(section, key, kMissing) == AsRead(value), "a written value is not found");
  }
  return 0;
}

int DataFileEntry(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const ProfileFile parsed = ProfileFile::Parse(input);
  if (NeedsHugeTables(parsed)) return 0;

  scratch.Fill(input);

  ModelStore store;
  InitTables(store);
  try {
    Check(ReadDataFile(store, scratch.Path()) == ReadResult::Read, "an existing file is unread");
  } catch (const UserError&) {
    return 0;  // a load that does not convert, or a file that needs too many rows
  }
  Check(store.GridLength >= kDefaultGridLength && store.GridLength <= kMaxGridLength,
        "the table length left its range");
  Check(store.CoordGrid.RowCount() == store.GridLength &&
            store.PropGrid.RowCount() == store.GridLength + 1,
        "the tables do not match the table length");

  ProfileFile out = parsed;
  try {
    out = ProfileFile::Parse(DataFileText(store, out.Text()));
  } catch (const UserError&) {
    return 0;  // a node cell that passes the character test but does not convert
  }
  const ProfileFile back = ProfileFile::Parse(out.Text());
  ModelStore again;
  InitTables(again);
  try {
    ReadDataProfile(again, back, scratch.Path());
  } catch (const UserError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    Check(false, "a written file does not read back");
  }
  Check(again.GridLength <= store.GridLength, "reading our own file grew the tables further");

  // Coordinates are written as numbers, so every node row comes back and is written again.
  ProfileFile second = back;
  try {
    second = ProfileFile::Parse(DataFileText(again, second.Text()));
  } catch (const UserError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    Check(false, "a model read from our own file cannot be saved");
  }
  Check(Keys(second, "coordinates") == Keys(back, "coordinates"), "node rows were lost");
  return 0;
}

}  // namespace tarvelin::fuzz
