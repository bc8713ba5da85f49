// The fault matrix: the outcome of every device fault of the stand-in's
// drives on both Windows families, gathered from the diskette tests as
// they run. With ZOLT_FAULT_MATRIX set to a file name, the tests' process
// writes the table there (Markdown) when it ends; tests/fault-matrix runs
// them and prints it.
#ifndef ZOLT_TESTS_FAULT_MATRIX_H
#define ZOLT_TESTS_FAULT_MATRIX_H

#include <string>

// What a run left on the medium.
enum class MediumOutcome { kImage, kImageAtStart, kUnchanged, kPartly };

// Records one run. A run that reports success (exit code 0) with a medium
// that does not hold the image is a test failure here, whatever its case
// expected.
void RecordFaultCase(const std::string& fault, const std::string& family, int exitCode,
                     const std::string& lastLine, MediumOutcome medium);

#endif
