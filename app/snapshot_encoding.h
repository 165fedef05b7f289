// A snapshot handed from one process to another (quelmar-snapshot to
// quelmar-dryrun): every text kept whole, whatever bytes it holds. The
// workstation-file format would not do: it trims blanks and reads a line
// break or a leading ";" or "[" in a name a print server sent as the start
// of something else.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/workstation_snapshot.h"

namespace quelmar {

std::string EncodeSnapshot(const Snapshot& snapshot);
// Nothing when `bytes` are not, whole and only, what EncodeSnapshot wrote.
std::optional<Snapshot> DecodeSnapshot(std::string_view bytes);

}  // namespace quelmar
