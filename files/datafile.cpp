// Reading and writing the .PEN data file: loads, properties, the three input tables and results.
#include "files/datafile.h"

#include <sys/stat.h>

#include <charconv>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "files/profilefile.h"
#include "support/dialogs.h"
#include "support/numtext.h"
#include "support/unitlib.h"

namespace tarvelin {
namespace {

const char* const kLoadKeys[6] = {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"};
const char* const kDisplacementKeys[6] = {"ux", "uy", "uz", "phix", "phiy", "phiz"};
// The sections the model is written into; the writer replaces them, wherever they stood.
const std::vector<std::string> kModelSections = {"properties",   "loads",         "coordinates",
                                                 "elements",     "barproperties", "displacements",
                                                 "elementforces"};
const int kFirstLoadField = 4;
const int kFirstDisplacementField = 12;
const char kSeparator = '@';

// Keys whose longer numbers cannot be any table row are kept at this value.
const long long kHugeRow = 1000000000000LL;

// A table key is a decimal row or type number without leading zeros or sign; anything else
// (01, 0, +1, 1a) names no row.
bool RowOfKey(std::string_view key, long long& row) {
  if (key.empty() || key[0] < '1' || key[0] > '9') return false;
  row = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return false;
    if (row < kHugeRow) row = row * 10 + (c - '0');
  }
  if (row > kHugeRow) row = kHugeRow;
  return true;
}

bool CoordinateFieldsFit(int fields) {
  return fields == 3;
}
bool ElementFieldsFit(int fields) {
  return fields == 2 || fields == 3;
}
bool PropertyFieldsFit(int fields) {
  return fields == 2;
}

struct TableSection {
  const char* Name;
  bool (*FieldsFit)(int fields);
};

const TableSection kTableSections[3] = {{"coordinates", CoordinateFieldsFit},
                                        {"elements", ElementFieldsFit},
                                        {"barproperties", PropertyFieldsFit}};

// The table length that holds every row or type the file will fill; only entries that are
// read into a row count, so a malformed entry with a large key is ignored as any other.
int RequiredGridLength(const ProfileFile& profile, const std::string& dataFileName) {
  long long largest = 0;
  std::string largestKey;
  std::string largestSection;
  for (const TableSection& table : kTableSections) {
    profile.ForEachEntryView(table.Name, [&](std::string_view key, std::string_view value) {
      long long row = 0;
      if (!RowOfKey(key, row) || row <= largest) return;
      if (!table.FieldsFit(CountFields(value, kSeparator))) return;
      largest = row;
      largestKey.assign(key);
      largestSection = table.Name;
    });
  }
  if (largest + 1 > kMaxGridLength) {
    throw UserError("Unable to read " + dataFileName + ": entry " + largestKey + " of [" +
                    largestSection + "] lies beyond the largest table of " +
                    std::to_string(kMaxGridLength - 1) + " rows");
  }
  return static_cast<int>(largest + 1);
}

// Visits every entry of section whose key names a row below rowLimit.
void ForEachRow(const ProfileFile& profile, const char* section, long long rowLimit,
                const std::function<void(int row, std::string_view value)>& visit) {
  profile.ForEachEntryView(section, [&](std::string_view key, std::string_view value) {
    long long row = 0;
    if (RowOfKey(key, row) && row < rowLimit) visit(static_cast<int>(row), value);
  });
}

// Cleans text in place; true when the writer may store it. Beyond the character test a text
// that converts strictly as a number passes too, so that 1e-3 or 2.5E-3 (numbers the
// calculation accepts) are never dropped from the file.
bool PassesCleaning(std::string& text) {
  if (CleanNumberText(text)) return true;
  double value = 0;
  return TryStrToFloat(text, value);
}

// The fixed format of the file's numbers.
constexpr int kFixedPrecision = 8;
constexpr int kFixedDecimals = 3;

std::string Fixed(double value) {
  return FormatFixed(value, kFixedPrecision, kFixedDecimals);
}

// True when Fixed(StrToFloat(text)) is text itself.
bool IsFixed(std::string_view text) {
  return IsFixedText(text, kFixedPrecision, kFixedDecimals);
}

}  // namespace

ReadResult ReadDataFile(ModelStore& store, const std::string& dataFileName, DataFileStamp* stamp) {
  struct stat st;
  if (dataFileName.empty() || (::stat(dataFileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    if (stamp) *stamp = DataFileStamp();
    return ReadResult::NoFile;
  }
  ProfileFile profile;
  FileStamp read;
  switch (ProfileFile::LoadFile(dataFileName, profile, UINT64_MAX, &read)) {
    case ProfileFile::LoadStatus::Missing:
      if (stamp) *stamp = DataFileStamp{dataFileName, read};
      return ReadResult::NoFile;
    case ProfileFile::LoadStatus::NotRegular:
      throw UserError("Unable to read " + dataFileName + ": it is not a regular file");
    case ProfileFile::LoadStatus::Unreadable:
    case ProfileFile::LoadStatus::TooLarge:
      // An unreadable file must not read as an empty model, which the next close would save.
      throw UserError("Unable to read " + dataFileName);
    case ProfileFile::LoadStatus::Loaded:
      break;
  }
  // A UTF-16 save or binary junk would read as an empty model and be overwritten by it.
  if (!profile.IsText()) throw UserError(NotTextMessage(dataFileName));
  ReadDataProfile(store, profile, dataFileName);
  if (stamp) *stamp = DataFileStamp{dataFileName, read};
  return ReadResult::Read;
}

void ReadDataProfile(ModelStore& store, const ProfileFile& profile,
                     const std::string& dataFileName) {
  // Grown before the first entry is read, so no row of the file is left behind.
  int needed = RequiredGridLength(profile, dataFileName);
  if (needed > store.GridLength) {
    store.ResizeTables(needed);
    InitTables(store);
  }

  ShowDataFileName(store, dataFileName);
  ResetModelView(store);

  for (int i = 0; i < 6; ++i) {
    std::string text = profile.Read("loads", kLoadKeys[i], "0.0");
    store.NumberEdit(kFirstLoadField + i).SetRealValue(StrToFloat(text));
  }
  store.NumberEdit(10).SetRealValue(StrToFloat(profile.Read("properties", "E", "0.0")));
  store.NumberEdit(11).SetRealValue(StrToFloat(profile.Read("properties", "A", "0.0")));
  MirrorDefaultType(store);

  for (int i = 0; i < 6; ++i) store.NumberEdit(kFirstDisplacementField + i).SetRealValue(0);

  store.StringGrid3.ClearCells(1, 1);
  store.CoordGrid.ClearCells(1, 1);
  store.EleGrid.ClearCells(1, 1);
  store.PropGrid.ClearCells(1, 2);

  TextGrid& coord = store.CoordGrid;
  ForEachRow(profile, "coordinates", coord.RowCount(), [&](int row, std::string_view value) {
    if (CountFields(value, kSeparator) != 3) return;
    for (int col = 1; col <= 3; ++col) coord.SetCell(col, row, GetField(col, value, kSeparator));
  });

  TextGrid& ele = store.EleGrid;
  ForEachRow(profile, "elements", ele.RowCount(), [&](int row, std::string_view value) {
    int fields = CountFields(value, kSeparator);
    if (fields != 2 && fields != 3) return;
    ele.SetCell(1, row, GetField(1, value, kSeparator));
    ele.SetCell(2, row, GetField(2, value, kSeparator));
    ele.SetCell(3, row, fields == 3 ? GetField(3, value, kSeparator) : std::string_view("0"));
  });

  // Type t lives in row t + 1; type 0 is never read from the file.
  TextGrid& prop = store.PropGrid;
  ForEachRow(profile, "barproperties", prop.RowCount() - 1, [&](int type, std::string_view value) {
    if (CountFields(value, kSeparator) != 2) return;
    prop.SetCell(1, type + 1, GetField(1, value, kSeparator));
    prop.SetCell(2, type + 1, GetField(2, value, kSeparator));
  });
}

namespace {

// Appends "[name]\r\n" and then "key=value\r\n" lines; a table without rows gets no section.
class SectionWriter {
 public:
  explicit SectionWriter(std::string& text) : text_(text) {}
  void Begin(const char* name) {
    header_ = text_.size();
    text_ += '[';
    text_ += name;
    text_ += "]\r\n";
    entries_ = 0;
  }
  // Ends the section; one without entries is taken back.
  void End() {
    if (entries_ == 0) text_.resize(header_);
  }
  // The start of an entry "key=": the caller appends the value, then calls EndEntry.
  void Key(std::string_view key) {
    text_ += key;
    text_ += '=';
  }
  void Row(int row) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, row).ptr;
    Key(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
  void Value(std::string_view value) { text_ += value; }
  void Value(char c) { text_ += c; }
  void EndEntry() {
    text_ += "\r\n";
    ++entries_;
  }
  void Entry(std::string_view key, std::string_view value) {
    Key(key);
    Value(value);
    EndEntry();
  }

 private:
  std::string& text_;
  std::size_t header_ = 0;
  std::size_t entries_ = 0;
};

// A cell as the writer stores it: cleaned views the cell itself when cleaning would leave it as
// it is (the common case, without a copy), else the cleaned copy in scratch. True when the
// writer may store it.
bool CleanedCell(std::string_view cell, std::string& scratch, std::string_view& cleaned) {
  if (!cell.empty() && IsNumberText(cell) && cell.find(',') == std::string_view::npos) {
    cleaned = cell;  // no blank and no comma: cleaning changes nothing, and it passes
    return true;
  }
  scratch.assign(cell);
  const bool passes = PassesCleaning(scratch);  // may shorten the text
  cleaned = scratch;
  return passes;
}

}  // namespace

void AppendModelSections(const ModelStore& store, std::string& text) {
  SectionWriter out(text);
  out.Begin("loads");
  for (int i = 0; i < 6; ++i)
    out.Entry(kLoadKeys[i], Fixed(store.NumberEdit(kFirstLoadField + i).RealValue()));
  out.End();
  out.Begin("properties");
  out.Entry("E", FormatGeneral(store.NumberEdit(10).RealValue()));
  out.Entry("A", FormatGeneral(store.NumberEdit(11).RealValue()));
  out.End();

  std::string xs, ys, zs;
  const TextGrid& coord = store.CoordGrid;
  out.Begin("coordinates");
  for (int r = 1; r < coord.RowCount(); ++r) {
    const std::string_view cx = coord.Cell(1, r), cy = coord.Cell(2, r), cz = coord.Cell(3, r);
    if (cx.empty() || cy.empty() || cz.empty()) continue;
    // A normalised table holds what the fixed format would write again: copied as it stands.
    if (IsFixed(cx) && IsFixed(cy) && IsFixed(cz)) {
      out.Row(r);
      out.Value(cx);
      out.Value(kSeparator);
      out.Value(cy);
      out.Value(kSeparator);
      out.Value(cz);
      out.EndEntry();
      continue;
    }
    std::string_view x, y, z;
    const bool xOk = CleanedCell(cx, xs, x), yOk = CleanedCell(cy, ys, y),
               zOk = CleanedCell(cz, zs, z);
    if (!(xOk && yOk && zOk)) continue;
    // Converted one statement at a time, so a failure names the first of X, Y, Z.
    const double vx = CoordinateValue(x, 1, r);
    const double vy = CoordinateValue(y, 2, r);
    const double vz = CoordinateValue(z, 3, r);
    out.Row(r);
    out.Value(Fixed(vx) + kSeparator + Fixed(vy) + kSeparator + Fixed(vz));
    out.EndEntry();
  }
  out.End();

  std::string scratch[3];
  std::string_view begin, end, type;
  const TextGrid& ele = store.EleGrid;
  out.Begin("elements");
  for (int r = 1; r < ele.RowCount(); ++r) {
    if (ele.Cell(1, r).empty() || ele.Cell(2, r).empty()) continue;
    const bool beginOk = CleanedCell(ele.Cell(1, r), scratch[0], begin);
    const bool endOk = CleanedCell(ele.Cell(2, r), scratch[1], end);
    const bool typeOk = CleanedCell(ele.Cell(3, r), scratch[2], type);
    if (!(beginOk && endOk)) continue;
    out.Row(r);
    out.Value(begin);
    out.Value(kSeparator);
    out.Value(end);
    if (typeOk) {
      out.Value(kSeparator);
      out.Value(type);
    }
    out.EndEntry();
  }
  out.End();

  std::string_view e, a;
  const TextGrid& prop = store.PropGrid;
  out.Begin("barproperties");
  for (int r = 2; r < prop.RowCount(); ++r) {
    if (prop.Cell(1, r).empty() || prop.Cell(2, r).empty()) continue;
    const bool eOk = CleanedCell(prop.Cell(1, r), scratch[0], e),
               aOk = CleanedCell(prop.Cell(2, r), scratch[1], a);
    if (!(eOk && aOk)) continue;
    out.Row(r - 1);
    out.Value(e);
    out.Value(kSeparator);
    out.Value(a);
    out.EndEntry();
  }
  out.End();

  std::string_view force;
  const TextGrid& forces = store.StringGrid3;
  out.Begin("elementforces");
  for (int r = 1; r < forces.RowCount(); ++r) {
    if (forces.Cell(1, r).empty() || !CleanedCell(forces.Cell(1, r), scratch[0], force)) continue;
    out.Row(r);
    out.Value(force);
    out.EndEntry();
  }
  out.End();

  out.Begin("displacements");
  for (int i = 0; i < 6; ++i)
    out.Entry(kDisplacementKeys[i],
              Fixed(store.NumberEdit(kFirstDisplacementField + i).RealValue()));
  out.End();
}

namespace {

// Room for the model sections of AppendModelSections (more when a cell is not yet normalised).
std::size_t ModelSectionsSize(const ModelStore& store) {
  // Per row its cells, a key of up to 7 digits, "=", the separators and CR LF; the loads,
  // properties and displacements fit in the rest.
  std::size_t size = 4096;
  for (const TextGrid* grid :
       {&store.CoordGrid, &store.EleGrid, &store.PropGrid, &store.StringGrid3}) {
    for (int r = 1; r < grid->RowCount(); ++r) {
      if (grid->Cell(1, r).empty()) continue;
      size += 8 + static_cast<std::size_t>(grid->ColCount()) + 2;
      for (int c = 1; c < grid->ColCount(); ++c) size += grid->Cell(c, r).size();
    }
  }
  return size;
}

}  // namespace

std::string DataFileText(const ModelStore& store, std::string content) {
  std::string text;
  AppendProfileTextWithout(content, kModelSections, text);
  // The old text goes before the new one is filled, so the two are never held whole at once.
  std::string().swap(content);
  text.reserve(text.size() + ModelSectionsSize(store));
  AppendModelSections(store, text);
  return text;
}

bool WriteDataFile(const ModelStore& store, std::string& dataFileName,
                   const std::string& defaultFolder, DataFileStamp* stamp, Dialogs* ask) {
  if (dataFileName.empty()) dataFileName = defaultFolder + "data.PEN";
  std::string content;
  FileStamp now;
  const ProfileFile::LoadStatus status =
      ProfileFile::ReadContent(dataFileName, content, UINT64_MAX, &now);
  // A file that exists but cannot be read is not replaced: its other sections would be lost.
  if (status != ProfileFile::LoadStatus::Loaded && status != ProfileFile::LoadStatus::Missing)
    throw UserError("Unable to write to " + dataFileName);
  if (!IsProfileText(content)) throw UserError(NotTextMessage(dataFileName));
  // Another program's change since we read the file is not overwritten unasked.
  if (stamp && !stamp->Path.empty() && stamp->Path == dataFileName && stamp->Stamp != now) {
    if (!ask) throw UserError(ChangedOnDiskMessage(dataFileName));
    if (!ask->AskYesNo(ChangedOnDiskQuestion(dataFileName))) return false;
  }
  // The other sections are copied from the file as it is now, without parsing it into entries.
  WriteFileAtomically(dataFileName, DataFileText(store, std::move(content)));
  if (stamp) *stamp = DataFileStamp{dataFileName, StampOf(dataFileName)};
  return true;
}

std::string ChangedOnDiskMessage(const std::string& dataFileName) {
  return dataFileName +
         " was changed by another program after it was read; it is left as that program "
         "left it.";
}

std::string ChangedOnDiskQuestion(const std::string& dataFileName) {
  return dataFileName +
         " was changed by another program after it was read.\r\rOverwrite it with the model "
         "shown here?";
}

void ShowDataFileName(ModelStore& store, const std::string& dataFileName) {
  std::size_t slash = dataFileName.rfind('/');
  std::string folder = slash == std::string::npos ? "" : dataFileName.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? dataFileName : dataFileName.substr(slash + 1);
  store.PathNameLabel = "path=" + (folder.size() <= 50 ? folder : folder.substr(0, 75) + "...");
  store.FileNameLabel = "file=" + file;
  store.Caption = "Tarvelin on bars : " + store.FileNameLabel;
}

}  // namespace tarvelin
