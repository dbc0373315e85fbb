// The export of a calculation's results at full precision, as JSON or CSV. The numbers are
// written with std::to_chars (the shortest text that reads back exactly), so the JSON text is
// put together here and nlohmann::json only quotes the strings.
#include "files/resultsexport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "files/profilefile.h"
#include "support/numtext.h"

namespace tarvelin {
namespace {

const char* const kLoadNames[6] = {"Fx", "Fy", "Fz", "Tx", "Ty", "Tz"};
const char* const kDisplacementNames[6] = {"ux", "uy", "uz", "phix", "phiy", "phiz"};

std::string LowerExtension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

const char* KindName(FreeMotion::Kind kind) {
  switch (kind) {
    case FreeMotion::Kind::Translation:
      return "translation";
    case FreeMotion::Kind::Rotation:
      return "rotation";
    case FreeMotion::Kind::Screw:
      return "screw";
  }
  return "translation";
}

// ---------------------------------------------------------------------------------------------
// JSON

void AppendNumber(std::string& out, double x) {
  if (!std::isfinite(x)) {
    out += "null";
  } else if (x == 0) {
    out += '0';  // also for -0, which some readers refuse
  } else {
    char buffer[32];  // the longest double text has 24 characters
    const auto done = std::to_chars(buffer, buffer + sizeof buffer, x);
    out.append(buffer, done.ptr);
  }
}

// A string as a JSON literal; bytes that are not UTF-8 become U+FFFD instead of failing.
void AppendQuoted(std::string& out, const std::string& text) {
  out += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

template <typename Range>
void AppendNumbers(std::string& out, const Range& values) {
  out += '[';
  bool first = true;
  for (double x : values) {
    if (!first) out += ", ";
    AppendNumber(out, x);
    first = false;
  }
  out += ']';
}

// {"Fx": .., ...} for the six components of v under names, on one line.
void AppendNamedSix(std::string& out, const TVector6& v, const char* const names[6]) {
  out += '{';
  for (int i = 0; i < 6; ++i) {
    if (i > 0) out += ", ";
    out += '"';
    out += names[i];
    out += "\": ";
    AppendNumber(out, v[i]);
  }
  out += '}';
}

// A JSON object or array written straight into out, one member or element a line at the
// given indent: Next (or Member) before each, Close at the end. The export of a large model
// is tens of megabytes; it is put together in one string without copies of its parts.
class JsonBlock {
 public:
  JsonBlock(std::string& out, int indent, char open) : out_(out), indent_(indent), open_(open) {
    out_ += open;
  }
  std::string& Next() {
    out_ += first_ ? "\n" : ",\n";
    first_ = false;
    out_.append(static_cast<std::size_t>(indent_ + 2), ' ');
    return out_;
  }
  // A member whose name needs no escaping; the caller appends its value.
  std::string& Member(const char* name) {
    Next() += '"';
    out_ += name;
    out_ += "\": ";
    return out_;
  }
  void Number(const char* name, double x) { AppendNumber(Member(name), x); }
  void Integer(const char* name, int n) { Member(name) += std::to_string(n); }
  void Close() {
    if (!first_) {
      out_ += '\n';
      out_.append(static_cast<std::size_t>(indent_), ' ');
    }
    out_ += open_ == '{' ? '}' : ']';
  }

 private:
  std::string& out_;
  int indent_;
  char open_;
  bool first_ = true;
};

void AppendFreeMotion(std::string& out, const FreeMotion& m) {
  JsonBlock o(out, 4, '{');
  AppendQuoted(o.Member("type"), KindName(m.Type));
  AppendNumbers(o.Member("mode"), m.Mode);
  AppendNumbers(o.Member("direction"), m.Direction);
  AppendNumbers(o.Member("axisPoint"), m.AxisPoint);
  o.Number("pitch", m.Pitch);
  AppendQuoted(o.Member("text"), m.Text);
  o.Close();
}

void AppendBar(std::string& out, const BarResult& b) {
  JsonBlock o(out, 4, '{');
  o.Integer("bar", b.Bar);
  o.Integer("beginNode", b.BeginNode);
  o.Integer("endNode", b.EndNode);
  o.Integer("type", b.Type);
  o.Number("E", b.E);
  o.Number("A", b.A);
  o.Number("length", b.Length);
  o.Number("axialStiffness", b.Stiffness);
  o.Number("force", b.Force);
  o.Number("elongation", b.Elongation);
  o.Number("stress", b.Stress);
  o.Close();
}

// ---------------------------------------------------------------------------------------------
// CSV (RFC 4180: comma separated, CRLF line ends, quoted where needed)

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void CsvRow(std::string& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += CsvField(fields[i]);
  }
  out += "\r\n";
}

template <typename Range>
std::vector<std::string> LabelledNumbers(const std::string& label, const Range& values) {
  std::vector<std::string> fields{label};
  for (double x : values) fields.push_back(ShortestNumber(x));
  return fields;
}

}  // namespace

ResultsFormat ResultsFormatOf(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".json") return ResultsFormat::Json;
  if (ext == ".csv") return ResultsFormat::Csv;
  return ResultsFormat::Unknown;
}

std::string ResultsFormatMessage(const std::string& path) {
  return "Results can only be exported to a .json or a .csv file: " + path;
}

std::string ShortestNumber(double x) {
  std::string text;
  AppendNumber(text, x);
  return text;
}

