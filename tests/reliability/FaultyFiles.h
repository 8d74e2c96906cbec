// Files whose reads, writes and seeks fail on cue: the file layer's opener is
// replaced by one that wraps every real file in a stream (fopencookie) that
// obeys the faults set here. Real bytes still reach the disk up to the fault, so
// what a failure leaves behind is exactly what a full disk or a bad sector would.
#pragma once

#include <cstdint>
#include <vector>

struct FaultPlan {
    // Bytes that may still be written, over all files opened for writing; a write
    // that would pass it stores what fits and fails (the disk is full). -1: no limit.
    std::int64_t writeBudget = -1;
    // Rewriting bytes a file already holds (the header patch on close) fails: the
    // write itself, or the seek back to the header.
    bool failRewrite = false;
    bool failSeekBack = false;
    // Only the nth file opened for writing (1-based) suffers the rewrite faults; 0: every one.
    int rewriteFaultFile = 0;
    // Reads of files opened for reading fail from this byte offset on. -1: never.
    std::int64_t readFailOffset = -1;

    // Counters, for the figures and for checks.
    int filesOpenedForWriting = 0;
    std::int64_t bytesWritten = 0;
    // Bytes written to each file opened for writing, in opening order (header
    // patches included).
    std::vector<std::int64_t> bytesWrittenPerFile;
    int faultsHit = 0;
};

// While it exists, the file layer opens files through the faulty opener and
// obeys `Faults()`; its destruction restores the ordinary opener.
class FaultyFileLayer {
public:
    FaultyFileLayer();
    ~FaultyFileLayer();
    FaultyFileLayer(const FaultyFileLayer&) = delete;
    FaultyFileLayer& operator=(const FaultyFileLayer&) = delete;
};

// The plan in force; reset by every FaultyFileLayer.
FaultPlan& Faults();
