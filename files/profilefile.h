// Ini-style profile files, read once into memory and written back whole in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvelin {

// Replaces path with content in one step: a temporary file in the same folder, flushed and
// renamed over the old one (following a symbolic link, keeping the permission bits, refusing
// a file the user made read-only). Throws UserError("Unable to write to <path>") on failure,
// leaving the old file whole and no temporary file behind.
void WriteFileAtomically(const std::string& path, const std::string& content);
// The same, the content handed over in pieces: produce(put) calls put(piece) for each piece in
// order, and each is written as it comes, so that a large content is never held whole. An
// exception from produce leaves the old file whole too, and goes on to the caller.
using PieceWriter = std::function<void(std::string_view piece)>;
void WriteFileAtomically(const std::string& path,
                         const std::function<void(const PieceWriter& put)>& produce);

// What a file was at one moment: enough to notice that another program replaced or changed it
// (an editor's save renames a new file in, a write in place changes size or time).
struct FileStamp {
  bool Existed = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedSeconds = 0;
  long ModifiedNanoseconds = 0;
  bool operator==(const FileStamp& other) const;
  bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
// The stamp of the file at path now (following links); Existed false when there is none.
FileStamp StampOf(const std::string& path);

// The longest value Read hands out; longer values are cut.
constexpr std::size_t kMaxProfileValueLength = 2047;

class ProfileFile {
 public:
  enum class LoadStatus {
    Loaded,      // read and parsed
    Missing,     // no file at path: an empty profile
    Unreadable,  // it exists but cannot be read
    NotRegular,  // a folder, FIFO, device or socket: never opened for reading, so nothing hangs
    TooLarge,    // longer than the limit
  };
  // Reads the file at path into out (untouched unless Loaded or Missing). stamp, when given,
  // receives what the file was when it was read (Existed false when Missing).
  static LoadStatus LoadFile(const std::string& path, ProfileFile& out,
                             std::uint64_t maxBytes = UINT64_MAX, FileStamp* stamp = nullptr);
  // The bytes of the file at path, as LoadFile reads them, without parsing them (content empty
  // when Missing).
  static LoadStatus ReadContent(const std::string& path, std::string& content,
                                std::uint64_t maxBytes = UINT64_MAX, FileStamp* stamp = nullptr);
  // Parses the file at path; a missing or unreadable file gives an empty profile.
  static ProfileFile Load(const std::string& path);
  // As Load, but false (and out untouched) when a file exists at path and cannot be read, so
  // that a caller about to replace it does not throw away content it never saw.
  static bool TryLoad(const std::string& path, ProfileFile& out);
  static ProfileFile Parse(std::string content);

  ProfileFile() = default;
  // A copy holds its own lines.
  ProfileFile(const ProfileFile& other);
  ProfileFile& operator=(const ProfileFile& other);
  ProfileFile(ProfileFile&&) noexcept = default;
  ProfileFile& operator=(ProfileFile&&) noexcept = default;

  // False when the parsed bytes held a NUL byte or began with a UTF-16 byte-order mark: such
  // a file is no text this program wrote, and reads as nothing but junk.
  bool IsText() const { return text_; }

  // The value of key in section (names compared regardless of letter case), trimmed and cut
  // at 2047 characters; defaultValue when the section or key is missing. The first
  // occurrence of a duplicated section or key is the one read.
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& defaultValue) const;
  bool HasSection(const std::string& section) const;

  // Calls visit(key, value) for each key that Read would find in section, in file order; the
  // key as the file spells it (trimmed), the value as Read gives it.
  void ForEachEntry(
      const std::string& section,
      const std::function<void(const std::string& key, const std::string& value)>& visit) const;
  // The same entries as views into the profile, valid during the call: no copy of each.
  void ForEachEntryView(
      const std::string& section,
      const std::function<void(std::string_view key, std::string_view value)>& visit) const;

  // Replaces the value of an existing key in place, or adds the entry at the end of its
  // section, or adds the section at the end of the file. Line breaks inside value become
  // blanks, so a value can never add lines of its own.
  void Write(const std::string& section, const std::string& key, const std::string& value);
  // Writes each line ("key=value", keys distinct) as Write would, quicker for a whole table:
  // a section that does not exist yet takes the lines as they are, without a look-up each.
  void WriteLines(const std::string& section, std::vector<std::string> lines);
  // Removes every occurrence of the section with all its entries.
  void EraseSection(const std::string& section);

  // The whole file as text, lines ending in CR LF.
  std::string Text() const;
  // WriteFileAtomically(path, Text()).
  void Save(const std::string& path) const;

 private:
  // Open-addressing index from a key (letter case ignored) to the line of its first entry.
  // It holds no copies of keys: they are compared in the lines themselves, so a section of
  // 100,000 entries costs two words an entry and no allocation per entry.
  class KeyIndex {
   public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t Find(const char* key, std::size_t size,
                     const std::vector<std::string_view>& lines) const;
    // Makes line the entry of key unless key has one already.
    void Add(const char* key, std::size_t size, std::size_t line,
             const std::vector<std::string_view>& lines);
    void Clear();
    // True when some key was added a second time (so not every entry line is a first one).
    bool HasDuplicates() const { return duplicates_ > 0; }

   private:
    struct Slot {
      std::uint64_t Hash = 0;
      std::size_t Line = kNone;
    };
    std::size_t Probe(std::uint64_t hash, const char* key, std::size_t size,
                      const std::vector<std::string_view>& lines) const;
    void Grow();
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::size_t duplicates_ = 0;
  };

  struct Section {
    std::string Header;  // the header line as it stands; empty for the lead-in
    // The lines after the header, as they stand, in the profile's text_ or added_.
    std::vector<std::string_view> Lines;
    bool Erased = false;
    // Built on the first look-up, so sections that are only erased or copied cost no index.
    // (Look-ups thus change the object; a profile is used by one thread at a time.)
    mutable KeyIndex Keys;  // key -> its first entry line
    mutable bool Indexed = false;
    // Whether the keys are rising numbers (so none repeats), known after the first visit of an
    // unindexed section: -1 not yet known. Lines change only once the section is indexed.
    mutable signed char RisingKeys = -1;
  };

  Section* FirstSection(const std::string& section);
  const Section* FirstSection(const std::string& section) const;
  static const KeyIndex& Index(const Section& section);
  // Keeps a line written after parsing; the view stays valid as long as the profile.
  std::string_view Keep(std::string line);

  // sections_[0] holds the lines before the first header.
  std::vector<Section> sections_ = std::vector<Section>(1);
  // Lower-cased section name -> every occurrence, first one first.
  std::unordered_map<std::string, std::vector<std::size_t>> index_;
  bool byteOrderMark_ = false;
  bool text_ = true;
  // The parsed file and the lines written since, which the sections' lines view: a file of a
  // million entries is two allocations, not a million. Held by pointer, so that moving the
  // profile leaves every view valid.
  struct Storage {
    std::string Parsed;
    std::deque<std::string> Added;
  };
  std::unique_ptr<Storage> storage_ = std::make_unique<Storage>();
};

// False when content holds a NUL byte or begins with a UTF-16 byte-order mark: no text this
// program wrote (ProfileFile::IsText of its parse).
bool IsProfileText(std::string_view content);
// Appends what ProfileFile::Parse(content), with every section named in sections erased, would
// give as Text(), without building the profile: the other lines as they stand, CR LF ends.
void AppendProfileTextWithout(std::string_view content, const std::vector<std::string>& sections,
                              std::string& text);

// The message for a data file that is not text.
std::string NotTextMessage(const std::string& path);

}  // namespace tarvelin
