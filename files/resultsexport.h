// The export of a calculation's results at full precision, as JSON or CSV.
#pragma once

#include <string>

#include "analysis/results.h"

namespace tarvelin {

enum class ResultsFormat { Unknown, Json, Csv };

// The format a file name asks for by its extension, in any letter case: ".json" or ".csv".
ResultsFormat ResultsFormatOf(const std::string& path);

// "Results can only be exported to a .json or a .csv file: <path>"
std::string ResultsFormatMessage(const std::string& path);

// The shortest decimal text that reads back as exactly x (std::to_chars); "null" for a value
// that is not finite, which JSON cannot hold.
std::string ShortestNumber(double x);

// The whole export text; model is the data file's name as the user gave it (may be empty).
// Layouts: docs/results-json.md.
std::string ResultsJson(const CalculationResult& result, const std::string& model);
std::string ResultsCsv(const CalculationResult& result, const std::string& model);

// Writes the export chosen by path's extension in one step (WriteFileAtomically). Throws
// UserError, leaving any old file as it was, for a name of another extension, for results
// that are not valid and for a file that cannot be written.
void ExportResults(const CalculationResult& result, const std::string& model,
                   const std::string& path);

}  // namespace tarvelin
