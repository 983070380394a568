// The installed engine as a game sees it: `cmake --install` of this build
// tree into a scratch prefix, then games built out of tree against that copy
// through the CMake package and through oxlen.pc, and run for five frames on
// a display: the tiny game of tests/packaging/ (a plain main()) and the
// wizard-style wWinMain game of tests/windows_style/.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>

#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kBuildDir = OX_BUILD_DIR;
const std::string kCMake = OX_CMAKE_COMMAND;
const std::string kCompiler = OX_CXX_COMPILER;
const std::string kPkgConfig = OX_PKG_CONFIG;
const std::string kPackagedGameProject = std::string(OX_SOURCE_DIR) + "/tests/packaging";
const std::string kTinyGame = kPackagedGameProject + "/tiny_game.cpp";
const std::string kWizardGame = std::string(OX_SOURCE_DIR) + "/tests/windows_style/wizard_game.cpp";
const char kBanner[] = "Oxlen Engine version: 3.10";

struct Shell {
  std::string output;  // standard output and standard error together
  int status;          // exit status, -1 when it did not exit normally
};

// Runs a shell command with its standard error joined to its output.
Shell RunShell(const std::string& command)
{
  Shell result{"", -1};
  FILE* pipe = popen(("(" + command + ") 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), n);
  int status = pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

// A scratch folder for one test's prefix and builds, removed at the end
// unless the test failed (then it is left for a look).
class Scratch {
 public:
  Scratch() : path_(oxtest::TempDir()) {}
  ~Scratch()
  {
    if (!::testing::Test::HasFailure()) oxtest::RunCommand("rm -rf '" + path_ + "'");
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Installs the build tree into a fresh prefix inside the scratch folder.
std::string InstallCopy(const Scratch& scratch)
{
  std::string prefix = scratch.path() + "/prefix";
  Shell install = RunShell("'" + kCMake + "' --install '" + kBuildDir + "' --prefix '" + prefix + "'");
  EXPECT_EQ(install.status, 0) << install.output;
  return prefix;
}

std::string LinkTarget(const std::string& path)
{
  char target[PATH_MAX];
  ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  if (length < 0) return "";
  return std::string(target, length);
}

std::string RealPath(const std::string& path)
{
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : "(unresolved) " + path;
}

std::string PkgConfig(const std::string& prefix, const std::string& arguments)
{
  Shell query = RunShell("PKG_CONFIG_PATH='" + prefix + "/lib/pkgconfig' '" + kPkgConfig + "' " + arguments);
  EXPECT_EQ(query.status, 0) << query.output;
  return query.output;
}

// Runs a built game with these arguments on the test's display (which must
// exist) and checks that it loaded the installed library, printed the
// banner, ended with status 0 and printed the line expected.
void ExpectGameRuns(const std::string& game, const std::string& arguments, const std::string& prefix,
                    const std::string& expectedLine)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr) << "no X display for the game (DISPLAY unset or unreachable)";
  XCloseDisplay(display);

  Shell libraries = RunShell("env -u LD_LIBRARY_PATH ldd '" + game + "'");
  const std::string entry = "liboxlen.so.3 => ";
  size_t start = libraries.output.find(entry);
  ASSERT_NE(start, std::string::npos) << libraries.output;
  start += entry.size();
  std::string loaded = libraries.output.substr(start, libraries.output.find(" (", start) - start);
  EXPECT_EQ(RealPath(loaded), RealPath(prefix + "/lib/liboxlen.so.3.1")) << libraries.output;

  Shell run = RunShell("env -u LD_LIBRARY_PATH timeout 60 '" + game + "' " + arguments + " </dev/null");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(std::string(kBanner) + "\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(expectedLine), std::string::npos) << run.output;
}

// Compiles and links one game source in one command with the flags
// pkg-config reads from the installed oxlen.pc (the run-time path is the
// package's libdir) plus any libraries given first; no output is expected.
std::string BuildWithPkgConfig(const Scratch& scratch, const std::string& prefix,
                               const std::string& source, const std::string& name,
                               const std::string& firstLibraries)
{
  std::string flags = PkgConfig(prefix, "--cflags --libs oxlen");
  std::string libdir = PkgConfig(prefix, "--variable=libdir oxlen");
  EXPECT_FALSE(flags.empty());
  EXPECT_FALSE(libdir.empty());
  flags.erase(flags.find_last_not_of(" \n") + 1);
  libdir.erase(libdir.find_last_not_of(" \n") + 1);
  std::string game = scratch.path() + "/" + name;
  Shell compile = RunShell("'" + kCompiler + "' -std=c++17 -Wall -Wextra '" + source + "' " +
                           firstLibraries + " " + flags + " -Wl,-rpath,'" + libdir + "' -o '" +
                           game + "'");
  EXPECT_EQ(compile.status, 0) << compile.output;
  EXPECT_EQ(compile.output, "");
  return game;
}

// Cases: the headers land in include/Oxlen with the umbrella header; the
// library is installed as liboxlen.so -> liboxlen.so.3 -> liboxlen.so.3.1
// with SONAME liboxlen.so.3, beside the entry-point library; the CMake
// package and oxlen.pc are there, report version 3.1 and hand a game only
// the engine (none of its own dependencies leak into either interface).
TEST(Packaging, InstallsHeadersLibraryLinksAndPackageFiles)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string lib = prefix + "/lib";
  for (const char* header : {"Oxlen.h", "OxExport.h", "OxPlatform.h", "OxSystem.h", "OxGraphics.h",
                             "OxInput.h", "OxAudio.h", "OxMath.h", "OxVec2.h", "OxMtx33.h",
                             "OxMatrix4.h", "OxCollision.h"}) {
    EXPECT_EQ(access((prefix + "/include/Oxlen/" + header).c_str(), R_OK), 0) << header;
  }

  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so"), "liboxlen.so.3");
  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so.3"), "liboxlen.so.3.1");
  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so.3.1"), "") << "the versioned file is the library itself";
  Shell dynamic = RunShell("objdump -p '" + lib + "/liboxlen.so.3.1'");
  EXPECT_NE(dynamic.output.find("SONAME               liboxlen.so.3\n"), std::string::npos)
      << dynamic.output;
  EXPECT_EQ(access((lib + "/liboxlen_main.a").c_str(), R_OK), 0);

  std::string package = lib + "/cmake/Oxlen/";
  for (const char* file : {"OxlenConfig.cmake", "OxlenConfigVersion.cmake", "OxlenTargets.cmake"}) {
    EXPECT_EQ(access((package + file).c_str(), R_OK), 0) << file;
  }
  std::string targets = oxtest::RunCommand("cat '" + package + "'OxlenTargets*.cmake");
  EXPECT_NE(targets.find("add_library(Oxlen::oxlen SHARED IMPORTED)"), std::string::npos);
  EXPECT_NE(targets.find("add_library(Oxlen::oxlen_main STATIC IMPORTED)"), std::string::npos);
  for (const char* target : {"Oxlen::oxlen", "Oxlen::oxlen_main"}) {
    EXPECT_NE(targets.find(std::string("set_target_properties(") + target +
                           " PROPERTIES\n  INTERFACE_INCLUDE_DIRECTORIES \"${_IMPORT_PREFIX}/include/Oxlen\""),
              std::string::npos)
        << target << " lacks the installed include folder:\n" << targets;
  }
  EXPECT_EQ(targets.find("INTERFACE_LINK_LIBRARIES"), std::string::npos) << targets;
  EXPECT_EQ(targets.find(OX_SOURCE_DIR), std::string::npos) << "source paths in the package";
  EXPECT_NE(oxtest::RunCommand("cat '" + package + "OxlenConfigVersion.cmake'")
                .find("set(PACKAGE_VERSION \"3.1\")"),
            std::string::npos);

  EXPECT_EQ(PkgConfig(prefix, "--modversion oxlen"), "3.1\n");
  std::string flags = PkgConfig(prefix, "--cflags --libs oxlen");
  EXPECT_NE(flags.find("/include/Oxlen"), std::string::npos) << flags;
  EXPECT_NE(flags.find("-loxlen"), std::string::npos) << flags;
  for (const char* leak : {"SDL", "GLEW", "freetype", "sndfile", "-lGL", "-lm", "pthread"}) {
    EXPECT_EQ(flags.find(leak), std::string::npos) << leak << " in " << flags;
  }
}

// Cases: a game's CMake project finds the installed copy with find_package
// (version 3.1, both components) through CMAKE_PREFIX_PATH alone, builds the
// wizard-style wWinMain game linked with Oxlen::oxlen_main and Oxlen::oxlen
// without a warning, and runs it.
TEST(Packaging, WizardGameBuildsThroughTheCMakePackage)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string build = scratch.path() + "/wizard-cmake";
  Shell configure = RunShell("'" + kCMake + "' -S '" + kPackagedGameProject + "' -B '" + build +
                             "' -DGAME_SOURCE='" + kWizardGame + "' -DCMAKE_PREFIX_PATH='" + prefix +
                             "' -DCMAKE_CXX_COMPILER='" + kCompiler +
                             "' -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF");
  ASSERT_EQ(configure.status, 0) << configure.output;
  Shell compile = RunShell("'" + kCMake + "' --build '" + build + "' -j2");
  ASSERT_EQ(compile.status, 0) << compile.output;
  EXPECT_EQ(compile.output.find("warning"), std::string::npos) << compile.output;
  ExpectGameRuns(build + "/game", "5", prefix, "Wizard game frames: 5\n");
}

// Cases: the tiny game with a plain main() and the wizard-style game with
// -loxlen_main before the flags, each compiled and linked in one command
// with the flags of the installed oxlen.pc, and run.
TEST(Packaging, GamesBuildThroughPkgConfig)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string tiny = BuildWithPkgConfig(scratch, prefix, kTinyGame, "tiny_game", "");
  ExpectGameRuns(tiny, "", prefix, "Tiny game frames: 5\n");
  std::string wizard = BuildWithPkgConfig(scratch, prefix, kWizardGame, "wizard_game", "-loxlen_main");
  ExpectGameRuns(wizard, "5", prefix, "Wizard game frames: 5\n");
}

}  // namespace
