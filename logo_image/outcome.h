// How a run that reads a source and writes an output can end: the ends every
// program shares. A program with ends of its own reports those itself.
#pragma once

namespace logo {

enum class Outcome {
  kWritten,
  kSourceUnreadable,
  kSourceReadFailed,
  kSameFile,
  kOutputUncreatable,
  kWriteFailed,
};

// Says the fixed console text of `outcome` ("\nFILE WRITE END!!" once
// written) and returns the exit status: kExitOk when written, else
// kExitError.
int sayOutcome(Outcome outcome);

}  // namespace logo
