// Cases found by fuzzing (fuzz/), each kept as the container that showed
// the fault and the behaviour the program now has with it.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "helpers/container_fixture.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"

namespace {

// `count` bytes that deflate cannot shrink, none of them 0 (a string area
// of one long text).
std::string NoiseText(size_t count) {
  std::mt19937 rng(7);
  std::string text(count, ' ');
  for (char& c : text) c = char(1 + rng() % 255);
  return text;
}

struct RestorerCase {
  const char* name;
  ComposedContainer container;
  int exitCode;
  const char* shown;  // on standard error
};

}  // namespace

TEST(FuzzRegression, RestorerRuns) {
  TempDir dir;
  // The stream fails after its first window, inside the catalogue's string
  // area: the catalogue never arrived, whatever the sink had allocated for
  // it, and the run ends as damaged without touching its texts.
  ComposedContainer catalogueCut = DefaultComposition(PatternImage(1474560, 9));
  catalogueCut.catalogueArea += NoiseText(60000);
  catalogueCut.keepStreamBytes = 40000;

  const RestorerCase cases[] = {
      {"stream failing inside the catalogue", catalogueCut, 1, "holds damaged compressed data (error 1)"},
  };
  for (const RestorerCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string exe = dir / "case.exe";
    ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c.container, exe));
    ProgramResult r = RunProgram("ZOLT_CLOCK=virtual ZOLT_DRIVES='a:=floppy:" + dir / "a.img" + "' timeout 20 " +
                                 exe + " a: /D=" + dir / "out.img" + " /Q /T1");
    EXPECT_EQ(c.exitCode, r.exitCode) << r.err << r.out;
    EXPECT_NE(std::string::npos, r.err.find(c.shown)) << r.err;
    EXPECT_EQ("", r.out) << "no message list";
  }
}
