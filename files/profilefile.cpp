// Parsing, look-up and writing of ini-style profile files held whole in memory.
#include "files/profilefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarvelin {
namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text, std::size_t from, std::size_t to) {
  while (from < to && IsSpace(text[from])) ++from;
  while (to > from && IsSpace(text[to - 1])) --to;
  return text.substr(from, to - from);
}

char LowerChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view view) {
  std::string text(view);
  for (char& c : text) c = LowerChar(c);
  return text;
}

std::size_t FirstNonSpace(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsSpace(line[i])) ++i;
  return i;
}

bool IsBlankLine(std::string_view line) {
  return FirstNonSpace(line) == line.size();
}

// A header line starts with "[" (after blanks); the name runs to the first "]" or the end.
bool HeaderName(std::string_view line, std::string_view& name) {
  std::size_t start = FirstNonSpace(line);
  if (start == line.size() || line[start] != '[') return false;
  std::size_t close = line.find(']', start + 1);
  name = Trimmed(line, start + 1, close == std::string_view::npos ? line.size() : close);
  return true;
}

// An entry is a line holding "="; comment lines (";" first) are kept but never entries. The
// key is line[from, to), blanks around it left out.
bool EntryKeyRange(std::string_view line, std::size_t& from, std::size_t& to) {
  std::size_t start = FirstNonSpace(line);
  if (start == line.size() || line[start] == ';') return false;
  std::size_t eq = line.find('=', start);
  if (eq == std::string_view::npos) return false;
  from = start;
  to = eq;
  while (to > from && IsSpace(line[to - 1])) --to;
  return true;
}

bool EntryKey(std::string_view line, std::string& key) {
  std::size_t from = 0, to = 0;
  if (!EntryKeyRange(line, from, to)) return false;
  key.assign(line.substr(from, to - from));
  return true;
}

std::uint64_t KeyHash(const char* key, std::size_t size) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(LowerChar(key[i]));
    hash *= 1099511628211ull;
  }
  // The slot comes from the low bits, which FNV leaves poorly mixed for keys of digits.
  hash ^= hash >> 29;
  hash *= 0xbf58476d1ce4e5b9ull;
  return hash ^ (hash >> 32);
}

bool LineHasKey(std::string_view line, const char* key, std::size_t size) {
  std::size_t from = 0, to = 0;
  if (!EntryKeyRange(line, from, to) || to - from != size) return false;
  for (std::size_t i = 0; i < size; ++i)
    if (LowerChar(line[from + i]) != LowerChar(key[i])) return false;
  return true;
}

// True when every entry's key is a whole number without sign or leading zero, each greater
// than the one before: no two of them can be the same key.
bool KeysAreRisingNumbers(const std::vector<std::string_view>& lines) {
  std::uint64_t previous = 0;
  bool first = true;
  for (const std::string_view line : lines) {
    std::size_t from = 0, to = 0;
    if (!EntryKeyRange(line, from, to)) continue;
    if (to - from < 1 || to - from > 18 || line[from] < '1' || line[from] > '9') return false;
    std::uint64_t number = 0;
    for (std::size_t i = from; i < to; ++i) {
      if (line[i] < '0' || line[i] > '9') return false;
      number = number * 10 + static_cast<std::uint64_t>(line[i] - '0');
    }
    if (!first && number <= previous) return false;
    previous = number;
    first = false;
  }
  return true;
}

// The value of an entry line into value, whose storage is reused from line to line.
// The value of an entry line, trimmed and cut at kMaxProfileValueLength; after from when the
// "=" is known to lie there or later.
std::string_view EntryValueView(std::string_view line, std::size_t from = 0) {
  from = line.find('=', from) + 1;
  std::size_t to = line.size();
  while (from < to && IsSpace(line[from])) ++from;
  while (to > from && IsSpace(line[to - 1])) --to;
  return line.substr(from, std::min(to - from, kMaxProfileValueLength));
}

std::string EntryValue(std::string_view line) {
  return std::string(EntryValueView(line));
}

}  // namespace

std::size_t ProfileFile::KeyIndex::Probe(std::uint64_t hash, const char* key, std::size_t size,
                                         const std::vector<std::string_view>& lines) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.Line == kNone) return i;
    if (slot.Hash == hash && LineHasKey(lines[slot.Line], key, size)) return i;
  }
}

std::size_t ProfileFile::KeyIndex::Find(const char* key, std::size_t size,
                                        const std::vector<std::string_view>& lines) const {
  if (slots_.empty()) return kNone;
  return slots_[Probe(KeyHash(key, size), key, size, lines)].Line;
}

