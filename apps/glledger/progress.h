// Progress of a long job on stderr: a redrawn bar on a terminal, a line every tenth
// otherwise (logs stay short).
#ifndef GLNAMELIST_APPS_GLLEDGER_PROGRESS_H_
#define GLNAMELIST_APPS_GLLEDGER_PROGRESS_H_

#include <cstdio>
#include <string>

namespace glnamelist::ledger {

class Progress {
 public:
  // Writes to out (stderr by default); draws a bar when out is a terminal.
  Progress(std::string label, long total, std::FILE* out = stderr);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Advance(long steps = 1);
  // Completes the display (100 %); called by the destructor if not before.
  void Finish();

 private:
  void Show(long permille);

  std::string label_;
  long total_;
  long done_ = 0;
  long shown_ = -1;  // per mille last shown
  std::FILE* out_;
  bool terminal_;
  bool finished_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_PROGRESS_H_
