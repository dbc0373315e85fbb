// Reading and writing the .PEN data file: loads, properties, the three input tables and results.
#include "files/datafile.h"

#include <sys/stat.h>

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
const int kFirstLoadField = 4;
const int kFirstDisplacementField = 12;
const char kSeparator = '@';

// Keys whose longer numbers cannot be any table row are kept at this value.
const long long kHugeRow = 1000000000000LL;

// A table key is a decimal row or type number without leading zeros or sign; anything else
// (01, 0, +1, 1a) names no row.
bool RowOfKey(const std::string& key, long long& row) {
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
    profile.ForEachEntry(table.Name, [&](const std::string& key, const std::string& value) {
      long long row = 0;
      if (!RowOfKey(key, row) || row <= largest) return;
      if (!table.FieldsFit(CountFields(value, kSeparator))) return;
      largest = row;
      largestKey = key;
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
                const std::function<void(int row, const std::string& value)>& visit) {
  profile.ForEachEntry(section, [&](const std::string& key, const std::string& value) {
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
bool IsFixed(const std::string& text) {
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
  ForEachRow(profile, "coordinates", coord.RowCount(), [&](int row, const std::string& value) {
    if (CountFields(value, kSeparator) != 3) return;
    for (int col = 1; col <= 3; ++col) coord.SetCell(col, row, GetField(col, value, kSeparator));
  });

  TextGrid& ele = store.EleGrid;
  ForEachRow(profile, "elements", ele.RowCount(), [&](int row, const std::string& value) {
    int fields = CountFields(value, kSeparator);
    if (fields != 2 && fields != 3) return;
    ele.SetCell(1, row, GetField(1, value, kSeparator));
    ele.SetCell(2, row, GetField(2, value, kSeparator));
    ele.SetCell(3, row, fields == 3 ? GetField(3, value, kSeparator) : std::string("0"));
  });

  // Type t lives in row t + 1; type 0 is never read from the file.
  TextGrid& prop = store.PropGrid;
  ForEachRow(profile, "barproperties", prop.RowCount() - 1,
             [&](int type, const std::string& value) {
               if (CountFields(value, kSeparator) != 2) return;
               prop.SetCell(1, type + 1, GetField(1, value, kSeparator));
               prop.SetCell(2, type + 1, GetField(2, value, kSeparator));
             });
}

void UpdateDataProfile(const ModelStore& store, ProfileFile& profile) {
  for (const char* section : {"properties", "loads", "coordinates", "elements", "barproperties",
                              "displacements", "elementforces"})
    profile.EraseSection(section);

  for (int i = 0; i < 6; ++i)
    profile.Write("loads", kLoadKeys[i], Fixed(store.NumberEdit(kFirstLoadField + i).RealValue()));
  profile.Write("properties", "E", FormatGeneral(store.NumberEdit(10).RealValue()));
  profile.Write("properties", "A", FormatGeneral(store.NumberEdit(11).RealValue()));

  // Each table is written whole, one line a row: "row=value".
  std::vector<std::string> lines;
  auto entry = [&lines](int row, const std::string& value) {
    std::string line = std::to_string(row);
    line.reserve(line.size() + 1 + value.size());
    line += '=';
    line += value;
    lines.push_back(std::move(line));
  };
  auto writeTable = [&](const char* section) {
    profile.WriteLines(section, std::move(lines));
    lines.clear();
  };

  const TextGrid& coord = store.CoordGrid;
  lines.reserve(static_cast<std::size_t>(coord.RowCount()));
  for (int r = 1; r < coord.RowCount(); ++r) {
    const std::string &cx = coord.Cell(1, r), &cy = coord.Cell(2, r), &cz = coord.Cell(3, r);
    if (cx.empty() || cy.empty() || cz.empty()) continue;
    // A normalised table holds what the fixed format would write again: copied as it stands.
    if (IsFixed(cx) && IsFixed(cy) && IsFixed(cz)) {
      entry(r, cx + kSeparator + cy + kSeparator + cz);
      continue;
    }
    std::string x = cx, y = cy, z = cz;
    bool xOk = PassesCleaning(x), yOk = PassesCleaning(y), zOk = PassesCleaning(z);
    if (!(xOk && yOk && zOk)) continue;
    // Converted one statement at a time, so a failure names the first of X, Y, Z.
    const double vx = CoordinateValue(x, 1, r);
    const double vy = CoordinateValue(y, 2, r);
    const double vz = CoordinateValue(z, 3, r);
    entry(r, Fixed(vx) + kSeparator + Fixed(vy) + kSeparator + Fixed(vz));
  }
  writeTable("coordinates");

  const TextGrid& ele = store.EleGrid;
  lines.reserve(static_cast<std::size_t>(ele.RowCount()));
  for (int r = 1; r < ele.RowCount(); ++r) {
    std::string begin = ele.Cell(1, r), end = ele.Cell(2, r), type = ele.Cell(3, r);
    if (begin.empty() || end.empty()) continue;
    bool beginOk = PassesCleaning(begin), endOk = PassesCleaning(end);
    bool typeOk = PassesCleaning(type);
    if (!(beginOk && endOk)) continue;
    std::string value = begin + kSeparator + end;
    if (typeOk) value += kSeparator + type;
    entry(r, value);
  }
  writeTable("elements");

  const TextGrid& prop = store.PropGrid;
  for (int r = 2; r < prop.RowCount(); ++r) {
    std::string e = prop.Cell(1, r), a = prop.Cell(2, r);
    if (e.empty() || a.empty()) continue;
    bool eOk = PassesCleaning(e), aOk = PassesCleaning(a);
    if (eOk && aOk) entry(r - 1, e + kSeparator + a);
  }
  writeTable("barproperties");

  const TextGrid& forces = store.StringGrid3;
  for (int r = 1; r < forces.RowCount(); ++r) {
    std::string force = forces.Cell(1, r);
    if (!force.empty() && PassesCleaning(force)) entry(r, force);
  }
  writeTable("elementforces");

  for (int i = 0; i < 6; ++i)
    profile.Write("displacements", kDisplacementKeys[i],
                  Fixed(store.NumberEdit(kFirstDisplacementField + i).RealValue()));
}

bool WriteDataFile(const ModelStore& store, std::string& dataFileName,
                   const std::string& defaultFolder, DataFileStamp* stamp, Dialogs* ask) {
  if (dataFileName.empty()) dataFileName = defaultFolder + "data.PEN";
  ProfileFile profile;
  FileStamp now;
  const ProfileFile::LoadStatus status =
      ProfileFile::LoadFile(dataFileName, profile, UINT64_MAX, &now);
  // A file that exists but cannot be read is not replaced: its other sections would be lost.
  if (status != ProfileFile::LoadStatus::Loaded && status != ProfileFile::LoadStatus::Missing)
    throw UserError("Unable to write to " + dataFileName);
  if (!profile.IsText()) throw UserError(NotTextMessage(dataFileName));
  // Another program's change since we read the file is not overwritten unasked.
  if (stamp && !stamp->Path.empty() && stamp->Path == dataFileName && stamp->Stamp != now) {
    if (!ask) throw UserError(ChangedOnDiskMessage(dataFileName));
    if (!ask->AskYesNo(ChangedOnDiskQuestion(dataFileName))) return false;
  }
  UpdateDataProfile(store, profile);
  profile.Save(dataFileName);
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
