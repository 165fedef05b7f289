// Start-up: the caption, the script path, the Config settings and the
// warnings about them.
#pragma once

#include <string>
#include <string_view>

#include "app/run_state.h"
#include "platform/platform.h"
#include "services/profile.h"

namespace quelmar {

struct Version {
  int major = 0, minor = 0, revision = 0;
};

// "Quelmar v1.0.6"; the revision only when it is greater than 0.
std::string Caption(const Version& version);

// The script path from the command line, the obsolete switches left out.
std::string ScriptPathOf(const CommandLine& commandLine, Host& host);

// The script path from the command line; warns about the obsolete switches
// and counts them as a script error.
std::string ResolveScriptPath(const CommandLine& commandLine, Host& host,
                              UserInterface& ui, RunCounters& counters);

// The value without its comment (from the first ";"), without tabs, and
// without spaces at both ends.
std::string CleanConfigValue(std::string_view value);

// Replaces each %NAME% by the variable's value (empty when unset); inserted
// values are never searched again. A "%" without its closing "%" is error 5.
std::string ExpandEnvironmentReferences(std::string_view text, Host& host);

// Reads Mode, ModeLog, Log and LogInfos, in that order, with their warnings.
void ReadRunSettings(const ProfileText& script, Host& host, UserInterface& ui,
                     RunSettings& settings, RunCounters& counters);

// The first of the three journal warnings that applies.
void CheckLogSettings(RunSettings& settings, UserInterface& ui);

// The not-found text; `commandLineText` is the text before any switch was
// removed.
std::string ScriptNotFoundMessage(const std::string& commandLineText,
                                  const std::string& scriptPath);

}  // namespace quelmar
