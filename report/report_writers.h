// The three forms of the fleet report: text for the console, CSV for a
// spreadsheet, and one self-contained HTML page (inline style and SVG
// charts, nothing fetched, no script).
#pragma once

#include <string>

#include "report/fleet.h"

namespace quelmar {

std::string TextReport(const Fleet& fleet);

// The CSV header, one row per workstation; the counters of a run that did
// not complete are empty.
constexpr char kCsvHeader[] =
    "workstation,last_run,operations,succeeded,skipped,migration_errors,"
    "script_errors,exit_class";
std::string CsvReport(const Fleet& fleet);

std::string HtmlReport(const Fleet& fleet);

// "1 poste", "3 postes" (French: 0 and 1 take the singular).
std::string CountOf(int64_t count, const std::string& singular,
                    const std::string& plural);

}  // namespace quelmar