void ProfileFile::KeyIndex::Add(const char* key, std::size_t size, std::size_t line,
                                const std::vector<std::string_view>& lines) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  std::uint64_t hash = KeyHash(key, size);
  Slot& slot = slots_[Probe(hash, key, size, lines)];
  if (slot.Line != kNone) {  // a later duplicate: the first entry stays the one used
    ++duplicates_;
    return;
  }
  slot.Hash = hash;
  slot.Line = line;
  ++used_;
}

void ProfileFile::KeyIndex::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.resize(old.empty() ? 16 : old.size() * 2);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.Line == kNone) continue;
    std::size_t i = static_cast<std::size_t>(slot.Hash) & mask;
    while (slots_[i].Line != kNone) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void ProfileFile::KeyIndex::Clear() {
  std::vector<Slot>().swap(slots_);
  used_ = 0;
  duplicates_ = 0;
}

bool FileStamp::operator==(const FileStamp& other) const {
  return Existed == other.Existed && Device == other.Device && Inode == other.Inode &&
         Size == other.Size && ModifiedSeconds == other.ModifiedSeconds &&
         ModifiedNanoseconds == other.ModifiedNanoseconds;
}

namespace {

FileStamp StampOfStat(const struct stat& st) {
  FileStamp stamp;
  stamp.Existed = true;
  stamp.Device = static_cast<std::uint64_t>(st.st_dev);
  stamp.Inode = static_cast<std::uint64_t>(st.st_ino);
  stamp.Size = static_cast<std::int64_t>(st.st_size);
  stamp.ModifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  stamp.ModifiedNanoseconds = st.st_mtim.tv_nsec;
  return stamp;
}

// Calls visit(line) for each line of content after a byte-order mark: CR LF, LF and a lone CR
// all end a line, so files from any system read alike.
template <typename Visit>
void ForEachLine(std::string_view content, Visit&& visit) {
  std::size_t pos = content.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
  const char* const data = content.data();
  auto next = [&](char c) {
    if (pos >= content.size()) return content.size();
    const void* found = std::memchr(data + pos, c, content.size() - pos);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                 : content.size();
  };
  // The next LF and the next CR, each looked for again only once it lies behind: a file
  // without CR is searched for one just once.
  std::size_t lf = next('\n'), cr = next('\r');
  while (pos < content.size()) {
    if (lf < pos) lf = next('\n');
    if (cr < pos) cr = next('\r');
    const std::size_t end = std::min(lf, cr);
    visit(content.substr(pos, end - pos));
    pos = end;
    if (pos < content.size()) {
      if (data[pos] == '\r' && pos + 1 < content.size() && data[pos + 1] == '\n') ++pos;
      ++pos;
    }
  }
}

}  // namespace

bool IsProfileText(std::string_view content) {
  if (content.compare(0, 2, "\xFF\xFE") == 0 || content.compare(0, 2, "\xFE\xFF") == 0)
    return false;
  return content.find('\0') == std::string_view::npos;
}

void AppendProfileTextWithout(std::string_view content, const std::vector<std::string>& sections,
                              std::string& text) {
  if (content.compare(0, 3, kByteOrderMark) == 0) text += kByteOrderMark;
  bool keep = true;  // the lines before the first header always stay
  std::string_view name;
  ForEachLine(content, [&](std::string_view line) {
    if (HeaderName(line, name)) {
      const std::string lower = Lower(name);
      keep = std::find(sections.begin(), sections.end(), lower) == sections.end();
    }
    if (!keep) return;
    text += line;
    text += "\r\n";
  });
}

FileStamp StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return FileStamp();
  return StampOfStat(st);
}

std::string NotTextMessage(const std::string& path) {
  return path + " is not a text file: save it as plain text (UTF-8)";
}

ProfileFile::LoadStatus ProfileFile::LoadFile(const std::string& path, ProfileFile& out,
                                              std::uint64_t maxBytes, FileStamp* stamp) {
  std::string content;
  const LoadStatus status = ReadContent(path, content, maxBytes, stamp);
  if (status == LoadStatus::Loaded || status == LoadStatus::Missing)
    out = Parse(std::move(content));
  return status;
}

