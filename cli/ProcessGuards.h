// Process-wide set-up that keeps a run from losing data to its surroundings:
// closed standard descriptors, file-size limits and closed pipes.
#pragma once

// Opens /dev/null (or the platform's null device) on each of descriptors 0 to 2
// that is closed, so that no file the program opens later takes their place and
// the prompt never reads its answer from the recording. Call first thing in main.
void OpenClosedStandardDescriptors();

// A file-size limit (SIGXFSZ) makes a write fail with an error the writer reports,
// and a closed standard output (SIGPIPE) makes a write to it fail, instead of
// ending the process in the middle of a file.
void IgnoreFileSizeAndPipeSignals();
