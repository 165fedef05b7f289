// The terminal of the console front end: whether someone is at the
// keyboard to press Enter, and whether each line is seen as it is written.
#pragma once

namespace quelmar {

class Terminal {
 public:
  virtual ~Terminal() = default;
  // Whether standard input is a terminal: someone can press Enter.
  virtual bool InputIsTerminal() = 0;
  // Whether standard output is a terminal: each line is shown at once.
  virtual bool OutputIsTerminal() = 0;
  // Reads one line of standard input (the Enter that closes a box).
  virtual void ReadLine() = 0;
};

}  // namespace quelmar