ProfileFile::LoadStatus ProfileFile::ReadContent(const std::string& path, std::string& content,
                                                 std::uint64_t maxBytes, FileStamp* stamp) {
  // Non-blocking, so that opening a FIFO does not wait for a writer; only a regular file is
  // then read (a link to /dev/zero would never end).
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) {
      struct stat st;
      if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return LoadStatus::NotRegular;
      return LoadStatus::Unreadable;
    }
    if (stamp) *stamp = FileStamp();
    content.clear();
    return LoadStatus::Missing;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return LoadStatus::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return LoadStatus::NotRegular;
  }
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return LoadStatus::TooLarge;
  }
  // Read straight into the text, sized for the file and one byte more, so that the read that
  // finds the end needs no room of its own; grown only if the file grows meanwhile.
  std::string text(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 1, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(std::max<std::size_t>(text.size() * 2, 65536));
    ssize_t n = ::read(fd, &text[used], text.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return LoadStatus::Unreadable;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
    if (used > maxBytes) {  // grew while we read it
      ::close(fd);
      return LoadStatus::TooLarge;
    }
  }
  ::close(fd);
  text.resize(used);
  content = std::move(text);
  if (stamp) *stamp = StampOfStat(st);
  return LoadStatus::Loaded;
}

ProfileFile ProfileFile::Load(const std::string& path) {
  ProfileFile profile;
  if (!TryLoad(path, profile)) profile = Parse("");
  return profile;
}

bool ProfileFile::TryLoad(const std::string& path, ProfileFile& out) {
  const LoadStatus status = LoadFile(path, out);
  return status == LoadStatus::Loaded || status == LoadStatus::Missing;
}

ProfileFile ProfileFile::Parse(std::string content) {
  ProfileFile profile;
  profile.text_ = IsProfileText(content);
  profile.byteOrderMark_ = content.compare(0, 3, kByteOrderMark) == 0;
  profile.storage_->Parsed = std::move(content);
  std::string_view name;
  ForEachLine(profile.storage_->Parsed, [&](std::string_view line) {
    if (HeaderName(line, name)) {
      profile.index_[Lower(name)].push_back(profile.sections_.size());
      profile.sections_.emplace_back();
      profile.sections_.back().Header = std::string(line);
    } else {
      profile.sections_.back().Lines.push_back(line);
    }
  });
  return profile;
}

ProfileFile::ProfileFile(const ProfileFile& other)
    : sections_(other.sections_),
      index_(other.index_),
      byteOrderMark_(other.byteOrderMark_),
      text_(other.text_) {
  // The lines are copied into one text of this profile's own, and viewed there.
  std::size_t size = 0;
  for (const Section& s : sections_)
    for (const std::string_view line : s.Lines) size += line.size();
  std::string& own = storage_->Parsed;
  own.reserve(size);
  for (Section& s : sections_) {
    for (std::string_view& line : s.Lines) {
      const std::size_t at = own.size();
      own += line;
      line = std::string_view(own.data() + at, line.size());
    }
  }
}

ProfileFile& ProfileFile::operator=(const ProfileFile& other) {
  if (this != &other) *this = ProfileFile(other);
  return *this;
}

std::string_view ProfileFile::Keep(std::string line) {
  if (!storage_) storage_ = std::make_unique<Storage>();
  storage_->Added.push_back(std::move(line));
  return storage_->Added.back();
}

const ProfileFile::KeyIndex& ProfileFile::Index(const Section& section) {
  if (!section.Indexed) {
    for (std::size_t i = 0; i < section.Lines.size(); ++i) {
      const std::string_view line = section.Lines[i];
      std::size_t from = 0, to = 0;
      if (EntryKeyRange(line, from, to))
        section.Keys.Add(line.data() + from, to - from, i, section.Lines);
    }
    section.Indexed = true;
  }
  return section.Keys;
}

ProfileFile::Section* ProfileFile::FirstSection(const std::string& section) {
  auto found = index_.find(Lower(section));
  return found == index_.end() ? nullptr : &sections_[found->second.front()];
}

const ProfileFile::Section* ProfileFile::FirstSection(const std::string& section) const {
  auto found = index_.find(Lower(section));
  return found == index_.end() ? nullptr : &sections_[found->second.front()];
}

std::string ProfileFile::Read(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
  const Section* s = FirstSection(section);
  if (!s) return defaultValue;
  std::size_t line = Index(*s).Find(key.data(), key.size(), s->Lines);
  if (line == KeyIndex::kNone) return defaultValue;
  return EntryValue(s->Lines[line]);
}

bool ProfileFile::HasSection(const std::string& section) const {
  return FirstSection(section) != nullptr;
}

