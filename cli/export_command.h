// `pelmo export`: a run kept in a run store written as the other exports are, without a run.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs `pelmo export` with the arguments after "export": --store FILE (required), --run latest|N
// (default latest), --format csv|tsv|jsonl|html|text (default: the output file's extension, or
// text), --separator S (default: the separator the run was started with), --csv-raw (CSV and TSV
// cells as found, formulas included) and --output FILE
// (replaced whole as `pelmo collect --output` replaces it; - or nothing: standard output).
// Returns 0, or 2 with a message on standard error when the arguments, the store or the output
// file do not serve.
int RunExportCommand(const std::vector<std::string>& arguments);

}  // namespace cli