namespace {

// The text of an export is handed on in pieces of about this size: the export of a million
// bars is hundreds of megabytes, which need never be held whole.
constexpr std::size_t kPieceSize = 1 << 20;

// Hands out on to put once it has grown to a piece, and empties it.
void PassOnPiece(std::string& out, const PieceWriter& put) {
  if (out.size() < kPieceSize) return;
  put(out);
  out.clear();
}

std::string Collected(const std::function<void(const PieceWriter& put)>& write) {
  std::string text;
  write([&text](std::string_view piece) { text += piece; });
  return text;
}

void WriteResultsJson(const CalculationResult& r, const std::string& model,
                      const PieceWriter& put) {
  std::string out;
  out.reserve(kPieceSize + 4096);
  JsonBlock root(out, 0, '{');
  AppendQuoted(root.Member("format"), "tarvelin-results");
  root.Integer("version", 1);
  AppendQuoted(root.Member("model"), model);
  root.Member("mechanism") += r.Mechanism ? "true" : "false";
  AppendNamedSix(root.Member("loads"), r.Load, kLoadNames);
  AppendNamedSix(root.Member("displacements"), r.Displacements, kDisplacementNames);
  JsonBlock stiffness(root.Member("stiffness"), 2, '[');
  for (const auto& row : r.Stiffness) AppendNumbers(stiffness.Next(), row);
  stiffness.Close();
  root.Number("eigenvalueRatio", r.EigenvalueRatio);
  root.Number("characteristicLength", r.CharacteristicLength);
  JsonBlock residual(root.Member("residual"), 2, '{');
  AppendNamedSix(residual.Member("vector"), r.Residual, kLoadNames);
  residual.Number("relative", r.RelativeResidual);
  residual.Close();
  JsonBlock warnings(root.Member("warnings"), 2, '[');
  for (const std::string& w : r.Warnings) AppendQuoted(warnings.Next(), w);
  warnings.Close();
  JsonBlock motions(root.Member("freeMotions"), 2, '[');
  for (const FreeMotion& m : r.FreeMotions) AppendFreeMotion(motions.Next(), m);
  motions.Close();
  JsonBlock bars(root.Member("bars"), 2, '[');
  for (const BarResult& b : r.Bars) {
    AppendBar(bars.Next(), b);
    PassOnPiece(out, put);  // the blocks only append to out, so it may be emptied between bars
  }
  bars.Close();
  root.Close();
  out += '\n';
  put(out);
}

void WriteResultsCsv(const CalculationResult& r, const std::string& model, const PieceWriter& put) {
  std::string out;
  // The model-level block: a name in the first column, values after it.
  CsvRow(out, {"model", model});
  CsvRow(out, {"quantity", "x", "y", "z", "rx", "ry", "rz"});
  CsvRow(out, LabelledNumbers("load (kN; kNm)", r.Load));
  CsvRow(out, LabelledNumbers("displacement (m; rad)", r.Displacements));
  CsvRow(out, LabelledNumbers("residual (kN; kNm)", r.Residual));
  for (int i = 0; i < 6; ++i)
    CsvRow(out, LabelledNumbers("stiffness row " + std::to_string(i + 1), r.Stiffness[i]));
  CsvRow(out, {"relative residual", ShortestNumber(r.RelativeResidual)});
  CsvRow(out, {"eigenvalue ratio", ShortestNumber(r.EigenvalueRatio)});
  CsvRow(out, {"characteristic length (m)", ShortestNumber(r.CharacteristicLength)});
  CsvRow(out, {"mechanism", r.Mechanism ? "yes" : "no"});
  for (std::size_t i = 0; i < r.FreeMotions.size(); ++i) {
    const FreeMotion& m = r.FreeMotions[i];
    const std::string name = "free motion " + std::to_string(i + 1);
    CsvRow(out, {name, KindName(m.Type), m.Text});
    CsvRow(out, LabelledNumbers(name + " mode", m.Mode));
    CsvRow(out, LabelledNumbers(name + " direction", m.Direction));
    CsvRow(out, LabelledNumbers(name + " axis point (m)", m.AxisPoint));
    CsvRow(out, {name + " pitch (m/rad)", ShortestNumber(m.Pitch)});
  }
  for (const std::string& w : r.Warnings) CsvRow(out, {"warning", w});
  // One empty line, then the table of bars under its header row.
  out += "\r\n";
  CsvRow(out, {"bar", "begin node", "end node", "type", "E (kN/m2)", "A (m2)", "length (m)",
               "EA/L (kN/m)", "force (kN)", "elongation (m)", "stress (kN/m2)"});
  // Numbers need no quoting: the rows go straight into the text.
  out.reserve(kPieceSize + 4096);
  for (const BarResult& b : r.Bars) {
    for (int n : {b.Bar, b.BeginNode, b.EndNode, b.Type}) {
      out += std::to_string(n);
      out += ',';
    }
    for (double x : {b.E, b.A, b.Length, b.Stiffness, b.Force, b.Elongation}) {
      AppendNumber(out, x);
      out += ',';
    }
    AppendNumber(out, b.Stress);
    out += "\r\n";
    PassOnPiece(out, put);
  }
  put(out);
}

}  // namespace

std::string ResultsJson(const CalculationResult& result, const std::string& model) {
  return Collected([&](const PieceWriter& put) { WriteResultsJson(result, model, put); });
}

std::string ResultsCsv(const CalculationResult& result, const std::string& model) {
  return Collected([&](const PieceWriter& put) { WriteResultsCsv(result, model, put); });
}

void ExportResults(const CalculationResult& result, const std::string& model,
                   const std::string& path) {
  const ResultsFormat format = ResultsFormatOf(path);
  if (format == ResultsFormat::Unknown) throw UserError(ResultsFormatMessage(path));
  if (!result.Valid) throw UserError("There are no valid results to export; calculate first.");
  WriteFileAtomically(path, [&](const PieceWriter& put) {
    if (format == ResultsFormat::Json)
      WriteResultsJson(result, model, put);
    else
      WriteResultsCsv(result, model, put);
  });
}

}  // namespace tarvelin
