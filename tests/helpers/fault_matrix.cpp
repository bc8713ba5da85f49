// The fault matrix's rows, and the table written at the end of the run.
#include "helpers/fault_matrix.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace {

struct Row {
  int exitCode;
  std::string lastLine;
  MediumOutcome medium;
};

std::mutex rowsLock;
std::map<std::pair<std::string, std::string>, Row>* rows;  // (fault, family)

const char* Describe(MediumOutcome medium) {
  switch (medium) {
    case MediumOutcome::kImage: return "the image, byte for byte";
    case MediumOutcome::kImageAtStart: return "the image, then the rest as it was";
    case MediumOutcome::kUnchanged: return "unchanged";
    case MediumOutcome::kPartly: return "written in part (not claimed)";
  }
  return "";
}

class FaultMatrixWriter : public testing::Environment {
 public:
  void TearDown() override {
    const char* path = getenv("ZOLT_FAULT_MATRIX");
    if (path == nullptr || *path == '\0' || rows == nullptr) return;
    FILE* out = fopen(path, "w");
    if (out == nullptr) {
      ADD_FAILURE() << "cannot write " << path;
      return;
    }
    fprintf(out, "| Fault | Windows | Exit code | Last line of the message list | Medium afterwards |\n");
    fprintf(out, "|---|---|---:|---|---|\n");
    for (const auto& entry : *rows) {
      const Row& row = entry.second;
      fprintf(out, "| %s | %s | %d | %s | %s |\n", entry.first.first.c_str(), entry.first.second.c_str(),
              row.exitCode, row.lastLine.c_str(), Describe(row.medium));
    }
    fclose(out);
  }
};

const testing::Environment* const writer = testing::AddGlobalTestEnvironment(new FaultMatrixWriter);

}  // namespace

void RecordFaultCase(const std::string& fault, const std::string& family, int exitCode,
                     const std::string& lastLine, MediumOutcome medium) {
  if (exitCode == 0 && medium != MediumOutcome::kImage && medium != MediumOutcome::kImageAtStart)
    ADD_FAILURE() << fault << " on " << family << ": success reported with a medium that does not hold the image";
  std::lock_guard<std::mutex> hold(rowsLock);
  if (rows == nullptr) rows = new std::map<std::pair<std::string, std::string>, Row>;
  (*rows)[{fault, family}] = Row{exitCode, lastLine, medium};
}