void ProfileFile::ForEachEntry(
    const std::string& section,
    const std::function<void(const std::string& key, const std::string& value)>& visit) const {
  std::string key, value;
  ForEachEntryView(section, [&](std::string_view k, std::string_view v) {
    key.assign(k);
    value.assign(v);
    visit(key, value);
  });
}

void ProfileFile::ForEachEntryView(
    const std::string& section,
    const std::function<void(std::string_view key, std::string_view value)>& visit) const {
  const Section* s = FirstSection(section);
  if (!s) return;
  // Keys in rising numeric order (a table's rows as this program writes them) hold no
  // duplicate, so the index that would find them need not be built.
  if (!s->Indexed && s->RisingKeys < 0) s->RisingKeys = KeysAreRisingNumbers(s->Lines) ? 1 : 0;
  const bool unique = !s->Indexed && s->RisingKeys == 1;
  for (std::size_t i = 0; i < s->Lines.size(); ++i) {
    const std::string_view line = s->Lines[i];
    std::size_t from = 0, to = 0;
    if (!EntryKeyRange(line, from, to)) continue;
    if (!unique) {
      const KeyIndex& keys = Index(*s);
      if (keys.HasDuplicates() && keys.Find(line.data() + from, to - from, s->Lines) != i) continue;
    }
    visit(line.substr(from, to - from), EntryValueView(line, to));
  }
}

void ProfileFile::Write(const std::string& section, const std::string& key,
                        const std::string& value) {
  std::string clean = value;
  for (char& c : clean)
    if (c == '\r' || c == '\n') c = ' ';

  Section* s = FirstSection(section);
  if (!s) {
    index_[Lower(section)].push_back(sections_.size());
    sections_.emplace_back();
    s = &sections_.back();
    s->Header = "[" + section + "]";
  }
  std::size_t existing = Index(*s).Find(key.data(), key.size(), s->Lines);
  if (existing != KeyIndex::kNone) {
    std::string_view& line = s->Lines[existing];
    std::string existingKey;
    EntryKey(line, existingKey);
    line = Keep(existingKey + "=" + clean);
    return;
  }
  // After the section's last line that is not blank, so blank lines keep separating sections.
  std::size_t at = s->Lines.size();
  while (at > 0 && IsBlankLine(s->Lines[at - 1])) --at;
  s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), Keep(key + "=" + clean));
  // Only blank lines moved, and they are no entries, so the index stays true.
  const std::string_view added = s->Lines[at];
  std::size_t from = 0, to = 0;
  if (EntryKeyRange(added, from, to)) s->Keys.Add(added.data() + from, to - from, at, s->Lines);
}

void ProfileFile::WriteLines(const std::string& section, std::vector<std::string> lines) {
  if (lines.empty()) return;
  if (FirstSection(section)) {
    for (const std::string& line : lines) {
      const std::size_t eq = line.find('=');
      Write(section, line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1));
    }
    return;
  }
  for (std::string& line : lines)
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
  index_[Lower(section)].push_back(sections_.size());
  sections_.emplace_back();
  Section& s = sections_.back();
  s.Header = "[" + section + "]";
  // Kept as one text, viewed line by line; indexed on the first look-up, as a parsed section.
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size();
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) text += line;
  const std::string_view kept = Keep(std::move(text));
  s.Lines.reserve(lines.size());
  std::size_t at = 0;
  for (const std::string& line : lines) {
    s.Lines.push_back(kept.substr(at, line.size()));
    at += line.size();
  }
}

void ProfileFile::EraseSection(const std::string& section) {
  auto found = index_.find(Lower(section));
  if (found == index_.end()) return;
  for (std::size_t i : found->second) {
    Section& s = sections_[i];
    s.Erased = true;
    std::vector<std::string_view>().swap(s.Lines);
    s.Keys.Clear();
  }
  index_.erase(found);
}

std::string ProfileFile::Text() const {
  std::size_t size = byteOrderMark_ ? 3 : 0;
  for (const Section& s : sections_) {
    if (s.Erased) continue;
    if (!s.Header.empty()) size += s.Header.size() + 2;
    for (const std::string_view line : s.Lines) size += line.size() + 2;
  }
  std::string text;
  text.reserve(size);
  if (byteOrderMark_) text += kByteOrderMark;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    if (s.Erased) continue;
    if (i > 0) {
      text += s.Header;
      text += "\r\n";
    }
    for (const std::string_view line : s.Lines) {
      text += line;
      text += "\r\n";
    }
  }
  return text;
}

void ProfileFile::Save(const std::string& path) const {
  WriteFileAtomically(path, Text());
}

}  // namespace tarvelin
