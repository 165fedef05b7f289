// What the run shows: the window frmQuelmar, modal message boxes and the
// mouse pointer.
#pragma once

#include <cstdint>
#include <string>

namespace quelmar {

// The banner picture's drawing surface, for ShadeBackground: sizes in
// pixels, colours as 0x00BBGGRR.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual uint32_t GetPixel(int x, int y) = 0;
  virtual void SetPixel(int x, int y, uint32_t colour) = 0;
  virtual int InnerWidth() = 0;
  virtual int InnerHeight() = 0;
  virtual void Repaint() = 0;
  // The system's button-face colour.
  virtual uint32_t ButtonFaceColour() = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  // A window that the system could not make is a RunError here, where it
  // must be seen; a run that never shows it goes on without it.
  virtual void Show() = 0;
  virtual void SetOkEnabled(bool enabled) = 0;
  virtual void FocusOk() = 0;
  // Appends `text` to the trace box and moves its caret to the end.
  virtual void AppendTrace(const std::string& text) = 0;
  // Lets the window repaint and take input.
  virtual void ProcessPendingEvents() = 0;
  // The banner picture, or null where there is none (console).
  virtual Picture* Banner() = 0;
  // Shows the window and runs until the user unloads it.
  virtual void RunUntilClosed() = 0;
};

enum class BoxIcon { kCritical, kExclamation, kInformation };

// Why the end of the session is held, in the words the user reads. Composed
// only by a front end that shows it: a rehearsal of thousands of
// replacements never asks for it.
class SessionEndReason {
 public:
  virtual std::string Text() const = 0;

 protected:
  ~SessionEndReason() = default;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  virtual Window& MainWindow() = 0;
  // A modal box with an OK button; returns when it is closed.
  virtual void MessageBox(const std::string& text, const std::string& title,
                          BoxIcon icon) = 0;
  virtual void SetWaitPointer(bool wait) = 0;
  // While held, ending the user's session (logoff, shutdown) is refused and
  // `reason` is shown to the user; held once at a time. A front end that the
  // session never asks (the console) lets it go by, and never reads
  // `reason`, which lives only during the call.
  virtual void HoldSessionEnd(const SessionEndReason& reason) = 0;
  virtual void ReleaseSessionEnd() = 0;
};

}  // namespace quelmar
