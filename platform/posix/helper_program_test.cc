#include "platform/posix/helper_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/fake/temp_folder.h"

namespace quelmar {
namespace {

// Helper programs written as shell scripts in a folder of their own.
class HelperProgramTest : public ::testing::Test {
 protected:
  std::string Program(const std::string& name, const std::string& body) {
    std::string path = folder_.Path(name);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
  }

  TempFolder folder_{"quelmar-helper"};
};

TEST_F(HelperProgramTest, InputGivenOutputAndStatusCollected) {
  HelperOutcome outcome = RunHelperProgram(
      Program("answer", "read line; printf 'got %s' \"$line\"; exit 3"),
      "poste\n");
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.output, "got poste");
}

TEST_F(HelperProgramTest, AProgramThatAnswersAsItReadsDoesNotBlock) {
  // Far more than a pipe holds, each way.
  std::string input(4 << 20, 'x');
  for (size_t k = 0; k < input.size(); k += 1000) input[k] = '\n';
  HelperOutcome outcome = RunHelperProgram(Program("echo", "exec cat"), input);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_TRUE(outcome.output == input) << outcome.output.size();
}

TEST_F(HelperProgramTest, AProgramThatStopsReadingEarlyEndsTheExchange) {
  // Its input left unread is no SIGPIPE here.
  HelperOutcome outcome = RunHelperProgram(
      Program("early", "printf partial; exit 1"), std::string(4 << 20, 'x'));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output, "partial");
}

TEST_F(HelperProgramTest, MissingProgramOrSignalSaidApart) {
  HelperOutcome missing = RunHelperProgram(folder_.Path("absent"), "");
  EXPECT_FALSE(missing.started);
  EXPECT_EQ(missing.startError, ENOENT);
  HelperOutcome killed =
      RunHelperProgram(Program("killed", "kill -KILL $$"), "");
  EXPECT_TRUE(killed.started);
  EXPECT_EQ(killed.status, -1);
}

}  // namespace
}  // namespace quelmar
